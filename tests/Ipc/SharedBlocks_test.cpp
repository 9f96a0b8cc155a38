// SPDX-License-Identifier: Apache-2.0
// Shared-memory blocks and mapped files: whole-block reads and writes, refused arguments, the
// file behind a mapping. (A block shared with other processes: the queue registry's, in every
// queue test with another process.)
#include "Ipc/IpcTestSupport.h"

#include <cstring>
#include <string>

namespace halcyon::test {
namespace {

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
