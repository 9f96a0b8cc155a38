// The profile cache (SProfileInfo): its parse rules, the buffer and number rules, what it keeps
// and erases, files it cannot read, and many threads at once; the s_Config… wrappers.
#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;
using halcyon::test::MakeScratchFolder;
using halcyon::test::WindowsPath;
using halcyon::test::WriteFile;

const char kMissing[] = "<default>";

std::string Read(const char* section, const char* key, const std::string& file) {
    char buf[256];
    SProfileInfo::GetPrivateProfileStringA(section, key, kMissing, buf, sizeof buf, file.c_str());
    return buf;
}

// Writes each case's file under its own name and returns the names (Windows form).
std::vector<std::string> MakeFiles(const char* folder, const std::vector<std::string>& texts) {
    std::string host = MakeScratchFolder(folder);
    std::vector<std::string> names;
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string path = host + "/case" + std::to_string(i) + ".ini";
        WriteFile(path, texts[i]);
        names.push_back(WindowsPath(path));
    }
    return names;
}

TEST(ProfileCache, ParseRules) {
    struct Case {
        std::string file;
        const char* section;
        const char* key;
        std::string want;  // kMissing: the default
    } cases[] = {
        {"[ main ]\r\nname = Value\r\n", "Main", "Name", "Value"},
        {"a=1\nb=2", "", "A", "1"},
        {"a=1\nb=2", nullptr, "b", "2"},
        {"x=1\n[S]\ny=2", "S", "Y", "2"},
        {"x=1\n[S]\ny=2", "", "X", kMissing},
        {"x=1\n[S]\ny=2", "S", "X", kMissing},
        {"[S]\nk=1\nk=2", "S", "K", "1"},
        {"[S]\nk=1\n[S]\nj=2", "S", "J", "2"},
        {"[S]\nk=1\n[S]\nj=2", "S", "K", kMissing},
        {"[S]\n;k=1\nk\n=v\nk=\n", "S", "K", ""},
        {"[S]\n;k=1\n", "S", ";K", kMissing},
        {"[S]\n=v\n", "S", "", kMissing},
        {"[S]\nk=\"q\" \r\n", "S", "k", "\"q\""},
        {"[S]\nk=v ;c\n", "S", "k", "v ;c"},
        {"[s]\nKey=MiXeD\n", " S ", " key\t", "MiXeD"},
        {"  [Sec One]  \r\n\t Key One =  Val  ue  \r\n", "sec one", "KEY ONE", "Val  ue"},
        {"[S] tail\nk=1", "S", "K", "1"},
        {"[a]b]\nk=1", "A", "K", "1"},
        {"[a]b]\nk=1", "a]b", "K", kMissing},
        {"[S]\nb=1\n[T\nb=2\n[U]\nc=3", "S", "B", "1"},
        {"[S]\nb=1\n[T\nb=2\n[U]\nc=3", "T", "B", kMissing},
        {"[S]\nb=1\n[T\nb=2\n[U]\nc=3", "U", "C", "3"},
        {"[S]\nb=1\n[T\nb=2\n[U]\nc=3", "", "B", kMissing},
        {"[S]\nb=1\n[T\nb=2", "", "B", "2"},
        {"[]\nk=1", "", "K", "1"},
        {"[S]\n[\nk=1", "S", "K", "1"},
        {"[S]\nk=1\0\nj=2"s, "S", "K", "1"},
        {"[S]\nk=1\0\nj=2"s, "S", "J", kMissing},
        {"[S]\rk=1\r", "S", "K", kMissing},
        {"[S]\n\n\n\nk=x=y\n", "S", "K", "x=y"},
        {"[S]\nk\t=\t\n", "S", "K", ""},
        {"", "", "", kMissing},
    };
    std::vector<std::string> texts;
    for (const Case& c : cases) texts.push_back(c.file);
    std::vector<std::string> files = MakeFiles("cache-rules", texts);
    for (size_t i = 0; i < files.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(Read(c.section, c.key, files[i]), c.want) << "case " << i;
    }
}

TEST(ProfileCache, NumbersAreReadAsAtolReadsThem) {
    std::string file = MakeFiles("cache-numbers", {"[N]\nhex=0x10\nneg=-5\nmix=12abc\nempty=\n"
                                                   "plus= +7\nbig=99999999999\n"
                                                   "small=-99999999999\nword=abc\n"})[0];
    struct Case {
        const char* key;
        unsigned int want;
    } cases[] = {
        {"hex", 0},
        {"neg", 4294967291u},
        {"mix", 12},
        {"empty", 0},
        {"plus", 7},
        {"big", INT32_MAX},
        {"small", 2147483648u},
        {"word", 0},
        {"missing", 4294967295u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SProfileInfo::GetPrivateProfileIntA("n", c.key, -1, file.c_str()), c.want)
            << c.key;
    }
    EXPECT_EQ(SProfileInfo::GetPrivateProfileIntA("none", "hex", 9, file.c_str()), 9u);
}

TEST(ProfileCache, BufferIsNeverWrittenPastItsSize) {
    std::string file = MakeFiles("cache-buffer", {"[S]\nk=ABCDEFG\n"})[0];
    struct Case {
        const char* key;
        const char* def;
        unsigned long size;
        std::string want;  // the bytes written, terminator included
        unsigned long ret;
    } cases[] = {
        {"k", "d", 4, "ABC\0"s, 3}, {"k", "d", 8, "ABCDEFG\0"s, 7},     {"k", "d", 1, "\0"s, 0},
        {"k", "d", 0, "", 0},       {"x", "defaults", 5, "defa\0"s, 4}, {"x", nullptr, 5, "\0"s, 0},
    };
    for (const Case& c : cases) {
        std::string buf(32, '~');
        unsigned long ret = SProfileInfo::GetPrivateProfileStringA("S", c.key, c.def, &buf[0],
                                                                   c.size, file.c_str());
        EXPECT_EQ(ret, c.ret) << c.size;
        EXPECT_EQ(buf.substr(0, buf.find_last_not_of('~') + 1), c.want) << c.size;
    }
    EXPECT_EQ(SProfileInfo::GetPrivateProfileStringA("S", "k", "d", nullptr, 8, file.c_str()), 0u);
}

// What the cache keeps: a file read once is not read again until it is erased, a missing file
// stays missing, and EraseObj matches the path without regard to case.
TEST(ProfileCache, EntriesLiveUntilErased) {
    std::string host = MakeScratchFolder("cache-erase") + "/Late.ini";
    std::string file = WindowsPath(host);
    std::string upper = file;
    for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    ASSERT_NE(upper, file);

    EXPECT_EQ(Read("S", "K", file), kMissing);
    WriteFile(host, "[S]\nK=1\n");
    EXPECT_EQ(Read("S", "K", file), kMissing);  // the failure is remembered
    EXPECT_EQ(Read("S", "K", upper), "1");      // another spelling is another entry
    SProfileInfo::EraseObj(upper.c_str());      // …which erases the entries of every spelling
    WriteFile(host, "[S]\nK=2\n");
    EXPECT_EQ(Read("S", "K", file), "2");
    EXPECT_EQ(Read("S", "K", upper), "2");
    WriteFile(host, "[S]\nK=3\n");
    SProfileInfo::EraseObj((file + "x").c_str());  // another file: nothing changes
    SProfileInfo::EraseObj(nullptr);
    EXPECT_EQ(Read("S", "K", file), "2");
    SProfileInfo::EraseAll();
    EXPECT_EQ(Read("S", "K", file), "3");
}

TEST(ProfileCache, FilesThatCannotBeReadGiveTheDefaults) {
    std::string folder = MakeScratchFolder("cache-bad");
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += static_cast<char>(1 + (i * 7919) % 255);
    WriteFile(folder + "/junk.ini", junk + "\n[J]\nk=after junk\n");
    WriteFile(folder + "/long.ini", "[L]\nk=" + std::string(1 << 20, 'v') + "\n[L2]\nk=end\n");
    EXPECT_EQ(Read("S", "K", WindowsPath(folder)), kMissing);  // a folder
    EXPECT_EQ(Read("S", "K", ""), kMissing);
    EXPECT_EQ(Read("S", "K", WindowsPath(folder) + "\\missing\\x.ini"), kMissing);
    EXPECT_EQ(SProfileInfo::GetPrivateProfileIntA("S", "K", 5, nullptr), 5u);
    EXPECT_EQ(Read("J", "K", WindowsPath(folder + "/junk.ini")), "after junk");
    EXPECT_EQ(Read("L2", "K", WindowsPath(folder + "/long.ini")), "end");
    EXPECT_EQ(Read("L", "K", WindowsPath(folder + "/long.ini")), std::string(255, 'v'));
}

// The file is opened by its upper-cased name, which must reach a file whose name has small
// letters, and without sharing: while another handle holds it the read fails.
TEST(ProfileCache, FileIsOpenedUpperCasedAndWithoutSharing) {
    std::string host = MakeScratchFolder("cache-open") + "/lower.ini";
    WriteFile(host, "[S]\nK=found\n");
    std::string file = WindowsPath(host);
    EXPECT_EQ(Read("S", "K", file), "found");

    SProfileInfo::EraseAll();
    win::HANDLE holder = win::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    win::HANDLE probe = win::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        win::CloseHandle(probe);
        win::CloseHandle(holder);
        GTEST_SKIP() << "this platform layer does not enforce share modes yet";
    }
    EXPECT_EQ(Read("S", "K", file), kMissing);
    win::CloseHandle(holder);
    EXPECT_EQ(Read("S", "K", file), kMissing);  // remembered until erased
    SProfileInfo::EraseObj(file.c_str());
    EXPECT_EQ(Read("S", "K", file), "found");
}

TEST(ProfileCacheThreads, ReadersSeeWholeValuesWhileEntriesAreErased) {
    constexpr int kFiles = 4;
    constexpr int kReaders = 4;
    std::string folder = MakeScratchFolder("cache-threads");
    std::vector<std::string> files;
    for (int f = 0; f < kFiles; ++f) {
        std::string text;
        for (int s = 0; s < 20; ++s) {
            text += "[S" + std::to_string(s) + "]\n";
            for (int k = 0; k < 20; ++k) {
                text +=
                    "K" + std::to_string(k) + "=" + std::to_string(f * 10000 + s * 100 + k) + "\n";
            }
        }
        files.push_back(WindowsPath(folder + "/f" + std::to_string(f) + ".ini"));
        WriteFile(folder + "/f" + std::to_string(f) + ".ini", text);
    }
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int r = 0; r < kReaders; ++r) {
        threads.emplace_back([&, r] {
            for (int i = 0; i < 4000; ++i) {
                int f = (i + r) % kFiles;
                int s = (i * 7) % 20;
                int k = (i * 13 + r) % 20;
                std::string section = "s" + std::to_string(s);
                std::string key = "k" + std::to_string(k);
                unsigned int got = SProfileInfo::GetPrivateProfileIntA(section.c_str(), key.c_str(),
                                                                       -1, files[f].c_str());
                if (got != static_cast<unsigned int>(f * 10000 + s * 100 + k)) ++wrong;
            }
        });
    }
    std::thread eraser([&] {
        for (int i = 0; !stop; ++i) {
            if (i % 8 == 0) {
                SProfileInfo::EraseAll();
            } else {
                SProfileInfo::EraseObj(files[i % kFiles].c_str());
            }
            std::this_thread::yield();
        }
    });
    for (auto& t : threads) t.join();
    stop = true;
    eraser.join();
    EXPECT_EQ(wrong.load(), 0);
}

// Child: in code page 950 (Big5), the cache's answers for names whose characters have the trail
// bytes ']' and 'a'.
int CacheBig5Role(const std::vector<std::string>& args) {
#if HALCYON_STAND_IN
    setenv("HALCYON_CODEPAGE", "950", 1);
#endif
    const char* queries[][2] = {
        {"X\xA5]y", "K"}, {"X\xA5", "K"}, {"S", "\xA5\x61"}, {"S", "\xA5\x41"}};
    char buf[64];
    for (auto& q : queries) {
        SProfileInfo::GetPrivateProfileStringA(q[0], q[1], "-", buf, sizeof buf,
                                               args.at(0).c_str());
        std::printf("%s|", buf);
    }
    std::printf("\n");
    return 0;
}
const halcyon::test::ChildRole kCacheBig5("profile-cache-big5", CacheBig5Role);

TEST(ProfileCache, DoubleByteNamesInBig5) {
#if HALCYON_STAND_IN
    // "]" after \xA5 is the character's trail byte: the header's name runs to the next "]"; the
    // trail byte "a" of "\xA5\x61" is not upper-cased, so the key differs from "\xA5\x41".
    std::string file = MakeFiles("cache-big5", {"[x\xA5]y]\nk=xy\n[S]\n\xA5\x61=lower\n"})[0];
    std::string out;
    ASSERT_EQ(halcyon::test::RunCommand(
                  halcyon::test::ChildCommand("profile-cache-big5") + " '" + file + "'", out),
              0);
    EXPECT_EQ(out, "xy|-|lower|-|\n");
#else
    GTEST_SKIP() << "HALCYON_CODEPAGE is a setting of the Linux stand-in";
#endif
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
    EXPECT_EQ(s_ConfigReadProfileInt("s", "n", 0, f), static_cast<unsigned int>(-7));

    std::string buf(16, '~');
    EXPECT_EQ(s_ConfigReadProfileString("T", "V", nullptr, &buf[0], 16, f), 0u);
    EXPECT_EQ(s_ConfigReadProfileString("T", "V", "d", &buf[0], 0, f), 0u);
    EXPECT_EQ(buf, std::string(16, '~'));
    EXPECT_EQ(s_ConfigReadProfileString("T", "V", "d", &buf[0], 16, f), 4u);
    EXPECT_STREQ(buf.c_str(), "text");
    EXPECT_EQ(s_ConfigProfileSectionNames(&buf[0], 16, nullptr), 0u);
    EXPECT_EQ(s_ConfigProfileSectionNames(&buf[0], 16, f), 4u);
    EXPECT_EQ(buf.substr(0, 5), "S\0T\0\0"s);

    // The cache does not see the platform's writes until the entry is erased.
    EXPECT_EQ(Read("T", "V", file), "text");
    s_ConfigWriteProfileString("T", "V", "changed", f);
    EXPECT_EQ(Read("T", "V", file), "text");
    SProfileInfo::EraseObj(f);
    EXPECT_EQ(Read("T", "V", file), "changed");
}

TEST(ConfigProfile, FileCheckIsFalseForFoldersAndMissingFiles) {
    std::string folder = MakeScratchFolder("config-exist");
    WriteFile(folder + "/f.ini", "x");
    EXPECT_TRUE(s_FileCheckFileExist(WindowsPath(folder + "/f.ini").c_str()));
    EXPECT_FALSE(s_FileCheckFileExist(WindowsPath(folder).c_str()));
    EXPECT_FALSE(s_FileCheckFileExist(WindowsPath(folder + "/none.ini").c_str()));
    EXPECT_FALSE(s_FileCheckFileExist(""));
    EXPECT_FALSE(s_FileCheckFileExist(nullptr));
}

}  // namespace
