// SPDX-License-Identifier: Apache-2.0
// Reading INI files: the last error a read leaves where Windows does not document it (the
// stand-in's choice), and bad input: pipes and devices in place of files. The parsing and buffer
// rules are the conformance table Profiles'; junk files and every buffer size are the INI fuzz
// target's.
#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

#include <string>

namespace {

using namespace std::string_literals;
using namespace halcyon::test;

TEST(ProfileRead, LastErrorTellsFoundFromMissing) {
#if HALCYON_STAND_IN
    std::string host = MakeScratchFolder("read-error");
    std::string ini = WindowsPath(host) + "\\test.ini", fifo = WindowsPath(host) + "\\fifo.ini";
    WriteFile(host + "/test.ini", "[S]\r\nK=value\r\n");
    ASSERT_EQ(mkfifo((host + "/fifo.ini").c_str(), 0644), 0);
    const struct {
        const char *section, *key, *def;
        win::DWORD size;
        std::string want;  // the bytes the call writes
        win::DWORD ret, error;
        std::string path;
    } cases[] = {
        {"S", "K", "", 3, "va\0"s, 2, ERROR_INSUFFICIENT_BUFFER, ini},
        // A cut default keeps the reason.
        {"S", "X", "dflt", 1, "\0"s, 0, ERROR_FILE_NOT_FOUND, ini},
        {"X", nullptr, "", 8, "\0"s, 0, ERROR_FILE_NOT_FOUND, ini},
        {"S", "K", "d", 8, "d\0"s, 1, ERROR_ACCESS_DENIED, fifo},
        {"S", "K", "d", 8, "d\0"s, 1, ERROR_ACCESS_DENIED, "Z:\\dev\\zero"},
    };
    for (const auto& c : cases) {
        std::string buf(c.size + 16, '~');  // guard bytes behind the caller's buffer
        win::SetLastError(12345);
        EXPECT_EQ(win::GetPrivateProfileStringA(c.section, c.key, c.def, buf.data(), c.size,
                                                c.path.c_str()),
                  c.ret)
            << &c - cases;
        buf.erase(buf.find_last_not_of('~') + 1);  // every byte up to the last one written
        EXPECT_EQ(buf, c.want) << &c - cases;
        EXPECT_EQ(win::GetLastError(), c.error) << &c - cases;
    }
    EXPECT_EQ(win::WritePrivateProfileStringA("S", "K", "v", fifo.c_str()), FALSE);
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
#else
    GTEST_SKIP() << "the stand-in's choice of last error, and host pipes";
#endif
}

}  // namespace
