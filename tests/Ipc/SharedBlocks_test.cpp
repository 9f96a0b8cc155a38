#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string k31(31, 'b');
const std::string k32(32, 'b');

class SharedBlocks : public testing::Test {
  protected:
    void SetUp() override { s_MapFile_Initialize(true); }
};

TEST_F(SharedBlocks, ReadAndWriteWholeBlocks) {
    short id = s_MapFile_CreateShm("Block", 64);
    ASSERT_GE(id, 0);
    unsigned char data[64], back[64] = {};
    for (int i = 0; i < 64; ++i) data[i] = static_cast<unsigned char>(i * 5);
    EXPECT_EQ(s_MapFile_WriteShm(id, data, 64), 1);
    EXPECT_EQ(s_MapFile_ReadShm(id, back, 64), 1);
    EXPECT_EQ(std::memcmp(data, back, 64), 0);

    EXPECT_EQ(s_MapFile_CreateShm("Block", 64), -1);  // open here already
    EXPECT_EQ(s_MapFile_OpenShm("Block"), id);        // the existing id
    EXPECT_EQ(s_MapFile_OpenShm("Nobody"), -1);
    EXPECT_EQ(s_MapFile_CloseShm(id), 1);
    EXPECT_EQ(s_MapFile_ReadShm(id, back, 64), 0);
    EXPECT_EQ(s_MapFile_CloseShm(id), 1);  // a free slot closes without effect
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
    struct Case {
        const char* what;
        long got;
        long want;
    } cases[] = {
        {"create 31", s_MapFile_CreateShm(k31.c_str(), 8) >= 0, 1},
        {"create 32", s_MapFile_CreateShm(k32.c_str(), 8), -1},
        {"open 32", s_MapFile_OpenShm(k32.c_str()), -1},
        {"create null", s_MapFile_CreateShm(nullptr, 8), -1},
        {"create size 0", s_MapFile_CreateShm("zero", 0), -1},
        {"open null", s_MapFile_OpenShm(nullptr), -1},
        {"read -1", s_MapFile_ReadShm(-1, buf, 8), 0},
        {"read 128", s_MapFile_ReadShm(128, buf, 8), 0},
        {"read null", s_MapFile_ReadShm(0, nullptr, 8), 0},
        {"read size 0", s_MapFile_ReadShm(0, buf, 0), 0},
        {"write -5", s_MapFile_WriteShm(-5, buf, 8), 0},
        {"close -1", s_MapFile_CloseShm(-1), 0},
        {"close 128", s_MapFile_CloseShm(128), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;

    MEM_MAPFILE map = {};
    EXPECT_EQ(s_MapFile_CreateMapFile(&map, k32.c_str(), 8), 0);
    EXPECT_EQ(s_MapFile_CreateMapFile(nullptr, "x", 8), 0);
    EXPECT_EQ(s_MapFile_CreateMapFile(&map, "x", 0), 0);
    EXPECT_EQ(s_MapFile_OpenMapFile(&map, k32.c_str()), 0);
    EXPECT_EQ(s_MapFile_OpenMapFile(nullptr, "x"), 0);
    EXPECT_EQ(s_MapFile_MapFilePtr(nullptr), nullptr);
    s_MapFile_CloseMapFile(nullptr, true);
}

TEST_F(SharedBlocks, MappedFilesKeepTheirFileUntilDeleted) {
    MEM_MAPFILE map = {};
    ASSERT_EQ(s_MapFile_CreateMapFile(&map, "Mapped", 5000), 1);
    auto* view = static_cast<unsigned char*>(s_MapFile_MapFilePtr(&map));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[0] | view[4999], 0);  // zero-filled
    view[4999] = 7;
    MEM_MAPFILE other = {};
    ASSERT_EQ(s_MapFile_OpenMapFile(&other, "Mapped"), 1);
    EXPECT_EQ(other.hFile, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(other.pView)[4999], 7);
    s_MapFile_CloseMapFile(&other, true);

    s_MapFile_CloseMapFile(&map, false);
    EXPECT_EQ(map.pView, nullptr);
    EXPECT_EQ(map.hMap, nullptr);
    EXPECT_NE(map.hFile, nullptr);
    s_MapFile_CloseMapFile(&map, true);
    EXPECT_EQ(map.hFile, nullptr);
}

// Child: creates the block that the parent made already, and prints the bytes it finds.
int CreateExistingBlock(const std::vector<std::string>&) {
    short id = s_MapFile_CreateShm("Shared", 16);
    if (id < 0) return 2;
    unsigned char buf[16] = {};
    if (!s_MapFile_ReadShm(id, buf, 16)) return 3;
    std::string text(reinterpret_cast<char*>(buf));
    buf[0] = 'Z';
    s_MapFile_WriteShm(id, buf, 16);
    s_MapFile_CloseShm(id);
    return text == "from parent" ? 0 : 4;
}
const halcyon::test::ChildRole kCreateExisting("create-existing-block", CreateExistingBlock);

TEST_F(SharedBlocks, AnotherProcessCreatingTheSameNameSharesTheBlock) {
    short id = s_MapFile_CreateShm("Shared", 64);
    ASSERT_GE(id, 0);
    unsigned char text[64] = "from parent";
    ASSERT_EQ(s_MapFile_WriteShm(id, text, 64), 1);
    EXPECT_EQ(halcyon::test::WaitChild(halcyon::test::StartChild("create-existing-block")), 0);
    unsigned char back[64] = {};
    s_MapFile_ReadShm(id, back, 64);
    EXPECT_EQ(back[0], 'Z');
    s_MapFile_CloseShm(id);
}

}  // namespace
