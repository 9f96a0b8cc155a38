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
        {"C:\\Nimbus\\Bin\\term.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\SPU\\q.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\sPu\\q.exe", "C:\\Nimbus\\LOG\\"},
        {"C:\\Nimbus\\Tools\\t.exe", "C:\\Nimbus\\Tools\\LOGS\\"},
        {"C:\\Nimbus\\BINS\\t.exe", "C:\\Nimbus\\BINS\\LOGS\\"},
        {"C:\\Nimbus\\xBIN\\t.exe", "C:\\Nimbus\\xBIN\\LOGS\\"},
        {"C:\\BIN\\SPU\\t.exe", "C:\\BIN\\LOG\\"},
        {"C:\\SPU\\Other\\t.exe", "C:\\SPU\\Other\\LOGS\\"},
        {"C:\\t.exe", "C:\\LOGS\\"},
        {"BIN\\t.exe", "\\LOG\\"},
        {"t.exe", "t.exe\\LOGS\\"},
        {"", "\\LOGS\\"},
    };
    for (const Case& c : cases) EXPECT_STREQ(LogRootOf(c.exe), c.root) << c.exe;
}

// A real process in the child role: writes one system line and prints the log's folder.
int WriteFromHere(const std::vector<std::string>&) {
    CSystemLog* log = s_NimbusLogGetSystemLogObj("where");
    if (log == nullptr || !log->Write(0, 1, "here", "")) return 1;
    std::printf("%s\n", static_cast<const char*>(log->GetLogFile()->GetFolder()));
    return 0;
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
        {"/b/Spu", "/b/LOG/where/system"},
        {"/c/Tools", "/c/Tools/LOGS/where/system"},
    };
    for (const Case& c : cases) {
        std::string folder = base + c.folder;
        ASSERT_TRUE(halcyon::test::MakeFolder(folder));
        std::string exe = halcyon::test::PlaceProgram(os::SelfPath(), folder);
        ASSERT_FALSE(exe.empty());
        std::string role = std::string(halcyon::test::kRoleFlag) + "log-write-here";
        EXPECT_EQ(os::RunProgram(exe, {exe, role}, folder), 0) << c.folder;
        std::string logs = base + c.logs;
        EXPECT_TRUE(halcyon::test::IsFolder(logs)) << logs;
        int files = 0;
        win::_finddata64i32_t found;
        std::intptr_t search = win::_findfirst64i32(
            (halcyon::test::WindowsPath(logs) + "\\Swhere_*.log").c_str(), &found);
        if (search != -1) {
            do ++files;
            while (win::_findnext64i32(search, &found) == 0);
            win::_findclose(search);
        }
        EXPECT_EQ(files, 1) << logs;
    }
}

}  // namespace
