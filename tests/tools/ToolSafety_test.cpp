// SPDX-License-Identifier: Apache-2.0
// The halcyon tool in an operator's hands, run as separate processes from an installation of its
// own: output that cannot be written, edits that would damage a file, binary data for a terminal,
// texts in the installation's code page, missing keys, and failures told in the system's words,
// also to a user who is not the installation's owner.
#include "support/OtherUser.h"
#include "support/TestProcess.h"
#include "tools/ToolRuns.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace halcyon::test;

#if HALCYON_STAND_IN

// An installation: the tool in <root>/BIN, the sample data in <root>/SYS, every folder on the way
// open to other users (the root of the test run is private to its user).
struct Installation {
    std::string root;
    std::string tool;
    explicit Installation(const std::string& name) {
        root = "/tmp/halcyon-" + name + "-" + std::to_string(getpid());
        os::RemoveTree(root);
        const std::string data = std::string(HALCYON_SOURCE_DIR) + "/data";
        MakeFolder(root + "/BIN");
        MakeFolder(root + "/SYS/Language");
        for (const char* file : {"Version.ini", "System.INI", "Application.ini", "UserInfo.CFG"})
            WriteFile(root + "/SYS/" + file, ReadFile(data + "/SYS/" + file));
        for (const char* file : {"Language.ini", "English.lng", "SimplifiedChinese.lng"})
            WriteFile(root + "/SYS/Language/" + file, ReadFile(data + "/Language/" + file));
        WriteFile(root + "/SYS/Language/BIG5-GB.TAB", ReadFile(data + "/BIG5-GB.TAB"));
        chmod(root.c_str(), 0755);
        MakeFolder(root + "/TEMP");  // the queues' files
        tool = PlaceProgram(HALCYON_TOOL_PATH, root + "/BIN");
    }
    ~Installation() { os::RemoveTree(root); }
    std::string Run(const std::string& args) const { return "\"" + tool + "\" " + args; }
};

// A second user, when the tests run as root; 0 otherwise.
uid_t OtherUser() { return CanBeOtherUser() ? kOtherUser : 0; }

std::string AsUser(uid_t uid, const std::string& command) {
    const std::string id = std::to_string(uid);
    return "setpriv --reuid=" + id + " --regid=" + id + " --clear-groups sh -c '" + command + "'";
}

TEST(ToolSafety, OutputThatCannotBeWrittenIsAnError) {
    Installation at("output");
    WriteFile(at.root + "/SYS/TimeZone.Ctl", "T,480\n");
    WriteFile(at.root + "/s.ini", "[S]\nk=v\n");
    const std::string commands[] = {"paths",   "tz list",   "date day 20240229",
                                    "appinfo", "lang list", "ini sections " + at.root + "/s.ini",
                                    "--help"};
    for (const std::string& args : commands)
        ExpectRuns({{"(" + at.Run(args) + " > /dev/full)", 1,
                     "halcyon: cannot write standard output: No space left on device"}});
}

TEST(ToolSafety, EditsAndTransformsRefuseWhatWouldDamageAFile) {
    Installation at("edits");
    const std::string ini = at.root + "/t.ini";
    const std::string text = "[S]\r\nk=v\r\n";
    WriteFile(ini, text);
    chmod(ini.c_str(), 0640);
    WriteFile(at.root + "/data", "hello, world");
    WriteFile(at.root + "/empty", "");
    ExpectRuns(
        at.Run(""),
        {{"ini set " + ini + " S k 'a\nb'", 2, "a value holds no line break"},
         {"ini set " + ini + " '' k v", 2, "an empty section name"},
         {"ini set " + ini + " S ' ' v", 2, "an empty key"},
         {"ini set " + ini + " S a=b v", 2, "a key holds no '='"},
         {"pack " + at.root + "/data " + at.root + "/data", 1, "is INPUT itself"},
         {"unscramble " + at.root + "/empty " + at.root + "/out", 1, "0 bytes long; at least 5"}});
    EXPECT_EQ(ReadFile(ini), text);
    EXPECT_EQ(ReadFile(at.root + "/data"), "hello, world");
    EXPECT_FALSE(FileExists(at.root + "/out"));

    // Binary data is not for a terminal (script gives the tool one).
    ExpectRuns({{"script -qec '" + at.Run("pack " + at.root + "/data") + "' /dev/null", 1,
                 "refusing to write binary data to a terminal"}});
    std::string out;

    // A written file keeps its mode; a file its user may not write stays as it is.
    ASSERT_EQ(RunCommand(at.Run("ini set " + ini + " S k w"), out), 0) << out;
    struct stat st;
    ASSERT_EQ(stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    const uid_t other = OtherUser();
    const std::string locked = at.root + "/locked/l.ini";
    MakeFolder(at.root + "/locked");
    WriteFile(locked, text);
    chmod(locked.c_str(), 0444);
    std::string command = at.Run("ini set " + locked + " S k w");
    if (other != 0) {
        ASSERT_EQ(chown((at.root + "/locked").c_str(), other, other), 0);
        ASSERT_EQ(chown(locked.c_str(), other, other), 0);
        command = AsUser(other, command);
    }
    struct stat before;
    ASSERT_EQ(stat(locked.c_str(), &before), 0);
    EXPECT_EQ(RunCommand(command, out), 1) << out;
    EXPECT_NE(out.find("cannot write '" + locked + "': Permission denied"), std::string::npos)
        << out;
    ASSERT_EQ(stat(locked.c_str(), &st), 0);
    EXPECT_EQ(st.st_ino, before.st_ino);
    EXPECT_EQ(ReadFile(locked), text);
}

TEST(ToolSafety, MissingKeysAndTextsForPeople) {
    Installation at("texts");
    WriteFile(at.root + "/k.ini", "[S]\nempty=\nk=v\n");
    const std::string ini = at.root + "/k.ini";
    const std::string account = "\xE8\xB4\xA6\xE5\x8F\xB7\xEF\xBC\x9A";  // 账号： in UTF-8
    const std::string accountGbk = "\xD5\xCB\xBA\xC5\xA3\xBA";           // the same in GBK
    ExpectRuns({
        {at.Run("ini get " + ini + " S k"), 0, "v\n", true},
        {at.Run("ini get " + ini + " S empty"), 0, "\n", true},
        {at.Run("ini get " + ini + " S missing"), 1, ""},
        {at.Run("ini get " + ini + " T k --cached"), 1, ""},
        {at.Run("ini get " + ini + " S missing --default d"), 0, "d\n", true},
        {at.Run("lang get IDS_NOSUCH_KEY"), 1,
         "halcyon lang: no text for key 'IDS_NOSUCH_KEY' in the language file\n", true},
        {at.Run("appinfo") + " | tail -n 1", 0,
         "account         " + accountGbk + " D202612060000004\n", true},
        {"LC_ALL=C.UTF-8 script -qec '" + at.Run("appinfo") + "' /dev/null | tail -n 1", 0,
         "account         " + account + " D202612060000004\r\n", true},
        {"LC_ALL=C.UTF-8 script -qec '" + at.Run("appinfo --raw") + "' /dev/null | tail -n 1", 0,
         "account         " + accountGbk + " D202612060000004\r\n", true},
        {"LC_ALL=C.UTF-8 script -qec '" + at.Run("lang get IDS_BKAPI_STQSYMBOL_STATUS_CLOSE") +
             "' /dev/null",
         0, "\xE6\x94\xB6\xE7\x9B\x98\r\n", true}  // 收盘
    });
}

TEST(ToolSafety, FailuresNameThePathAndTheSystemsReason) {
    Installation at("reasons");
    // A kernel-object folder that others may read is never used: told in words, not a number.
    const std::string open = at.root + "/open-kernel";
    MakeFolder(open);
    chmod(open.c_str(), 0755);
    std::string out;
    EXPECT_EQ(RunCommand("HALCYON_KERNEL_DIR='" + open + "' " + at.Run("objects"), out), 1);
    EXPECT_NE(out.find("cannot read the folder " + open + ": Permission denied (it must be"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("Windows error"), std::string::npos) << out;

    // A user who may not write the installation's logs is told where, why and what to do.
    MakeFolder(at.root + "/LOG");
    chmod((at.root + "/LOG").c_str(), 0755);
    const uid_t other = OtherUser();
    if (other == 0) chmod((at.root + "/LOG").c_str(), 0555);  // not root: a folder of our own
    if (other != 0) {  // its queue's file goes to a TEMP of its own, as the package gives each user
        chown((at.root + "/TEMP").c_str(), other, other);
        chmod((at.root + "/TEMP").c_str(), 0700);
    }
    const std::string demo = at.Run("demo --records 50");
    ASSERT_EQ(RunCommand(other != 0 ? AsUser(other, demo) : demo, out), 0) << out;
    EXPECT_NE(out.find("halcyon demo: road: the summary was not logged: cannot write " + at.root +
                       "/LOG/demo/system/Sdemo_"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(".log: its folder cannot be made (" + at.root + "/LOG belongs to "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("may not write there: run as "), std::string::npos) << out;
}

#else

TEST(ToolSafety, OutputThatCannotBeWrittenIsAnError) {
    GTEST_SKIP() << "the shell pipelines of these tests are POSIX ones";
}

#endif

}  // namespace
