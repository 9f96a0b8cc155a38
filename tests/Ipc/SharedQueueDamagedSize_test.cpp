// A queue whose header another process damaged before this one opened it: the ring size in the
// header must be checked against the mapping, or reads and writes run past the view.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test;

constexpr int kRefused = 10;
constexpr int kOpenedWithRing = 20;
constexpr int kOpenedWithOtherRing = 30;

// Child: opens queue args[0]; says whether the open was refused or which ring it took.
int OpenDamagedQueue(const std::vector<std::string>& args) {
    short id = s_MapFile_OpenQue(args[0].c_str());
    if (id < 0) return kRefused;
    return s_MapFile_QueryQueSize(id) == std::stoul(args[1]) ? kOpenedWithRing
                                                             : kOpenedWithOtherRing;
}
const ChildRole kOpenDamaged("open-damaged-queue", OpenDamagedQueue);

class SharedQueueDamagedSize : public testing::Test {
  protected:
    void SetUp() override { s_MapFile_Initialize(true); }
};

TEST_F(SharedQueueDamagedSize, AnOpenRefusesASizeTheMappingDoesNotHoldUntilTheOwnerRepairsIt) {
    // A ring of 1 KiB is one page with its header: 0 is no ring, 4 KiB and more need pages the
    // mapping does not have.
    const unsigned char damaged[] = {0, 4, 200, 255};
    short id = s_MapFile_CreateQue("bent", 1);
    ASSERT_GE(id, 0);
    MEM_MAPFILE raw = {};
    ASSERT_EQ(s_MapFile_OpenMapFile(&raw, "bent"), 1);
    auto* header = static_cast<tagSHMHEADER*>(s_MapFile_MapFilePtr(&raw));
    unsigned char record[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (unsigned char size : damaged) {
        SCOPED_TRACE(static_cast<int>(size));
        header->size = size;
        EXPECT_EQ(WaitChild(StartChild("open-damaged-queue", {"bent", "1024"})), kRefused);
        // The owner knows its ring: its next call finds the damage, repairs it and fails.
        EXPECT_EQ(s_MapFile_WriteQue(id, record, sizeof record, 0), 0);
        EXPECT_EQ(header->size, 1);
        EXPECT_EQ(WaitChild(StartChild("open-damaged-queue", {"bent", "1024"})), kOpenedWithRing);
        EXPECT_EQ(s_MapFile_WriteQue(id, record, sizeof record, 0), 1);
    }
    s_MapFile_CloseMapFile(&raw, false);
    EXPECT_EQ(s_MapFile_CloseQue(id, true), 1);
}

}  // namespace
