// SPDX-License-Identifier: Apache-2.0
// Helpers of the shared-memory tests: a fixture that makes each test the owner of a fresh queue
// registry and closes what the test left open, records whose bytes follow from their series and
// number (so that a reader in another process checks them without a copy), and a view of a
// queue's mapping of the test's own.
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
    // Closes what the test left open, as the end of its process would, so that the next test in
    // the same process makes a fresh registry: the queues open here, of either kind (the
    // registry goes with the last queue deleted), then every block, the registry's own when it
    // is still there.
    void TearDown() override {
        for (short id = 0; id < 128 && s_MapFile_OpenShm("SHARED_QUEUE") >= 0; ++id) {
            if (halcyon::QueryQueueKind(id) >= 0) s_MapFile_CloseQue(id, true);
        }
        for (short id = 0; id < 128; ++id) s_MapFile_CloseShm(id);
    }
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
