// halcyon objects, run as a user would run it while the objects are alive.
#include "Platform/KernelTestSupport.h"
#include "support/TestEnv.h"

namespace halcyon::test {
namespace {

#if !defined(_WIN32)

std::string Tool() { return std::string("'") + HALCYON_TOOL_PATH + "' objects"; }

TEST(KernelObjectsTool, ListsLiveObjectsWithKindSizeHoldersAndOwner) {
    std::string mutex = UniqueName("m");
    std::string section = UniqueName("s");
    win::HANDLE m = win::CreateMutexA(nullptr, TRUE, mutex.c_str());
    win::HANDLE s = win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 5000,
                                            section.c_str());
    std::string out;
    ASSERT_EQ(RunCommand(Tool(), out), 0) << out;
    EXPECT_NE(out.find("folder " + win::posix::KernelDirectory()), std::string::npos) << out;
    std::string pid = std::to_string(getpid());
    EXPECT_NE(out.find("mutex"), std::string::npos) << out;
    std::size_t line = out.find(mutex);
    ASSERT_NE(line, std::string::npos) << out;
    std::string mutexLine =
        out.substr(out.rfind('\n', line) + 1, out.find('\n', line) - out.rfind('\n', line));
    EXPECT_NE(mutexLine.find(" 1 "), std::string::npos) << mutexLine;
    EXPECT_NE(mutexLine.find(pid + "/"), std::string::npos) << mutexLine;
    EXPECT_NE(out.find("5000"), std::string::npos) << out;
    win::ReleaseMutex(m);
    win::CloseHandle(m);
    win::CloseHandle(s);
    ASSERT_EQ(RunCommand(Tool(), out), 0);
    EXPECT_EQ(out.find(mutex), std::string::npos) << "closed objects are gone: " << out;
}

TEST(KernelObjectsTool, HelpAndErrors) {
    std::string out;
    EXPECT_EQ(RunCommand(Tool() + " --help", out), 0);
    EXPECT_NE(out.find("usage: halcyon objects"), std::string::npos);
    EXPECT_EQ(RunCommand(Tool() + " --bogus", out), 2);
    EXPECT_NE(out.find("unexpected argument '--bogus'"), std::string::npos) << out;
    std::string file = MakeScratchFolder("tool") + "/not-a-folder";
    WriteFile(file, "x");
    EXPECT_EQ(RunCommand("HALCYON_KERNEL_DIR='" + file + "' " + Tool(), out), 1);
    EXPECT_NE(out.find("cannot read the folder"), std::string::npos) << out;
}

#endif

}  // namespace
}  // namespace halcyon::test
