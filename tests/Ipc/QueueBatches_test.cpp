// SPDX-License-Identifier: Apache-2.0
// Batches of records: what a batch read and write return for each state of a queue (table).
// (Producers in other processes writing batches: QueueWaits.)
#include "Ipc/IpcTestSupport.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace halcyon::test;

constexpr unsigned long kBatchBytes = 3097;  // the least a batch read takes

Bytes Header(short id) {
    tagSHMHEADER h = {};
    s_MapFile_QueryQueHeader(id, &h);
    return Bytes(reinterpret_cast<unsigned char*>(&h), reinterpret_cast<unsigned char*>(&h + 1));
}

class QueueBatches : public IpcTest {};

TEST_F(QueueBatches, ResultsFollowTheQueueState) {
    short id = s_MapFile_CreateQue("Batches", 1);  // 1024 bytes: 1023 of frames
    ASSERT_GE(id, 0);
    Bytes buf(4000), three = Frames({{1}, {2, 2}, {3, 3, 3}});
    // 602 + 432 bytes of frames: the second does not fit behind the first, nor does `rest`.
    Bytes big = Frames({Bytes(600, 6), Bytes(430, 4)}), rest = Frames({Bytes(430, 4)});
    Bytes whole = Frames({Bytes(500, 5), Bytes(519, 5)});  // 1023 bytes: the ring, exactly
    unsigned long used = 99;
    auto read = [&](unsigned long size, unsigned long ms) {
        return halcyon::ReadQueueBatch(id, buf.data(), size, &used, ms);
    };
    auto write = [&](const Bytes& frames, unsigned long size, unsigned long ms) {
        return halcyon::WriteQueueBatch(id, frames.data(), size, &used, ms);
    };
    struct Case {
        const char* what;
        std::function<long()> call;
        long want;
        unsigned long wantUsed;
    };
    const Bytes bad[] = {Frames({{}}), Frames({Bytes(3096, 1)}), Frames({Bytes(1022, 1)})};
    const Case cases[] = {
        {"read, empty, no time", [&] { return read(kBatchBytes, 0); }, 0, 0},
        {"read, empty, 30 ms", [&] { return read(kBatchBytes, 30); }, 0, 0},
        {"read, buffer 3096", [&] { return read(3096, 0); }, -1, 0},
        {"read, null", [&] { return halcyon::ReadQueueBatch(id, nullptr, 5000, &used, 0); }, -1, 0},
        {"read, not open", [&] { return halcyon::ReadQueueBatch(127, buf.data(), 5000, &used, 0); },
         -1, 0},
        {"write, record of 0", [&] { return write(bad[0], bad[0].size(), 0); }, -1, 0},
        {"write, record of 3096", [&] { return write(bad[1], bad[1].size(), 0); }, -1, 0},
        {"write, too long for the ring", [&] { return write(bad[2], bad[2].size(), 0); }, -1, 0},
        {"write, frame cut short", [&] { return write(three, three.size() - 1, 0); }, -1, 0},
        {"write, half a length", [&] { return write(three, 1, 0); }, -1, 0},
        {"write, nothing", [&] { return write(three, 0, 0); }, -1, 0},
        {"write, null", [&] { return halcyon::WriteQueueBatch(id, nullptr, 3, &used, 0); }, -1, 0},
        {"write three", [&] { return write(three, three.size(), 0); }, 3, three.size()},
        {"read them", [&] { return read(kBatchBytes, 0); }, 3, three.size()},
        {"write the ring full", [&] { return write(whole, whole.size(), 0); }, 2, 1023},
        {"read it", [&] { return read(kBatchBytes, 0); }, 2, 1023},
        {"write 600 and 430, 30 ms", [&] { return write(big, big.size(), 30); }, 1, 602},
        {"write 430 behind, 30 ms", [&] { return write(rest, rest.size(), 30); }, 0, 0},
        {"read the 600", [&] { return read(kBatchBytes, 0); }, 1, 602},
    };
    Bytes fresh = Header(id);
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), c.want) << c.what;
        EXPECT_EQ(used, c.wantUsed) << c.what;
        if (std::string(c.what) == "write, null") {
            EXPECT_EQ(Header(id), fresh);  // no refused write changed the queue
        } else if (std::string(c.what) == "read them") {
            EXPECT_EQ(Bytes(buf.begin(), buf.begin() + three.size()), three);
        }
    }
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 0u);

    // A buffer takes the records that fit it whole; the rest stay, in order.
    Bytes many = Frames({Bytes(3000, 7), Bytes(200, 8), Bytes(5, 9)});
    s_MapFile_ResetQue(id);
    short grown = s_MapFile_CreateQue("BatchesBig", 8);
    ASSERT_EQ(halcyon::WriteQueueBatch(grown, many.data(), many.size(), &used, 0), 3);
    EXPECT_EQ(halcyon::ReadQueueBatch(grown, buf.data(), 3097 + 100, &used, 0), 1);
    EXPECT_EQ(used, 3002u);
    EXPECT_EQ(halcyon::ReadQueueBatch(grown, buf.data(), kBatchBytes, &used, 0), 2);
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + used), Bytes(many.begin() + 3002, many.end()));

    // Damage behind the first record ends the batch before it; the next call finds it, fails
    // and resets the queue. A copy left unfinished fails the call and counts.
    ASSERT_EQ(write(three, three.size(), 0), 3);
    RawView view("Batches");
    view.ring()[3] = 0;  // the second record's length: 0
    view.ring()[4] = 0;
    EXPECT_EQ(read(kBatchBytes, 0), 1);
    EXPECT_EQ(read(kBatchBytes, kLong), -1);
    EXPECT_EQ(s_MapFile_QueryQueUseSize(id), 0u);
    view.header().sync = 1;
    EXPECT_EQ(write(three, three.size(), kLong), -1);
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 1u);
}

}  // namespace
