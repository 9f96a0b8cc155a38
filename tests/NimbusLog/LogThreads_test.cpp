#include "NimbusLog/LogSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using halcyon::test::DayFileOf;
using halcyon::test::LinesOf;

// Threads writing one log through the registry: every line arrives whole, once, and each
// thread's lines in the order it wrote them. Long texts make a torn line likely if the lock
// did not hold across the formatting and the flush.
TEST(NimbusLogThreads, LinesOfManyThreadsNeverMixOrGetLost) {
    constexpr int kThreads = 4;
    constexpr int kLines = 1500;
    const std::string padding(300, 'p');
    std::vector<std::thread> writers;
    std::vector<CSystemLog*> seen(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            seen[t] = s_NimbusLogGetSystemLogObj("threads");
            std::string name = "thread" + std::to_string(t);
            for (int i = 0; i < kLines; ++i) {
                if (!seen[t]->Write(t, i, name.c_str(), padding.c_str())) return;
            }
        });
    }
    for (std::thread& w : writers) w.join();
    for (CSystemLog* log : seen) ASSERT_EQ(log, seen[0]);

    bool whole = false;
    std::vector<std::string> lines = LinesOf(DayFileOf(seen[0]->GetLogFile()), whole);
    EXPECT_TRUE(whole);
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    const char* levels[] = {"INFO    ", "WARNING ", "MEDIUM  ", "HIGH    "};
    std::vector<int> next(kThreads, 0);
    for (const std::string& line : lines) {
        size_t at = line.find("\tthread");
        ASSERT_TRUE(line.size() > 13 && at != std::string::npos) << line;
        int t = line[at + 7] - '0';
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        std::string expected = std::string(levels[t]) + "\t" + std::to_string(next[t]++) +
                               "\tthread" + std::to_string(t) + "\t" + padding;
        EXPECT_EQ(line.substr(13), expected);
    }
}

}  // namespace
