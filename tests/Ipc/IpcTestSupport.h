// Helpers of the shared-memory tests: a fixture that makes each test the owner of a fresh queue
// registry, records whose bytes follow from their series and number (so that a reader in another
// process checks them without a copy), and a view of a queue's mapping of the test's own.
#pragma once

#include "Platform/KernelTestSupport.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace halcyon::test {

using Bytes = std::vector<unsigned char>;

class IpcTest : public testing::Test {
  protected:
    void SetUp() override { s_MapFile_Initialize(true); }
};

// Record `n` of series `series` (0-255, its first byte): 1 to `maxLength` bytes.
inline Bytes TestRecord(std::uint32_t series, std::uint32_t n, std::uint32_t maxLength) {
    std::uint32_t state = (n + 1) * 2654435761u + series * 40503u;
    Bytes record(1 + (state >> 7) % maxLength);
    for (unsigned char& byte : record) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(state >> 16);
    }
    record[0] = static_cast<unsigned char>(series);
    return record;
}

// Queue `name`'s mapping, to damage or fill it as another process might.
struct RawView {
    MEM_MAPFILE map = {};
    explicit RawView(const std::string& name) { s_MapFile_OpenMapFile(&map, name.c_str()); }
    ~RawView() { s_MapFile_CloseMapFile(&map, true); }
    tagSHMHEADER& header() { return *static_cast<tagSHMHEADER*>(map.pView); }
    unsigned char* ring() { return static_cast<unsigned char*>(map.pView) + sizeof(tagSHMHEADER); }
};

}  // namespace halcyon::test
