// SPDX-License-Identifier: Apache-2.0
// Shared queues in one process: the header's layout, refused calls, records across the ring's
// end (both kinds), damaged headers, the registry's slots and its lifetime; and the shared-memory
// blocks and mapped files under them: whole-block reads and writes, refused arguments, the file
// behind a mapping. (A block shared with other processes: the queue registry's, in every queue
// test with another process.)
#include "Ipc/IpcTestSupport.h"

#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace halcyon::test {
namespace {

tagSHMHEADER Header(short id) {
    tagSHMHEADER h = {};
    s_MapFile_QueryQueHeader(id, &h);
    return h;
}

// True when `h` is the header of an empty queue of `kib` KiB, byte for byte: 0x8E, the size, 23
// zero bytes of offsets and counters, 0x8F.
bool IsFresh(const tagSHMHEADER& h, unsigned char kib) {
    unsigned char want[26] = {0x8E, kib};
    want[25] = 0x8F;
    return std::memcmp(&h, want, 26) == 0;
}

class SharedQueue : public IpcTest {};

// The header's bytes, the first record's length field (low byte first), refused arguments that
// leave the header as it was, a second create of a registered name.
TEST_F(SharedQueue, LayoutAndRefusedArguments) {
    short id = s_MapFile_CreateQue("Quotes", 2);
    ASSERT_GE(id, 0);
    EXPECT_TRUE(IsFresh(Header(id), 2));
    EXPECT_EQ(s_MapFile_QueryQueSize(id), 2048u);
    EXPECT_STREQ(s_MapFile_QueryQueName(id), "Quotes");
    EXPECT_EQ(s_MapFile_QueryQueId("Quotes"), id);
    EXPECT_EQ(s_MapFile_CreateQue("Quotes", 9), id);
    Bytes big(3096, 1);
    struct Case {
        const char* what;
        long got;
        long want;
    } cases[] = {
        {"3096 bytes", s_MapFile_WriteQue(id, big.data(), 3096, 0), 0},
        {"null data", s_MapFile_WriteQue(id, nullptr, 5, 0), 0},
        {"id -1", s_MapFile_WriteQue(-1, big.data(), 5, 0), 0},
        {"id not open", s_MapFile_WriteQue(static_cast<short>(id + 1), big.data(), 5, 0), 0},
        {"read null", s_MapFile_ReadQue(id, nullptr, 0), -1},
        {"name 32", s_MapFile_CreateQue(std::string(32, 'n').c_str(), 1), -1},
        {"size 0", s_MapFile_CreateQue("zero", 0), -1},
        {"open unknown", s_MapFile_OpenQue("unknown"), -1},
        {"id of null", s_MapFile_QueryQueId(nullptr), -1},
        {"header null", s_MapFile_QueryQueHeader(id, nullptr), 0},
        {"close 200", s_MapFile_CloseQue(200, false), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    EXPECT_STREQ(s_MapFile_QueryQueName(-1), "");
    EXPECT_TRUE(IsFresh(Header(id), 2));
    ASSERT_EQ(s_MapFile_WriteQue(id, big.data(), 10, 0), 1);
    RawView view("Quotes");
    EXPECT_EQ(view.ring()[0] + 256 * view.ring()[1], 10);
}

// Random records, singly and in batches, through a 1 KiB ring of either kind against a model:
// every split of a record and of its length field at the ring's end comes by. The ring holds
// 1023 bytes of frames; its offsets are the bytes written and read so far, modulo 1024.
TEST_F(SharedQueue, RecordsOfBothKindsCrossTheRingEndIntact) {
    short id = -1;
    for (int kind : {halcyon::kQueueLockFree, halcyon::kQueueLegacy}) {
        SCOPED_TRACE(kind);
        const bool legacy = kind == halcyon::kQueueLegacy;
        id = halcyon::CreateQueue(("Wrap" + std::to_string(kind)).c_str(), 1, kind);
        std::deque<Bytes> model;
        std::size_t written = 0, read = 0;
        unsigned char buf[4000];
        bool splitLength[2] = {};
        std::mt19937 rng(5);
        for (std::uint32_t step = 0; step < 6000; ++step) {
            std::vector<Bytes> got;
            const bool write = rng() % 2;
            if (write) {
                Bytes rec = TestRecord(1, step, 500);
                bool fits = written - read + rec.size() + 2 <= 1023;
                if (!fits && legacy) continue;  // a full legacy queue would pause
                splitLength[0] = splitLength[0] || written % 1024 == 1023;
                int n = legacy ? s_MapFile_WriteQue(id, rec.data(), rec.size(), 0)
                               : WriteRecord(id, rec, 0);
                ASSERT_EQ(n, fits ? 1 : 0) << step;
                if (fits) model.push_back(rec);
                written += fits ? rec.size() + 2 : 0;
            } else if (rng() % 2) {
                short n =
                    legacy ? s_MapFile_ReadQue(id, buf, 0) : halcyon::ReadQueueWaiting(id, buf, 0);
                ASSERT_GE(n, 0) << step;
                if (n > 0) got.emplace_back(buf, buf + n);
            } else {
                long n = halcyon::ReadQueueBatch(id, buf, sizeof buf, nullptr, 0);
                ASSERT_GE(n, 0) << step;
                got = Unframe(buf, n);
            }
            ASSERT_TRUE(write || got.empty() == model.empty()) << step;
            splitLength[1] = splitLength[1] || (!got.empty() && read % 1024 == 1023);
            for (const Bytes& r : got) {
                ASSERT_EQ(r, model.front()) << step;
                read += r.size() + 2;
                model.pop_front();
            }
            halcyon::QueueState state = {};
            ASSERT_EQ(halcyon::QueryQueueState(id, &state), 1);
            ASSERT_EQ(state.usedBytes, written - read) << step;
            ASSERT_EQ(state.records, model.size()) << step;
        }
        EXPECT_TRUE(splitLength[0] && splitLength[1]);
    }
    s_MapFile_ResetQue(id);
    Bytes rec(1022, 3);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec.data(), 1022, 0), 0);  // after one pause
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 1u);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec.data(), 1021, 0), 1);
}

// Each damage makes the next read fail without touching the buffer past the largest record,
// and resets the queue to empty, keeping its size.
TEST_F(SharedQueue, DamagedQueuesAreResetKeepingTheirSize) {
    short id = s_MapFile_CreateQue("Damaged", 4);
    unsigned char rec[5] = {1, 2, 3, 4, 5}, buf[3095 + 16];
    Bytes big(3095, 1);
    RawView view("Damaged");
    struct Damage {
        const char* what;
        void (*apply)(tagSHMHEADER&);
    } damages[] = {
        {"H1", [](tagSHMHEADER& h) { h.H1 = 0; }},
        {"take past the ring", [](tagSHMHEADER& h) { h.take = 1u << 30; }},
        {"put at the ring's end", [](tagSHMHEADER& h) { h.put = 4096; }},
        {"size", [](tagSHMHEADER& h) { h.size = 255; }},
        {"record longer than used",
         [](tagSHMHEADER& h) { reinterpret_cast<unsigned char*>(&h)[26 + 1] = 9; }},
        {"used size of 2", [](tagSHMHEADER& h) { h.put = h.take + 2; }},
    };
    for (const Damage& d : damages) {
        s_MapFile_ResetQue(id);
        ASSERT_EQ(s_MapFile_WriteQue(id, rec, 5, 0), 1);
        d.apply(view.header());
        std::memset(buf, 0xEE, sizeof buf);
        EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), -1) << d.what;
        EXPECT_EQ(buf[3095], 0xEE) << d.what;
        EXPECT_TRUE(IsFresh(Header(id), 4)) << d.what;
    }
    // A length above the largest record never reaches the caller's buffer.
    ASSERT_EQ(s_MapFile_WriteQue(id, big.data(), 3095, 0), 1);
    ASSERT_EQ(s_MapFile_WriteQue(id, big.data(), 100, 0), 1);
    view.ring()[0] = 0x1C;  // 0x0C1C = 3100 <= used
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), -1);
    EXPECT_EQ(buf[3095], 0xEE);
}

// 128 queue slots, the registry takes none; a queue closed without delete keeps its slot; the
// last one deleted closes the registry.
TEST_F(SharedQueue, RegistrySlotsAndLifetime) {
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(s_MapFile_CreateQue(("q" + std::to_string(i)).c_str(), 1), i);
    }
    EXPECT_EQ(s_MapFile_CreateQue("q128", 1), -1);
    EXPECT_EQ(s_MapFile_CloseQue(5, false), 1);
    EXPECT_EQ(s_MapFile_QueryQueId("q5"), 5);
    for (short id = 127; id >= 0; --id) EXPECT_EQ(s_MapFile_CloseQue(id, true), 1);
    EXPECT_EQ(s_MapFile_OpenShm("SHARED_QUEUE"), -1) << "the registry's block is gone";
}

// Child: exits 0 when a second owner call leaves its registry unusable.
int CallOwnerTwice(const std::vector<std::string>&) {
    s_MapFile_Initialize(true);
    if (s_MapFile_CreateQue("Before", 1) < 0) return 2;
    s_MapFile_Initialize(true);
    return s_MapFile_CreateQue("After", 1) == -1 && s_MapFile_QueryQueId("Before") == -1 ? 0 : 1;
}
const ChildRole kCallOwnerTwice("call-owner-twice", CallOwnerTwice);

// In a process of its own: the registry stays unusable there.
TEST(SharedQueueOwner, ASecondOwnerCallLeavesTheRegistryUnusable) {
    EXPECT_EQ(WaitChild(StartChild("call-owner-twice")), 0);
}

TEST_F(SharedQueue, WaitingOpenGivesUpAfterSixtySeconds) {
#if HALCYON_STAND_IN
    // The tick count is advanced instead of waiting a real minute.
    std::thread clock([] {
        for (int i = 0; i < 70; ++i) {
            win::Sleep(20);
            win::posix::AdvanceTickCount(1000);
        }
    });
    win::DWORD start = win::GetTickCount();
    EXPECT_EQ(s_MapFile_WaitingOpenQue("NeverMade"), -1);
    EXPECT_GE(win::GetTickCount() - start, 60000u);
    clock.join();
#else
    GTEST_SKIP() << "only the Linux stand-in's tick count can be advanced";
#endif
}

const std::string k31(31, 'b');
const std::string k32(32, 'b');

class SharedBlocks : public IpcTest {};

// A name is open once in a process; a closed block's id reads nothing. (Reads and writes: the
// queue registry's, which every queue test makes.)
TEST_F(SharedBlocks, ANameIsOpenOnceInAProcess) {
    short id = s_MapFile_CreateShm("Block", 64);
    ASSERT_GE(id, 0);
    unsigned char back[64] = {};
    EXPECT_EQ(s_MapFile_CreateShm("Block", 64), -1);  // open here already
    EXPECT_EQ(s_MapFile_OpenShm("Block"), id);        // the existing id
    EXPECT_EQ(s_MapFile_OpenShm("Nobody"), -1);
    EXPECT_EQ(s_MapFile_CloseShm(id), 1);
    EXPECT_EQ(s_MapFile_ReadShm(id, back, 64), 0);
    short again = s_MapFile_CreateShm("Block", 64);
    EXPECT_GE(again, 0);
    // Open here already in a later slot, with a free one before it: still refused.
    short later = s_MapFile_CreateShm("Later", 64);
    s_MapFile_CloseShm(again);
    EXPECT_EQ(s_MapFile_CreateShm("Later", 64), -1);
    s_MapFile_CloseShm(later);
}

TEST_F(SharedBlocks, BadArgumentsFailAtOnce) {
    unsigned char buf[8] = {};
    MEM_MAPFILE map = {};
    struct Case {
        const char* what;
        long got;
        long want;
    } cases[] = {
        {"create 31", s_MapFile_CreateShm(k31.c_str(), 8) >= 0, 1},
        {"create 32", s_MapFile_CreateShm(k32.c_str(), 8), -1},
        {"create null", s_MapFile_CreateShm(nullptr, 8), -1},
        {"create size 0", s_MapFile_CreateShm("zero", 0), -1},
        {"open null", s_MapFile_OpenShm(nullptr), -1},
        {"read -1", s_MapFile_ReadShm(-1, buf, 8), 0},
        {"read 128", s_MapFile_ReadShm(128, buf, 8), 0},
        {"read null", s_MapFile_ReadShm(0, nullptr, 8), 0},
        {"read size 0", s_MapFile_ReadShm(0, buf, 0), 0},
        {"close 128", s_MapFile_CloseShm(128), 0},
        {"map 32", s_MapFile_CreateMapFile(&map, k32.c_str(), 8), 0},
        {"map null", s_MapFile_CreateMapFile(nullptr, "x", 8), 0},
        {"map size 0", s_MapFile_CreateMapFile(&map, "x", 0), 0},
        {"open map null", s_MapFile_OpenMapFile(nullptr, "x"), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    EXPECT_EQ(s_MapFile_MapFilePtr(nullptr), nullptr);
    s_MapFile_CloseMapFile(nullptr, true);
}

// A mapped file of its creator keeps its file through a close without delete. (Opening views:
// the queue tests' RawView.)
TEST_F(SharedBlocks, MappedFilesKeepTheirFileUntilDeleted) {
    MEM_MAPFILE map = {};
    ASSERT_EQ(s_MapFile_CreateMapFile(&map, "Mapped", 5000), 1);
    ASSERT_NE(s_MapFile_MapFilePtr(&map), nullptr);
    s_MapFile_CloseMapFile(&map, false);
    EXPECT_EQ(map.pView, nullptr);
    EXPECT_NE(map.hFile, nullptr);
    s_MapFile_CloseMapFile(&map, true);
    EXPECT_EQ(map.hFile, nullptr);
}

}  // namespace
}  // namespace halcyon::test
