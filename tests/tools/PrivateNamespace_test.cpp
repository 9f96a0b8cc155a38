// SPDX-License-Identifier: Apache-2.0
// The demonstration and the benchmarks keep to a namespace of named objects of their own: run
// beside a live queue host, they leave its queues as they were, make nothing in the session's
// namespace, and remove their private folder at the end.
#include "tools/ToolRuns.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#if HALCYON_STAND_IN
#include <sys/stat.h>
#endif

namespace {

using namespace halcyon::test;

#if HALCYON_STAND_IN

// True when folder `folder` holds an entry whose name starts with `prefix` ("" for any).
bool Holds(const std::string& folder, const std::string& prefix) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) return true;
    return false;
}

TEST(PrivateNamespace, DemoAndBenchmarksLeaveTheSessionAlone) {
    // The session: this run's kernel folder, with a live host; the private folders are made in
    // a runtime folder of the test's own, which must be empty again after each program.
    const char* kernel = std::getenv("HALCYON_KERNEL_DIR");
    ASSERT_NE(kernel, nullptr);
    const std::string runtime = MakeScratchFolder("runtime");
    ASSERT_EQ(chmod(runtime.c_str(), 0700), 0);
    QueueHost host("KEEP --size 4");
    std::string out;
    ASSERT_EQ(RunCommand("printf 'k1\\nk2\\n' | " + ToolCommand("queue push KEEP"), out), 0) << out;

    const std::string bench = HALCYON_BENCH_DIR;
    const struct {
        std::string program;  // "" for the tool
        std::string args;
        const char* mark;  // an object the program makes, never to be seen in the session
    } runs[] = {
        {"", "demo --records 2000", "HALCYON_DEMO"},
        // Its named mutex lives as long as the benchmark runs.
        {bench + "/mutex_bench", "--benchmark_filter=NamedMutexPair --benchmark_min_time=0.5",
         "mutex_bench."},
        // The bridge's benchmark owns a registry and two queues from the start (the session has
        // its own registry, so the queue list below is what tells).
        {bench + "/bridge_bench", "--benchmark_list_tests", nullptr},
        // With no record sizes it measures nothing: it starts, prints its heading and ends.
        {bench + "/queue_bench", "--mode throughput --sizes ''", nullptr},
    };
    for (const auto& run : runs) {
        if (!run.program.empty() && !FileExists(run.program)) continue;  // not built here
        const std::string command =
            "XDG_RUNTIME_DIR='" + runtime + "' " +
            (run.program.empty() ? ToolCommand(run.args) : "'" + run.program + "' " + run.args);
        const std::string done = runtime + "/../done";
        std::remove(done.c_str());
        RunCommand("(" + command + " > /dev/null 2>&1; echo $? > '" + done + "') &", out);
        bool seen = false;
        while (!FileExists(done)) {
            seen = seen || (run.mark != nullptr && Holds(kernel, run.mark));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(ReadFile(done), "0\n") << command;
        EXPECT_FALSE(seen) << command << " made " << run.mark << " in the session's namespace";
        EXPECT_FALSE(Holds(runtime, "")) << command << " left its private folder";
        std::string listed;
        RunCommand(ToolCommand("queue list --wait-owner 0"), listed);
        EXPECT_NE(listed.find("  0  KEEP\n"), std::string::npos) << "after " << command;
        EXPECT_EQ(listed.find("HALCYON_DEMO"), std::string::npos) << "after " << command;
    }
    EXPECT_EQ(RunCommand(ToolCommand("queue pop KEEP"), out), 0);
    EXPECT_EQ(out, "k1\nk2\n");
}

#else

TEST(PrivateNamespace, DemoAndBenchmarksLeaveTheSessionAlone) {
    GTEST_SKIP() << "Windows keeps its named objects itself: there is no private folder";
}

#endif

}  // namespace
