// Bad input for the INI functions: huge files, many lines, binary junk, odd buffer sizes.
#include "Platform/ProfileTestSupport.h"

#include <gtest/gtest.h>

#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using namespace halcyon::test;
using win::DWORD;

// Calls every reading function with every size; true when none overran or broke the size rule.
bool ReadsStayInBounds(const std::string& ini, const std::string& section, const std::string& key) {
    bool clean = true;
    for (DWORD size : {0u, 1u, 2u, 3u, 7u, 64u, 4096u}) {
        Buffer a(size), b(size), c(size), d(size), e(size);
        clean &= a.Clean(win::GetPrivateProfileStringA(section.c_str(), key.c_str(), "def",
                                                       a.data(), size, ini.c_str()));
        clean &= b.Clean(win::GetPrivateProfileStringA(section.c_str(), nullptr, "def", b.data(),
                                                       size, ini.c_str()));
        clean &= c.Clean(
            win::GetPrivateProfileStringA(nullptr, nullptr, "def", c.data(), size, ini.c_str()));
        // Wine crashes on a section buffer of size 0 and writes two NULs into one of size 1.
        if (size > 1 || !UnderWine()) {
            clean &= d.Clean(
                win::GetPrivateProfileSectionA(section.c_str(), d.data(), size, ini.c_str()));
        }
        clean &= e.Clean(win::GetPrivateProfileSectionNamesA(e.data(), size, ini.c_str()));
    }
    win::GetPrivateProfileIntA(section.c_str(), key.c_str(), 5, ini.c_str());
    return clean;
}

std::string RandomBytes(std::mt19937& random, size_t n, const std::string& alphabet) {
    std::string out(n, '\0');
    for (char& c : out) {
        c = alphabet.empty() ? static_cast<char>(random() & 0xFF)
                             : alphabet[random() % alphabet.size()];
    }
    return out;
}

TEST(ProfileJunk, BinaryJunkNeverOverrunsABuffer) {
    std::string host = MakeScratchFolder("junk-binary") + "/junk.ini";
    std::string ini = WindowsPath(host);
    std::mt19937 random(2024);
    const std::string iniBytes = "[]=;\r\n \t\"'abAB\0\xA5\x5C"s;
    for (int round = 0; round < 60; ++round) {
        // Half the rounds from every byte value, half from the bytes that mean something in INI.
        std::string junk = RandomBytes(random, 1 + random() % 3000, round % 2 ? "" : iniBytes);
        WriteFile(host, junk);
        std::string section = RandomBytes(random, random() % 3, "ab[]= \t");
        std::string key = RandomBytes(random, random() % 3, "ab=;\t");
        EXPECT_TRUE(ReadsStayInBounds(ini, section, key)) << round;

#if HALCYON_STAND_IN
        // A write keeps the junk as it is and its value found. (Windows makes no promise for a
        // file of junk; Wine rewrites it from what it parsed.)
        ASSERT_TRUE(win::WritePrivateProfileStringA("Clean", "Key", "value", ini.c_str()));
        char buf[16];
        win::GetPrivateProfileStringA("Clean", "Key", "", buf, sizeof buf, ini.c_str());
        if (junk.find("Clean") == std::string::npos) {
            EXPECT_STREQ(buf, "value") << round;
        }
        EXPECT_EQ(ReadFile(host).compare(0, junk.size(), junk), 0) << round;
#endif
    }
}

TEST(ProfileJunk, HugeValues) {
    std::string folder = MakeScratchFolder("junk-huge");
    std::string longHost = folder + "/long.ini";
    const size_t kLong = 16u << 20;
    WriteFile(longHost, "[S]\r\nK=" + std::string(kLong, 'x') + "\r\n[T]\r\n");
    std::string longIni = WindowsPath(longHost);
    char buf[16];
    EXPECT_EQ(win::GetPrivateProfileStringA("S", "K", "", buf, sizeof buf, longIni.c_str()), 15u);
    EXPECT_EQ(std::string(buf), std::string(15, 'x'));
    ASSERT_TRUE(win::WritePrivateProfileStringA("T", "K", "v", longIni.c_str()));
    EXPECT_EQ(win::GetPrivateProfileStringA("T", "K", "", buf, sizeof buf, longIni.c_str()), 1u);
#if HALCYON_STAND_IN
    struct stat st;
    ASSERT_EQ(stat(longHost.c_str(), &st), 0);
    EXPECT_EQ(static_cast<size_t>(st.st_size), kLong + 19);
#endif
}

TEST(ProfileJunk, PipesAndDevicesAreNotRead) {
#if HALCYON_STAND_IN
    std::string folder = MakeScratchFolder("junk-fifo");
    std::string fifo = folder + "/fifo.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    char buf[8];
    // Neither call may wait for a writer of the pipe.
    EXPECT_EQ(
        win::GetPrivateProfileStringA("S", "K", "d", buf, sizeof buf, WindowsPath(fifo).c_str()),
        1u);
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(win::GetPrivateProfileStringA("S", "K", "d", buf, sizeof buf, "Z:\\dev\\zero"), 1u);
    EXPECT_EQ(win::WritePrivateProfileStringA("S", "K", "v", WindowsPath(fifo).c_str()), FALSE);
    EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
#else
    GTEST_SKIP() << "pipes and devices in place of files are the stand-in's concern";
#endif
}

}  // namespace
