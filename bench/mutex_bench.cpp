// SPDX-License-Identifier: Apache-2.0
// The named mutex against std::mutex, the lock a program would otherwise pick within one process.
//
//   pair:     one thread acquires and releases a free mutex (s_MutexWait / s_MutexReset)
//   handoff:  two threads take the same mutex in turns as fast as they can (the named mutex
//             watches a taken mutex for some tens of microseconds before it sleeps, which queues
//             gain from; here the two threads then trade the mutex back and forth where
//             std::mutex lets one thread sleep and the other run on alone)
//
// The named mutex does more than std::mutex: it is shared with other processes, it survives the
// death of its owner (robust), and it belongs to a thread that may take it again. A robust,
// process-shared pthread mutex, the other way to get that, is measured too. After the runs the
// program prints each time as a multiple of the std::mutex time of the same run.
//
// The runs take place with a second, idle thread in the process, as in every terminal module:
// while a process has a single thread, the C library takes a private mutex without an atomic
// instruction, which no lock shared between processes can do. That single-threaded std::mutex
// time is measured first and printed for reference.
#include <HalcyonCommon.h>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

void* g_named = nullptr;
std::mutex g_std;
pthread_mutex_t* g_robust = nullptr;

// A robust, process-shared pthread mutex in shared memory.
pthread_mutex_t* MakeRobustMutex() {
    void* memory = mmap(nullptr, sizeof(pthread_mutex_t), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
    auto* mutex = static_cast<pthread_mutex_t*>(memory);
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
    pthread_mutex_init(mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    return mutex;
}

void RobustPthreadPair(benchmark::State& state) {
    for (auto _ : state) {
        pthread_mutex_trylock(g_robust);
        pthread_mutex_unlock(g_robust);
    }
}

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
BENCHMARK(RobustPthreadPair);
BENCHMARK(NamedMutexPair);
BENCHMARK(StdMutexHandoff)->Threads(2)->UseRealTime();
BENCHMARK(NamedMutexHandoff)->Threads(2)->UseRealTime();

// The ratios at the end: wall-clock and CPU time per iteration against a baseline's.
class RatioReporter : public halcyon::bench::TimeKeeper {
  public:
    void PrintRatio(const char* what, const char* named, const char* baseline) const {
        PrintRatioTo(what, named, *this, baseline);
    }

    // Against a baseline another reporter kept.
    void PrintRatioTo(const char* what, const char* named, const RatioReporter& other,
                      const char* baseline) const {
        const Times* a = Find(named);
        const Times* b = other.Find(baseline);
        if (a == nullptr || b == nullptr || b->real <= 0 || b->cpu <= 0) return;
        std::printf("%-40s real %7.2f / %7.2f ns = %5.2f x   cpu %7.2f / %7.2f ns = %5.2f x\n",
                    what, a->real, b->real, a->real / b->real, a->cpu, b->cpu, a->cpu / b->cpu);
    }
};

}  // namespace

int main(int argc, char** argv) {
    halcyon::bench::RunInPrivateNamespace(argc, argv);
    std::string name = "mutex_bench." + std::to_string(getpid());
    g_named = s_MutexCreate(name.c_str());
    g_robust = MakeRobustMutex();
    if (g_named == nullptr || g_robust == nullptr) {
        std::fprintf(stderr, "mutex_bench: cannot create the named mutex\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter single;
    std::printf("while the process has one thread:\n");
    benchmark::RunSpecifiedBenchmarks(&single, "StdMutexPair");
    halcyon::bench::IdleThread idle;
    std::printf("\nwith a second, idle thread:\n");
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nagainst std::mutex in the same run (with two threads):\n");
    reporter.PrintRatio("uncontended s_MutexWait/s_MutexReset", "NamedMutexPair", "StdMutexPair");
    reporter.PrintRatio("  robust pthread mutex", "RobustPthreadPair", "StdMutexPair");
    reporter.PrintRatio("two-thread hand-off", "NamedMutexHandoff", "StdMutexHandoff");
    std::printf("against std::mutex while the process had one thread:\n");
    reporter.PrintRatioTo("uncontended s_MutexWait/s_MutexReset", "NamedMutexPair", single,
                          "StdMutexPair");
    s_MutexClose(g_named);
    return 0;
}
