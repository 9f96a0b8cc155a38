#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using halcyon::test::ReadFile;
using halcyon::test::WindowsPath;
using halcyon::test::WriteFile;

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

TEST(TextMode, BadArgumentsFail) {
    std::FILE* f = reinterpret_cast<std::FILE*>(1);
    EXPECT_NE(win::fopen_s(&f, nullptr, "r"), 0);
#if HALCYON_STAND_IN  // Windows' runtimes leave *pFile as it was when the name is null
    EXPECT_EQ(f, nullptr);
#endif
    EXPECT_NE(win::fopen_s(nullptr, "x", "r"), 0);
    EXPECT_NE(win::fopen_s(&f, "x", "q"), 0);
    EXPECT_EQ(win::fopen("Z:\\no\\such\\dir\\f", "r"), nullptr);
    EXPECT_EQ(win::fopen("bad|name", "w"), nullptr);
}

}  // namespace
