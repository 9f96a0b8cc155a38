#include "NimbusLog/LogRoot.h"
#include "NimbusLog/LogSupport.h"
#include "support/TestProcess.h"

#include <gtest/gtest.h>

namespace {

TEST(NimbusLogRoot, BinOrSpuInAnyCaseLogBesideTheFolderOthersBelowIt) {
    const struct {
        const char* exe;
        const char* root;
    } cases[] = {
        {"C:\\Nimbus\\BIN\\term.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\sPu\\q.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\BINS\\t.exe", "C:\\Nimbus\\BINS\\LOGS\\"},
        {"C:\\SPU\\Other\\t.exe", "C:\\SPU\\Other\\LOGS\\"},
        {"BIN\\t.exe", "\\LOG\\"},
        {"t.exe", "t.exe\\LOGS\\"},
        {"", "\\LOGS\\"},
    };
    for (const auto& c : cases) EXPECT_STREQ(halcyon::nimbuslog::LogRootOf(c.exe), c.root) << c.exe;
}

// A real process in the child role: writes one system line.
int WriteFromHere(const std::vector<std::string>&) {
    CSystemLog* log = s_NimbusLogGetSystemLogObj("where");
    return log != nullptr && log->Write(0, 1, "here", "") ? 0 : 1;
}
halcyon::test::ChildRole writeFromHere("log-write-here", WriteFromHere);

// The root follows the running program's own file name, which a copy in "bin" changes.
TEST(NimbusLogRoot, ARealExecutableLogsWhereItsFolderSays) {
    namespace os = halcyon::test::os;
    std::string base = halcyon::test::MakeScratchFolder("logroots");
    std::string folder = base + "/bin";
    ASSERT_TRUE(halcyon::test::MakeFolder(folder));
    std::string exe = halcyon::test::PlaceProgram(os::SelfPath(), folder);
    ASSERT_FALSE(exe.empty());
    std::string role = std::string(halcyon::test::kRoleFlag) + "log-write-here";
    EXPECT_EQ(os::RunProgram(exe, {exe, role}, folder), 0);
    EXPECT_TRUE(halcyon::test::IsFolder(base + "/LOG/where/system"));
}

}  // namespace
