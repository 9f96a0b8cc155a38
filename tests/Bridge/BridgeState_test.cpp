// The bridges' journal and cursor are the user's own private files: one another user planted, or
// could have (in a folder others may write), a link, a pipe, one others may read, or one whose
// name differs only in case is never used; the bridge says why and what to do.
#include "BridgeRig.h"
#include "InCursor.h"
#include "OutJournal.h"
#include "StateFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace halcyon::bridge_test {
namespace {

constexpr uid_t kOtherUser = 65534;  // nobody

// A journal of three records taken from the queue that the stream never saw.
std::string PlantedJournal() {
    std::string bytes("HCBOUT01", 8);
    bridge::PutU64(bytes, 99);
    bridge::PutU64(bytes, 1);
    for (std::uint64_t seq = 1; seq <= 3; ++seq) {
        bridge::PutU64(bytes, seq);
        bridge::PutU32(bytes, 0);
        bytes += std::string("\x03\x00", 2) + "BAD";
    }
    return bytes;
}

std::string PlantedCursor() {  // "everything up to 2^40 was written": every record dropped
    std::string bytes("HCBIN001", 8);
    bridge::PutU64(bytes, 1ULL << 40);
    bytes.resize(32, '\0');
    return bytes;
}

std::string Z(const std::string& hostPath) { return "Z:" + hostPath; }

TEST(BridgeState, OnlyTheUsersOwnPrivateStateFilesAreUsed) {
    if (geteuid() != 0) GTEST_SKIP() << "another user's files need root to plant";
    std::string base = MakeBaseFolder(), out;
    ASSERT_EQ(chmod(base.c_str(), 0755), 0);
    const std::string shared = base + "/shared", own = base + "/own";
    ASSERT_EQ(mkdir(shared.c_str(), 0), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);  // as /var/tmp
    ASSERT_EQ(mkdir(own.c_str(), 0700), 0);
    std::ofstream(base + "/journal", std::ios::binary) << PlantedJournal();
    std::ofstream(base + "/cursor", std::ios::binary) << PlantedCursor();
    chmod((base + "/journal").c_str(), 0644);
    chmod((base + "/cursor").c_str(), 0644);
    // The other user plants into the shared folder as the attacker of the finding did.
    std::string plant = "setpriv --reuid=65534 --regid=65534 --clear-groups sh -c 'cp " + base +
                        "/journal " + shared + "/BRIDGE_out_FEED.DAT && cp " + base + "/cursor " +
                        shared + "/BRIDGE_in_FEED.DAT && chmod 666 " + shared + "/*'";
    ASSERT_EQ(std::system(plant.c_str()), 0);
    auto put = [&](const std::string& name, const std::string& from, uid_t owner, mode_t mode) {
        std::ofstream(own + "/" + name, std::ios::binary) << ReadText(base + "/" + from);
        ASSERT_EQ(chown((own + "/" + name).c_str(), owner, owner), 0);
        ASSERT_EQ(chmod((own + "/" + name).c_str(), mode), 0);
    };
    put("theirs.DAT", "journal", kOtherUser, 0600);
    put("open.DAT", "journal", 0, 0644);
    put("mine.DAT", "journal", 0, 0600);
    put("bridge_out_feed.dat", "journal", kOtherUser, 0666);
    ASSERT_EQ(symlink((own + "/mine.DAT").c_str(), (own + "/link.DAT").c_str()), 0);
    ASSERT_EQ(mkfifo((own + "/pipe.DAT").c_str(), 0600), 0);
    const struct {
        std::string path;
        size_t pending;  // the journal's records; npos: refused
    } journals[] = {
        {shared + "/BRIDGE_out_FEED.DAT", std::string::npos},
        {own + "/theirs.DAT", std::string::npos},
        {own + "/open.DAT", std::string::npos},
        {own + "/link.DAT", std::string::npos},
        {own + "/pipe.DAT", std::string::npos},
        {own + "/BRIDGE_OUT_FEED.DAT", 0},  // not the planted bridge_out_feed.dat: a new one
        {own + "/mine.DAT", 3},
    };
    for (const auto& j : journals) {
        bridge::OutJournal journal;
        std::string error;
        bool opened = journal.Open(Z(j.path), error);
        EXPECT_EQ(opened, j.pending != std::string::npos) << j.path << ": " << error;
        if (opened) {
            EXPECT_EQ(journal.Pending().size(), j.pending) << j.path;
        } else {
            EXPECT_NE(error.find("remove it"), std::string::npos) << error;
        }
    }
    bridge::InCursor cursor;
    std::string error;
    EXPECT_FALSE(cursor.Open(Z(shared + "/BRIDGE_in_FEED.DAT"), error)) << "cursor at 2^40 used";
    struct stat st;
    ASSERT_EQ(stat((own + "/BRIDGE_OUT_FEED.DAT").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U) << "a new state file is the user's alone";
    RemoveTree(base);
}

}  // namespace
}  // namespace halcyon::bridge_test
