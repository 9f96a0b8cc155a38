// Concurrent writers of one INI file, in threads and in processes, and writers killed mid-write.
// That no update is lost and no reader sees half a file is the stand-in's promise; Windows makes
// none, so the tests report themselves skipped there.
#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using halcyon::test::MakeScratchFolder;
using halcyon::test::WriteFile;

const char kStandInOnly[] = "atomic, serialised writes are the stand-in's promise";

const char kSentinel[] = "[Fixed]\r\nSentinel=present\r\n";

std::string Key(const std::string& prefix, int i) { return prefix + "_" + std::to_string(i); }

// Writes keys <prefix>_0 … <prefix>_<count-1> of section S, each to its number.
bool WriteKeys(const std::string& ini, const std::string& prefix, int count) {
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        std::string value = std::to_string(i);
        ok &= win::WritePrivateProfileStringA("S", Key(prefix, i).c_str(), value.c_str(),
                                              ini.c_str()) == TRUE;
    }
    return ok;
}

int MissingKeys(const std::string& ini, const std::string& prefix, int count) {
    int missing = 0;
    for (int i = 0; i < count; ++i) {
        int got = static_cast<int>(
            win::GetPrivateProfileIntA("S", Key(prefix, i).c_str(), -1, ini.c_str()));
        missing += got != i;
    }
    return missing;
}

// Reads the sentinel until `stop`; counts the reads that did not find it.
void ReadSentinel(const std::string& ini, const std::atomic<bool>& stop, std::atomic<int>& bad) {
    char buf[16];
    while (!stop) {
        win::GetPrivateProfileStringA("Fixed", "Sentinel", "gone", buf, sizeof buf, ini.c_str());
        if (std::strcmp(buf, "present") != 0) ++bad;
    }
}

// Child: writes args[2] keys named after args[1] into file args[0].
int WriterRole(const std::vector<std::string>& args) {
    return WriteKeys(args.at(0), args.at(1), std::stoi(args.at(2))) ? 0 : 1;
}
const halcyon::test::ChildRole kWriter("profile-writer", WriterRole);

// Writers in threads of this process and in two other processes at once.
TEST(ProfileConcurrency, ThreadsAndProcessesNeverLoseAnUpdate) {
    if (!HALCYON_STAND_IN) GTEST_SKIP() << kStandInOnly;
    std::string host = MakeScratchFolder("ini-writers") + "/shared.ini";
    std::string ini = halcyon::test::WindowsPath(host);
    WriteFile(host, kSentinel);
    constexpr int kThreads = 4;
    constexpr int kWrites = 40;
    std::atomic<bool> stop{false};
    std::atomic<int> badReads{0};
    std::thread reader(ReadSentinel, std::cref(ini), std::cref(stop), std::ref(badReads));
    std::vector<std::string> prefixes = {"A", "B"};
    std::vector<int> children;
    for (const std::string& p : prefixes)
        children.push_back(
            halcyon::test::StartChild("profile-writer", {ini, p, std::to_string(kWrites)}));
    std::vector<std::thread> writers;
    std::atomic<int> failed{0};
    for (int t = 0; t < kThreads; ++t) {
        prefixes.push_back("T" + std::to_string(t));
        writers.emplace_back(
            [&, prefix = prefixes.back()] { failed += !WriteKeys(ini, prefix, kWrites); });
    }
    for (auto& w : writers) w.join();
    for (int pid : children) EXPECT_EQ(halcyon::test::WaitChild(pid), 0);
    stop = true;
    reader.join();
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(badReads, 0);  // a reader sees the old file or the new one, never a part
    for (const std::string& p : prefixes) EXPECT_EQ(MissingKeys(ini, p, kWrites), 0) << p;
}

// Child: rewrites a large file's counter for ever (until it is killed).
int EndlessWriterRole(const std::vector<std::string>& args) {
    for (long i = 0;; ++i) {
        std::string value = std::to_string(i);
        win::WritePrivateProfileStringA("S", "Counter", value.c_str(), args.at(0).c_str());
    }
}
const halcyon::test::ChildRole kEndless("profile-endless-writer", EndlessWriterRole);

TEST(ProfileConcurrency, AWriterKilledMidWriteLeavesAWholeFile) {
    if (!HALCYON_STAND_IN) GTEST_SKIP() << kStandInOnly;
    std::string host = MakeScratchFolder("ini-killed") + "/big.ini";
    std::string ini = halcyon::test::WindowsPath(host);
    std::string filler(256 * 1024, 'f');  // long enough that kills land inside writes
    WriteFile(host, std::string(kSentinel) + "[Pad]\r\nFiller=" + filler + "\r\n");
    std::mt19937 random(12345);
    char buf[16];
    for (int round = 0; round < 12; ++round) {
        int pid = halcyon::test::StartChild("profile-endless-writer", {ini});
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 30));
        halcyon::test::KillChild(pid);
        win::GetPrivateProfileStringA("Fixed", "Sentinel", "gone", buf, sizeof buf, ini.c_str());
        EXPECT_STREQ(buf, "present") << round;
        EXPECT_EQ(halcyon::test::ReadFile(host).size() > filler.size(), true) << round;
    }
    // The dead writers hold no lock: a write still goes through, and it keeps the file whole.
    ASSERT_TRUE(win::WritePrivateProfileStringA("S", "Counter", "done", ini.c_str()));
    win::GetPrivateProfileStringA("S", "Counter", "", buf, sizeof buf, ini.c_str());
    EXPECT_STREQ(buf, "done");
    std::vector<char> big(filler.size() + 8);
    EXPECT_EQ(win::GetPrivateProfileStringA("Pad", "Filler", "", big.data(),
                                            static_cast<win::DWORD>(big.size()), ini.c_str()),
              filler.size());
}

}  // namespace
