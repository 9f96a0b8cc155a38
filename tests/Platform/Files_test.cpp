// SPDX-License-Identifier: Apache-2.0
// Windows paths on Linux: the host files they reach. (Case, separators, trailing dots and bad
// names, as the file calls answer them: the conformance tables Files and Folders.)
#include "Platform/KernelTestSupport.h"

#include <Platform/Host.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace halcyon::test {
namespace {

#if HALCYON_STAND_IN
// Child: prints the host path of each argument, or "error <code>"; its current folder and the
// drive letters' folders come from the command that starts it.
int TranslateRole(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        std::string host;
        win::DWORD error = 0;
        if (!win::posix::ToHostPath(a.c_str(), host, error))
            host = "error " + std::to_string(error);
        std::printf("%s\n", host.c_str());
    }
    return 0;
}
const ChildRole kTranslate("translate", TranslateRole);
#endif

// Relative paths start at the current folder, here CaseDir; drive C is the folder that holds it.
TEST(PathTranslation, WindowsPathsReachTheFilesThatExist) {
#if HALCYON_STAND_IN
    std::string base = MakeScratchFolder("translate");
    MakeFolder(base + "/CaseDir");
    MakeFolder(base + "/CaseDir/Sub");
    std::string w = WindowsPath(base);
    struct Case {
        std::string in;
        std::string want;
    } cases[] = {
        {w + "\\CaseDir\\.\\Sub\\..\\Sub", base + "/CaseDir/Sub"},
        {"Z:\\..\\..\\tmp", "/tmp"},                  // never above the drive's folder
        {"c:\\..\\CASEDIR\\x", base + "/CaseDir/x"},  // nor above a mapped drive's folder
        {"Q:\\x", "error 3"},                         // unmapped drive
        {"\\\\server\\share", "error 3"},
        {"..\\LOG\\x.log", base + "/LOG/x.log"},
        {"\\etc", base + "/etc"},  // root of the current drive, C:
    };
    std::string command =
        "cd '" + base + "/CaseDir' && HALCYON_DRIVE_C=" + base + "/ " + ChildCommand("translate");
    std::string want, out;
    for (const Case& c : cases) {
        command += " '" + c.in + "'";
        want += c.want + "\n";
    }
    ASSERT_EQ(RunCommand(command, out), 0) << out;
    EXPECT_EQ(out, want);
#else
    GTEST_SKIP() << "translation of paths into host paths is the Linux stand-in's";
#endif
}

}  // namespace
}  // namespace halcyon::test
