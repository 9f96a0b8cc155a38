#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Record(size_t n, unsigned seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(seed * 29 + i);
    return b;
}

tagSHMHEADER Header(short id) {
    tagSHMHEADER h = {};
    s_MapFile_QueryQueHeader(id, &h);
    return h;
}

// A view of the queue's mapping of its own, to damage the header as another process might.
struct RawView {
    MEM_MAPFILE map = {};
    explicit RawView(const char* name) { s_MapFile_OpenMapFile(&map, name); }
    ~RawView() { s_MapFile_CloseMapFile(&map, true); }
    tagSHMHEADER& header() { return *static_cast<tagSHMHEADER*>(map.pView); }
};

class SharedQueue : public testing::Test {
  protected:
    void SetUp() override { s_MapFile_Initialize(true); }
};

TEST_F(SharedQueue, NewQueueHasAValidEmptyHeader) {
    short id = s_MapFile_CreateQue("Quotes", 2);
    ASSERT_GE(id, 0);
    tagSHMHEADER h = Header(id);
    const unsigned char want[26] = {0x8E, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x8F};
    EXPECT_EQ(std::memcmp(&h, want, 26), 0);
    EXPECT_EQ(s_MapFile_QueryQueSize(id), 2048u);
    EXPECT_STREQ(s_MapFile_QueryQueName(id), "Quotes");
    EXPECT_EQ(s_MapFile_QueryQueId("Quotes"), id);
    EXPECT_EQ(s_MapFile_CreateQue("Quotes", 9), id);  // registered already: same id
    EXPECT_EQ(s_MapFile_QueryQueSize(id), 2048u);

    unsigned char ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(s_MapFile_WriteQue(id, ten, 10, 0), 1);
    EXPECT_EQ(s_MapFile_QueryQueUseSize(id), 12u);
    EXPECT_EQ(s_MapFile_QueryQueCount(id), 1u);
    h = Header(id);
    const unsigned char ring[2] = {10, 0};  // the length, low byte first
    RawView view("Quotes");
    EXPECT_EQ(std::memcmp(reinterpret_cast<unsigned char*>(&view.header()) + 26, ring, 2), 0);
    EXPECT_EQ(std::uint32_t{h.put}, 12u);
    EXPECT_EQ(std::uint32_t{h.WriteCount}, 1u);
}

TEST_F(SharedQueue, RefusedArgumentsTouchNothing) {
    short id = s_MapFile_CreateQue("Refuse", 1);
    ASSERT_GE(id, 0);
    Bytes big(3096, 1);
    unsigned char buf[3095];
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
        {"read empty", s_MapFile_ReadQue(id, buf, 0), 0},
        {"name 32", s_MapFile_CreateQue(std::string(32, 'n').c_str(), 1), -1},
        {"size 0", s_MapFile_CreateQue("zero", 0), -1},
        {"open unknown", s_MapFile_OpenQue("unknown"), -1},
        {"id of null", s_MapFile_QueryQueId(nullptr), -1},
        {"header null", s_MapFile_QueryQueHeader(id, nullptr), 0},
        {"count -1", static_cast<long>(s_MapFile_QueryQueCount(-1)), 0},
        {"close 200", s_MapFile_CloseQue(200, false), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    EXPECT_STREQ(s_MapFile_QueryQueName(-1), "");
    tagSHMHEADER h = Header(id);
    EXPECT_EQ(h.count + h.WriteCount + h.ReadCount + h.errcount + h.put + h.take, 0u);
}

TEST_F(SharedQueue, OneKibRingHoldsTenTwentyOneBytesOfRecord) {
    short id = s_MapFile_CreateQue("Small", 1);
    Bytes rec = Record(1022, 3);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec.data(), 1022, 0), 0);  // after one pause
    EXPECT_EQ(s_MapFile_QueryQueErrCount(id), 1u);
    EXPECT_EQ(s_MapFile_WriteQue(id, rec.data(), 1021, 0), 1);
    EXPECT_EQ(s_MapFile_QueryQueUseSize(id), 1023u);
    unsigned char buf[3095];
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), 1021);
    EXPECT_EQ(std::memcmp(buf, rec.data(), 1021), 0);
}

// Random records through a 1 KiB ring against a model: every split of records and of their
// length fields at the ring's end comes by.
TEST_F(SharedQueue, RecordsCrossTheRingEndIntact) {
    short id = s_MapFile_CreateQue("Wrap", 1);
    std::deque<Bytes> model;
    size_t used = 0;
    std::mt19937 rng(5);
    unsigned char buf[3095];
    std::vector<bool> splitLengthSeen(2);
    for (int step = 0; step < 6000; ++step) {
        tagSHMHEADER h = Header(id);
        if (rng() % 2) {
            size_t n = 1 + rng() % 500;
            if (used + n + 2 > 1023) continue;  // a full queue would pause
            Bytes rec = Record(n, static_cast<unsigned>(step));
            if (h.put == 1023) splitLengthSeen[0] = true;
            ASSERT_EQ(s_MapFile_WriteQue(id, rec.data(), static_cast<unsigned short>(n), 0), 1);
            model.push_back(rec);
            used += n + 2;
        } else {
            short n = s_MapFile_ReadQue(id, buf, 0);
            if (model.empty()) {
                ASSERT_EQ(n, 0);
                continue;
            }
            if (h.take == 1023) splitLengthSeen[1] = true;
            ASSERT_EQ(n, static_cast<short>(model.front().size()));
            ASSERT_EQ(std::memcmp(buf, model.front().data(), static_cast<size_t>(n)), 0);
            used -= model.front().size() + 2;
            model.pop_front();
        }
        ASSERT_EQ(s_MapFile_QueryQueUseSize(id), used);
        ASSERT_EQ(s_MapFile_QueryQueCount(id), model.size());
    }
    EXPECT_TRUE(splitLengthSeen[0]);
    EXPECT_TRUE(splitLengthSeen[1]);
}

TEST_F(SharedQueue, DamagedQueuesAreResetKeepingTheirSize) {
    short id = s_MapFile_CreateQue("Damaged", 4);
    unsigned char rec[5] = {1, 2, 3, 4, 5};
    unsigned char buf[3095 + 16];
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
        tagSHMHEADER h = Header(id);
        EXPECT_EQ(h.H1, 0x8E) << d.what;
        EXPECT_EQ(h.H2, 0x8F) << d.what;
        EXPECT_EQ(h.size, 4) << d.what;
        EXPECT_EQ(h.put + h.take + h.count + h.WriteCount, 0u) << d.what;
    }
    // A length above the largest record never reaches the caller's buffer.
    Bytes big = Record(3095, 1);
    ASSERT_EQ(s_MapFile_WriteQue(id, big.data(), 3095, 0), 1);
    ASSERT_EQ(s_MapFile_WriteQue(id, big.data(), 100, 0), 1);
    reinterpret_cast<unsigned char*>(&view.header())[26] = 0x1C;  // 0x0C1C = 3100 <= used
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(s_MapFile_ReadQue(id, buf, 0), -1);
    EXPECT_EQ(buf[3095], 0xEE);
}

TEST_F(SharedQueue, TheHundredTwentyNinthNameIsRefused) {
    for (int i = 0; i < 127; ++i) {  // the queue registry itself takes no queue slot
        ASSERT_EQ(s_MapFile_CreateQue(("q" + std::to_string(i)).c_str(), 1), i);
    }
    EXPECT_EQ(s_MapFile_CreateQue("q127", 1), 127);
    EXPECT_EQ(s_MapFile_CreateQue("q128", 1), -1);
    EXPECT_EQ(s_MapFile_CreateQue("q5", 1), 5);
}

TEST_F(SharedQueue, ClosingTheLastQueueClosesTheRegistry) {
    short a = s_MapFile_CreateQue("A", 1);
    short b = s_MapFile_CreateQue("B", 1);
    EXPECT_EQ(s_MapFile_CloseQue(a, false), 1);
    EXPECT_EQ(s_MapFile_QueryQueId("B"), b);
    EXPECT_EQ(s_MapFile_CloseQue(b, true), 1);
    EXPECT_EQ(s_MapFile_CloseQue(a, true), 1);  // removes A's slot: none left
    EXPECT_EQ(s_MapFile_OpenShm("SHARED_QUEUE"), -1) << "the registry's block is gone";
}

TEST_F(SharedQueue, SecondOwnerCallLeavesTheRegistryUnusable) {
    ASSERT_GE(s_MapFile_CreateQue("Before", 1), 0);
    s_MapFile_Initialize(true);
    EXPECT_EQ(s_MapFile_CreateQue("After", 1), -1);
    EXPECT_EQ(s_MapFile_QueryQueId("Before"), -1);
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
    GTEST_SKIP()
        << "only the Linux stand-in's tick count can be advanced; a real minute is too long";
#endif
}

}  // namespace
