// SPDX-License-Identifier: Apache-2.0
// Helpers of the shared-memory tests: a fixture that makes each test the owner of a fresh queue
// registry and closes what the test left open, records whose bytes follow from their series and
// number (so that a reader in another process checks them without a copy), their batch frames, a
// producer process, and a view of a queue's mapping of the test's own.
#pragma once

#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace halcyon::test {

using Bytes = std::vector<unsigned char>;

constexpr unsigned long kLong = 20000;  // a wait that must end by a wake-up, not by its limit

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

inline int WriteRecord(short id, const Bytes& r, unsigned long ms) {
    return halcyon::WriteQueueWaiting(id, r.data(), static_cast<unsigned short>(r.size()), ms);
}

// Frames of `records`, as batches carry them: each length, low byte first, then the bytes.
inline Bytes Frames(const std::vector<Bytes>& records) {
    Bytes out;
    for (const Bytes& r : records) {
        out.push_back(static_cast<unsigned char>(r.size()));
        out.push_back(static_cast<unsigned char>(r.size() >> 8));
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

// The first `count` records of the frames at `frames` (a batch read's `count`; none when < 1).
inline std::vector<Bytes> Unframe(const unsigned char* frames, long count) {
    std::vector<Bytes> records;
    for (std::size_t at = 0; count-- > 0; at += 2 + records.back().size()) {
        std::size_t length = frames[at] | frames[at + 1] << 8;
        records.emplace_back(frames + at + 2, frames + at + 2 + length);
    }
    return records;
}

// Child: opens queue args[0] and writes records of series args[1] (at most 700 bytes) from
// number args[2] on, args[3] of them, waiting for room; in batches of up to 7 when args[4] is
// "batch", else singly. Exits 3 when a write is refused or falls short.
inline int QueueProducer(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args.at(0).c_str());
    std::uint32_t series = std::stoul(args.at(1)), n = std::stoul(args.at(2));
    const std::uint32_t end = n + std::stoul(args.at(3)), most = args.at(4) == "batch" ? 7 : 1;
    while (n < end) {
        std::vector<Bytes> batch;
        for (std::uint32_t k = 0; k < 1 + n % most && n + k < end; ++k)
            batch.push_back(TestRecord(series, n + k, 700));
        Bytes frames = Frames(batch);
        unsigned long used = 0;
        long written =
            most == 1 ? WriteRecord(id, batch[0], kLong)
                      : halcyon::WriteQueueBatch(id, frames.data(), frames.size(), &used, kLong);
        if (written != static_cast<long>(batch.size()) || used != (most == 1 ? 0 : frames.size()))
            return 3;
        n += static_cast<std::uint32_t>(batch.size());
    }
    return 0;
}
inline const ChildRole kQueueProducer("queue-producer", QueueProducer);

// Queue `name`'s mapping, to damage or fill it as another process might.
struct RawView {
    MEM_MAPFILE map = {};
    explicit RawView(const std::string& name) { s_MapFile_OpenMapFile(&map, name.c_str()); }
    ~RawView() { s_MapFile_CloseMapFile(&map, true); }
    tagSHMHEADER& header() { return *static_cast<tagSHMHEADER*>(map.pView); }
    unsigned char* ring() { return static_cast<unsigned char*>(map.pView) + sizeof(tagSHMHEADER); }
};

}  // namespace halcyon::test
