// SPDX-License-Identifier: Apache-2.0
// The C runtime's time, listing and token functions at their edges: the range _localtime64_s
// converts, what a listing says of folders and read-only files, remove() and fopen() of a folder,
// and _mbstok with a double-byte delimiter; text and binary streams.
#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

namespace {

using namespace halcyon::test;

TEST(CrtCalls, LocalTimeConvertsItsRangeOnly) {
    // The last second is the runtime's _MAX__TIME64_T and 14 hours, as the stand-in reads the
    // Windows runtime; Wine's stops at 3000-12-31 23:59:59 UTC.
    const std::pair<win::time64_t, int> cases[] = {
        {0, 0}, {-1, EINVAL}, {32536850399LL, 0}, {32536850400LL, EINVAL}};
    for (const auto& [seconds, error] : cases) {
        if (seconds > 0 && !HALCYON_STAND_IN) continue;  // the last two: the stand-in's range
        std::tm tm{};
        EXPECT_EQ(win::_localtime64_s(&tm, &seconds), error) << seconds;
        EXPECT_EQ(tm.tm_year < 0, error != 0) << seconds << ": -1 in every field on failure";
    }
    win::time64_t stored = 0;
    win::time64_t now = win::_time64(&stored);  // read before `stored` is compared
    EXPECT_EQ(now, stored);
    EXPECT_GT(stored, 1700000000);
    EXPECT_EQ(win::_difftime64(stored, stored - 90), 90.0);
}

TEST(CrtCalls, ListingsMarkFoldersAndReadOnlyFilesAndRemoveAndFopenSpareFolders) {
    std::string folder = MakeScratchFolder("crt-find");
    ASSERT_TRUE(MakeFolder(folder + "/Sub"));
    WriteFile(folder + "/ro.txt", "x");
#if HALCYON_STAND_IN  // the stand-in reads the owner's write permission
    ASSERT_EQ(chmod((folder + "/ro.txt").c_str(), 0444), 0);
#endif
    const std::pair<const char*, unsigned> cases[] = {{"Sub", _A_SUBDIR},
                                                      {"ro.txt", HALCYON_STAND_IN ? _A_RDONLY : 0}};
    for (const auto& [name, attribute] : cases) {
        win::_finddata64i32_t data;
        std::intptr_t search =
            win::_findfirst64i32((WindowsPath(folder) + "\\" + name).c_str(), &data);
        ASSERT_NE(search, -1) << name;
        EXPECT_EQ(data.attrib & (_A_SUBDIR | _A_RDONLY), attribute) << name;
        win::_findclose(search);
    }
    std::string sub = WindowsPath(folder) + "\\Sub";
    errno = 0;
    EXPECT_EQ(win::remove(sub.c_str()), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_TRUE(IsFolder(folder + "/Sub"));
    for (const char* mode : {"r", "a"}) {
        EXPECT_EQ(win::fopen(sub.c_str(), mode), nullptr) << mode;
        EXPECT_EQ(errno, EACCES) << mode;
    }
}

#if HALCYON_STAND_IN
// Child: splits a text at the delimiters ",功" (功 is A5 5C) and prints the tokens, each followed
// by "|", then the two bytes where the first delimiter was.
int MbstokRole(const std::vector<std::string>&) {
    char text[] = "one\xA5\x5Ctwo\xA5\x41,three";  // A5 41 shares 功's lead byte only
    auto* delimiters = reinterpret_cast<const unsigned char*>(",\xA5\x5C");
    for (unsigned char* t = win::_mbstok(reinterpret_cast<unsigned char*>(text), delimiters);
         t != nullptr; t = win::_mbstok(nullptr, delimiters)) {
        std::printf("%s|", reinterpret_cast<char*>(t));
    }
    std::printf("%02X %02X\n", text[3] & 0xFF, text[4] & 0xFF);
    return 0;
}
const ChildRole kMbstokRole("crt-mbstok", MbstokRole);
#endif

TEST(CrtCalls, MbstokEndsATokenAtBothBytesOfADoubleByteDelimiter) {
#if HALCYON_STAND_IN
    std::string out;
    ASSERT_EQ(RunCommand("env HALCYON_CODEPAGE=950 " + ChildCommand("crt-mbstok"), out), 0);
    EXPECT_EQ(out, "one|two\xA5\x41|three|00 00\n");
#else
    GTEST_SKIP() << "HALCYON_CODEPAGE is a setting of the Linux stand-in";
#endif
}

TEST(TextMode, TextWritesCrLfAndReadsLfUpToCtrlZBinaryKeepsBytes) {
    std::string folder = halcyon::test::MakeScratchFolder("text");
    std::FILE* f = nullptr;
    ASSERT_EQ(win::fopen_s(&f, WindowsPath(folder + "/t.log").c_str(), "at+"), 0);
    std::setvbuf(f, nullptr, _IONBF, 0);
    std::fputs("one\ntwo\n", f);
    std::fseek(f, 0, SEEK_SET);
    std::fputs("three\n", f);  // append mode: still at the end
    std::fclose(f);
    EXPECT_EQ(ReadFile(folder + "/t.log"), "one\r\ntwo\r\nthree\r\n");

    ASSERT_NE(f = win::fopen(WindowsPath(folder + "/b.bin").c_str(), "a+b"), nullptr);
    std::fputs("x\ny\r\n", f);
    std::fclose(f);
    EXPECT_EQ(ReadFile(folder + "/b.bin"), "x\ny\r\n");

    WriteFile(folder + "/r.txt", "A\r\nB\rC\r\n\x1aZ");
    ASSERT_NE(f = win::fopen(WindowsPath(folder + "/r.txt").c_str(), "r"), nullptr);
    char buf[32] = {};
    size_t n = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buf, n), "A\nB\rC\n");
}

}  // namespace
