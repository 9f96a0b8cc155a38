#include "NimbusLog/LogRoot.h"
#include "NimbusLog/LogSupport.h"
#include "support/TestProcess.h"

#include <gtest/gtest.h>

namespace {

using halcyon::nimbuslog::LogRootOf;

TEST(NimbusLogRoot, BinOrSpuInAnyCaseLogBesideTheFolderOthersBelowIt) {
    struct Case {
        const char* exe;
        const char* root;
    } cases[] = {
        {"C:\\Nimbus\\BIN\\term.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\bin\\term.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\sPu\\q.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\Tools\\t.exe", "C:\\Nimbus\\Tools\\LOGS\\"},
        {"C:\\Nimbus\\BINS\\t.exe", "C:\\Nimbus\\BINS\\LOGS\\"},
        {"C:\\BIN\\SPU\\t.exe", "C:\\BIN\\LOG\\"},
        {"C:\\SPU\\Other\\t.exe", "C:\\SPU\\Other\\LOGS\\"},
        {"BIN\\t.exe", "\\LOG\\"},
        {"t.exe", "t.exe\\LOGS\\"},
        {"", "\\LOGS\\"},
    };
    for (const Case& c : cases) EXPECT_STREQ(LogRootOf(c.exe), c.root) << c.exe;
}

// A real process in the child role: writes one system line.
int WriteFromHere(const std::vector<std::string>&) {
    CSystemLog* log = s_NimbusLogGetSystemLogObj("where");
    return log != nullptr && log->Write(0, 1, "here", "") ? 0 : 1;
}
halcyon::test::ChildRole writeFromHere("log-write-here", WriteFromHere);

TEST(NimbusLogRoot, RealExecutablesLogWhereTheirFolderSays) {
    namespace os = halcyon::test::os;
    std::string base = halcyon::test::MakeScratchFolder("logroots");
    struct Case {
        const char* folder;
        const char* logs;
    } cases[] = {
        {"/a/bin", "/a/LOG/where/system"},
        {"/c/Tools", "/c/Tools/LOGS/where/system"},
    };
    for (const Case& c : cases) {
        std::string folder = base + c.folder;
        ASSERT_TRUE(halcyon::test::MakeFolder(folder));
        std::string exe = halcyon::test::PlaceProgram(os::SelfPath(), folder);
        ASSERT_FALSE(exe.empty());
        std::string role = std::string(halcyon::test::kRoleFlag) + "log-write-here";
        EXPECT_EQ(os::RunProgram(exe, {exe, role}, folder), 0) << c.folder;
        EXPECT_TRUE(halcyon::test::IsFolder(base + c.logs)) << c.logs;
    }
}

}  // namespace
