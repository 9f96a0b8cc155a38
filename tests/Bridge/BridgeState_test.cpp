// SPDX-License-Identifier: Apache-2.0
// The bridges' journal and cursor are the user's own private files: one another user planted or
// could have (in a folder others may write), a link, a pipe, one others may read, or one whose name
// differs only in case is never used; the bridge says why and what to do.
#include "BridgeRig.h"
#include "InCursor.h"
#include "OutJournal.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <tuple>

namespace halcyon::bridge_test {
namespace {

// A journal of three records the stream never saw, and a cursor past every record (2^40).
std::string Planted(bool journal) {
    std::string bytes(journal ? "HCBOUT01" : "HCBIN001", 8);
    bridge::PutU64(bytes, journal ? 99 : 1ULL << 40);
    if (!journal) return bytes + std::string(16, '\0');
    bridge::PutU64(bytes, 1);
    for (std::uint64_t seq = 1; seq <= 3; ++seq) {
        bridge::PutU64(bytes, seq);
        bridge::PutU32(bytes, 0);
        bytes += std::string("\x03\x00", 2) + "BAD";
    }
    return bytes;
}

TEST(BridgeState, OnlyTheUsersOwnPrivateStateFilesAreUsed) {
    if (geteuid() != 0) GTEST_SKIP() << "another user's files need root to plant";
    const std::string base = MakeBaseFolder(), shared = base + "/shared", own = base + "/own";
    ASSERT_EQ(chmod(base.c_str(), 0755) | mkdir(shared.c_str(), 0) | mkdir(own.c_str(), 0700), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);  // as /var/tmp
    std::ofstream(base + "/j", std::ios::binary) << Planted(true);
    std::ofstream(base + "/c", std::ios::binary) << Planted(false);
    ASSERT_EQ(chmod((base + "/j").c_str(), 0644) | chmod((base + "/c").c_str(), 0644), 0);
    // The other user plants into the shared folder, as the attacker of the finding did.
    const std::string plant = "setpriv --reuid=65534 --regid=65534 --clear-groups sh -c 'cp " +
                              base + "/j " + shared + "/BRIDGE_out_FEED.DAT && cp " + base + "/c " +
                              shared + "/BRIDGE_in_FEED.DAT'";
    ASSERT_EQ(std::system(plant.c_str()), 0);
    for (auto [name, owner, mode] : {std::tuple<const char*, uid_t, mode_t>{"theirs", 65534, 0600},
                                     {"open", 0, 0644},
                                     {"mine", 0, 0600},
                                     {"bridge_out_feed.dat", 65534, 0666}}) {
        std::string path = own + "/" + name;
        std::ofstream(path, std::ios::binary) << Planted(true);
        ASSERT_EQ(chown(path.c_str(), owner, owner) | chmod(path.c_str(), mode), 0) << path;
    }
    ASSERT_EQ(symlink((own + "/mine").c_str(), (own + "/link").c_str()), 0);
    ASSERT_EQ(mkfifo((own + "/pipe").c_str(), 0600), 0);
    const std::pair<std::string, size_t> journals[] = {
        // path, records (npos: refused)
        {shared + "/BRIDGE_out_FEED.DAT", std::string::npos},
        {own + "/theirs", std::string::npos},
        {own + "/open", std::string::npos},
        {own + "/link", std::string::npos},
        {own + "/pipe", std::string::npos},
        {own + "/BRIDGE_OUT_FEED.DAT", 0},  // a new one
        {own + "/mine", 3}};
    for (const auto& [path, records] : journals) {
        bridge::OutJournal journal;
        std::string error;
        bool opened = journal.Open("Z:" + path, error);
        ASSERT_EQ(opened, records != std::string::npos) << path << ": " << error;
        if (opened) {
            EXPECT_EQ(journal.Pending().size(), records) << path;
        } else {
            EXPECT_NE(error.find("remove it"), std::string::npos) << error;
        }
    }
    bridge::InCursor cursor;
    std::string error;
    EXPECT_FALSE(cursor.Open("Z:" + shared + "/BRIDGE_in_FEED.DAT", error)) << "cursor used";
    struct stat st;
    EXPECT_EQ(stat((own + "/BRIDGE_OUT_FEED.DAT").c_str(), &st) == 0 ? st.st_mode & 0777 : 0,
              0600U);
    RemoveTree(base);
}

}  // namespace
}  // namespace halcyon::bridge_test
