// SPDX-License-Identifier: Apache-2.0
// The profile cache (SProfileInfo): its parse rules, numbers and buffers, what it keeps and
// erases, files it cannot read, many threads at once; the s_Config… wrappers.
#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

#include <atomic>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using namespace std::string_literals;
using halcyon::test::MakeScratchFolder;
using halcyon::test::WindowsPath;
using halcyon::test::WriteFile;

const char kDefault[] = "<default>";

std::string Read(const char* section, const char* key, const std::string& file) {
    char buf[256];
    SProfileInfo::GetPrivateProfileStringA(section, key, kDefault, buf, sizeof buf, file.c_str());
    return buf;
}

// A file with `text` in a fresh folder; its Windows name.
std::string MakeFile(const std::string& folder, const std::string& text,
                     const char* name = "p.ini") {
    std::string host = MakeScratchFolder(folder) + "/" + name;
    WriteFile(host, text);
    return WindowsPath(host);
}

// The key lines of every section of a file are kept in one list: in `many`, a key must be found in
// its own section only, with its own value, whichever of the sections of its name a repeated
// header replaced.
TEST(ProfileCache, ParseRules) {
    // 40 sections S0..S39, each with the keys K and Kn (n its number), K's value "v<n>"; then S7
    // again with only J, and a last section T holding K.
    std::string many;
    for (int s = 0; s < 40; ++s) {
        std::string n = std::to_string(s);
        many += "[S" + n + "]\nK=v" + n + "\nK" + n + "=" + n + "\n";
    }
    many += "[s7]\nJ=again\n[T]\nk=t\n";
    // The file, the section and key asked for, and the answer.
    const std::tuple<std::string, const char*, const char*, std::string> cases[] = {
        {"[ main ]\r\nname = Value\r\n", "Main", "Name", "Value"},
        {"a=1\nb=2", nullptr, "b", "2"},
        {"x=1\n[S]\ny=2", "", "X", kDefault},
        {"[S]\nk=1\nk=2", "S", "K", "1"},
        {"[S]\nk=1\n[S]\nj=2", "S", "K", kDefault},
        {"[S]\n;k=1\nk\n=v\nk=\n", "S", "K", ""},
        {"[S]\n=v\n", "S", "", kDefault},
        {"[S]\nb=1\n[T\nb=2\n[U]\nc=3", "U", "B", kDefault},  // lost with the broken header
        {"[S]\nb=1\n[T\nb=2", "", "B", "2"},
        {"[S]\nk=1\0\nj=2"s, "S", "J", kDefault},
        {many, "S39", "K", "v39"},
        {many, "S21", "K22", kDefault},  // another section's own key
        {many, "S7", "K", kDefault},     // replaced by the second S7
        {many, "S7", "J", "again"},
        {many, "T", "K", "t"},
        {many, "S40", "K", kDefault},
    };
    int n = 0;
    for (const auto& [text, section, key, want] : cases) {
        std::string file = MakeFile("cache-rules", text, ("c" + std::to_string(n++)).c_str());
        EXPECT_EQ(Read(section, key, file), want) << "case " << n;
    }
}

TEST(ProfileCache, NumbersAndBuffers) {
    const std::pair<const char*, unsigned int> numbers[] = {
        {"0x10", 0}, {"-5", 4294967291u},          {"12abc", 12},
        {"", 0},     {"99999999999", 2147483647u}, {"-99999999999", 2147483648u},
    };
    std::string text = "[N]\ntext=ABCDEFG\n";
    for (size_t i = 0; i < std::size(numbers); ++i)
        text += "n" + std::to_string(i) + "=" + numbers[i].first + "\n";
    std::string file = MakeFile("cache-numbers", text);
    for (size_t i = 0; i < std::size(numbers); ++i) {
        std::string key = "n" + std::to_string(i);
        EXPECT_EQ(SProfileInfo::GetPrivateProfileIntA("n", key.c_str(), -1, file.c_str()),
                  numbers[i].second)
            << numbers[i].first;
    }
    EXPECT_EQ(SProfileInfo::GetPrivateProfileIntA("n", "missing", -1, file.c_str()), 4294967295u);
    const std::tuple<const char*, unsigned long, std::string> buffers[] = {
        {"text", 4, "ABC\0"s}, {"text", 1, "\0"s}, {"text", 0, ""}, {"none", 3, "<d\0"s}};
    for (const auto& [key, size, want] : buffers) {  // `want`: the bytes written
        std::string buf(16, '~');
        unsigned long n =
            SProfileInfo::GetPrivateProfileStringA("N", key, kDefault, &buf[0], size, file.c_str());
        EXPECT_EQ(buf.substr(0, buf.find('~')), want) << size;
        EXPECT_EQ(n, want.empty() ? 0 : want.size() - 1);
    }
}

// A file read once is not read again until erased, a missing one stays missing, and EraseObj
// matches the path without regard to case.
TEST(ProfileCache, EntriesLiveUntilErased) {
    std::string host = MakeScratchFolder("cache-erase") + "/Late.ini";
    std::string file = WindowsPath(host);
    std::string upper = std::string(CString(file.c_str()).MakeUpper());
    EXPECT_EQ(Read("S", "K", file), kDefault);
    WriteFile(host, "[S]\nK=1\n");
    EXPECT_EQ(Read("S", "K", file), kDefault);  // the failure is remembered
    EXPECT_EQ(Read("S", "K", upper), "1");      // another spelling, another entry
    SProfileInfo::EraseObj(upper.c_str());      // erases both
    WriteFile(host, "[S]\nK=2\n");
    EXPECT_EQ(Read("S", "K", file), "2");
    WriteFile(host, "[S]\nK=3\n");
    SProfileInfo::EraseObj((file + "x").c_str());
    SProfileInfo::EraseObj(nullptr);
    EXPECT_EQ(Read("S", "K", file), "2");
    SProfileInfo::EraseAll();
    EXPECT_EQ(Read("S", "K", file), "3");
}

TEST(ProfileCache, FilesThatCannotBeReadAndOddFiles) {
    std::string folder = MakeScratchFolder("cache-bad");
    WriteFile(folder + "/long.ini", "[L]\nk=" + std::string(1 << 20, 'v') + "\n[M]\nk=end\n");
    EXPECT_EQ(Read("S", "K", WindowsPath(folder)), kDefault);
    EXPECT_EQ(SProfileInfo::GetPrivateProfileIntA("S", "K", 5, nullptr), 5u);
    EXPECT_EQ(Read("M", "K", WindowsPath(folder + "/long.ini")), "end");
    EXPECT_EQ(Read("L", "K", WindowsPath(folder + "/long.ini")), std::string(255, 'v'));
#if HALCYON_STAND_IN
    // A pipe where the file should be: refused at once, never waited on.
    ASSERT_EQ(mkfifo((folder + "/fifo.ini").c_str(), 0600), 0);
    EXPECT_EQ(Read("S", "K", WindowsPath(folder + "/fifo.ini")), kDefault);
    EXPECT_FALSE(s_FileCheckFileExist(WindowsPath(folder + "/fifo.ini").c_str()));
#endif
    // The file is read without sharing: while another handle may write it, it is not read.
    std::string file = MakeFile("cache-open", "[S]\nK=found\n");
    win::HANDLE holder = win::CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Read("S", "K", file), kDefault);
    win::CloseHandle(holder);
    SProfileInfo::EraseObj(file.c_str());
    EXPECT_EQ(Read("S", "K", file), "found");
}

TEST(ProfileCacheThreads, ReadersSeeWholeValuesWhileEntriesAreErased) {
    std::vector<std::string> files;
    for (int f = 0; f < 4; ++f) {
        std::string text = "[S]\n";
        for (int k = 0; k < 50; ++k)
            text += "K" + std::to_string(k) + "=" + std::to_string(f * 100 + k) + "\n";
        files.push_back(MakeFile("cache-threads-" + std::to_string(f), text));
    }
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::thread eraser([&] {
        for (int i = 0; !stop; ++i) {
            if (i % 8 == 0) SProfileInfo::EraseAll();
            SProfileInfo::EraseObj(files[i % 4].c_str());
            std::this_thread::yield();
        }
    });
    std::vector<std::thread> readers;
    for (int r = 0; r < 4; ++r) {
        readers.emplace_back([&, r] {
            for (int i = 0; i < 4000; ++i) {
                int f = (i + r) % 4, k = (i * 13 + r) % 50;
                std::string key = "k" + std::to_string(k);
                unsigned n =
                    SProfileInfo::GetPrivateProfileIntA("s", key.c_str(), -1, files[f].c_str());
                wrong += n != static_cast<unsigned>(f * 100 + k);
            }
        });
    }
    for (auto& t : readers) t.join();
    stop = true;
    eraser.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(ConfigProfile, WrappersRefuseNullsAndReachThePlatform) {
    std::string host = MakeScratchFolder("config-wrappers") + "/w.ini";
    std::string file = WindowsPath(host);
    const char* f = file.c_str();
    EXPECT_EQ(s_ConfigReadProfileInt("S", "K", 11, nullptr), 11u);
    EXPECT_EQ(s_ConfigWriteProfileInt("S", nullptr, 1, f), 0);
    EXPECT_EQ(s_ConfigWriteProfileString("S", "K", nullptr, f), 0);
    EXPECT_FALSE(halcyon::test::FileExists(host));
    EXPECT_NE(s_ConfigWriteProfileInt("S", "N", -7, f), 0);
    EXPECT_NE(s_ConfigWriteProfileString("T", "V", "text", f), 0);
    EXPECT_EQ(halcyon::test::ReadFile(host), "[S]\r\nN=-7\r\n[T]\r\nV=text\r\n");
    std::string buf(16, '~');
    EXPECT_EQ(s_ConfigReadProfileString("T", "V", nullptr, &buf[0], 16, f), 0u);
    EXPECT_EQ(s_ConfigProfileSectionNames(&buf[0], 16, nullptr), 0u);
    EXPECT_EQ(buf, std::string(16, '~'));
    EXPECT_EQ(s_ConfigProfileSectionNames(&buf[0], 16, f), 4u);
    EXPECT_TRUE(s_FileCheckFileExist(f));
    EXPECT_FALSE(s_FileCheckFileExist(WindowsPath(MakeScratchFolder("config-exist")).c_str()));
    EXPECT_FALSE(s_FileCheckFileExist(nullptr));
}

}  // namespace
