// The named mutex against std::mutex, the lock a program would otherwise pick within one process.
//
//   pair:     one thread acquires and releases a free mutex (s_MutexWait / s_MutexReset)
//   handoff:  two threads take the same mutex in turns as fast as they can
//
// The named mutex does more than std::mutex: it is shared with other processes, it survives the
// death of its owner (robust), and it belongs to a thread that may take it again. After the runs
// the program prints each named-mutex time as a multiple of the std::mutex time of the same run.
#include <HalcyonCommon.h>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

namespace {

void* g_named = nullptr;
std::mutex g_std;

void StdMutexPair(benchmark::State& state) {
    for (auto _ : state) {
        g_std.lock();
        g_std.unlock();
    }
}

void NamedMutexPair(benchmark::State& state) {
    for (auto _ : state) {
        if (!s_MutexWait(g_named, true)) state.SkipWithError("s_MutexWait failed");
        s_MutexReset(g_named);
    }
}

void StdMutexHandoff(benchmark::State& state) {
    for (auto _ : state) {
        g_std.lock();
        benchmark::ClobberMemory();
        g_std.unlock();
    }
}

void NamedMutexHandoff(benchmark::State& state) {
    for (auto _ : state) {
        if (!s_MutexWait(g_named, true)) state.SkipWithError("s_MutexWait failed");
        benchmark::ClobberMemory();
        s_MutexReset(g_named);
    }
}

BENCHMARK(StdMutexPair);
BENCHMARK(NamedMutexPair);
BENCHMARK(StdMutexHandoff)->Threads(2)->UseRealTime();
BENCHMARK(NamedMutexHandoff)->Threads(2)->UseRealTime();

// Keeps each run's time per iteration so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                nanoseconds_[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const char* what, const char* named, const char* baseline) const {
        auto a = nanoseconds_.find(named);
        auto b = nanoseconds_.find(baseline);
        if (a == nanoseconds_.end() || b == nanoseconds_.end() || b->second <= 0) return;
        std::printf("%-40s %8.2f ns vs %8.2f ns  = %5.2f x std::mutex\n", what, a->second,
                    b->second, a->second / b->second);
    }

  private:
    std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
    // A namespace of the run's own unless the caller chose one.
    std::string folder;
    if (std::getenv("HALCYON_KERNEL_DIR") == nullptr) {
        char pattern[] = "/tmp/halcyon-bench.XXXXXX";
        if (mkdtemp(pattern) != nullptr) {
            folder = pattern;
            setenv("HALCYON_KERNEL_DIR", pattern, 1);
        }
    }
    std::string name = "mutex_bench." + std::to_string(getpid());
    g_named = s_MutexCreate(name.c_str());
    if (g_named == nullptr) {
        std::fprintf(stderr, "mutex_bench: cannot create the named mutex\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    reporter.PrintRatio("uncontended s_MutexWait/s_MutexReset", "NamedMutexPair", "StdMutexPair");
    reporter.PrintRatio("two-thread hand-off", "NamedMutexHandoff", "StdMutexHandoff");
    s_MutexClose(g_named);
    if (!folder.empty()) std::filesystem::remove_all(folder);
    return 0;
}
