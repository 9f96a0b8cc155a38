// SPDX-License-Identifier: Apache-2.0
// Shared queues against what a program would otherwise use to hand records to another process,
// measured in the same run:
//
// - throughput: records of 64, 512 and 3000 bytes from a producer process to a consumer process
//   through the legacy queue (waiting calls; batch reads; batch writes and reads), the lock-free
//   queue (waiting calls; batches), a pipe whose reader takes one frame per read (the baseline of
//   every ratio), a pipe whose reader takes up to 64 KiB per read, a Unix seqpacket socket, and
//   a minimal lock-free ring of our own with both sides spinning (the floor: what the hardware
//   allows); quiet, and beside two CPU-bound neighbours (one pinned to each CPU) with the
//   producer and the consumer pinned to one CPU, then to two;
// - latency: one-way latency (p50, p99, p99.9) of 64-byte records sent at 20 k and 100 k records
//   a second by a producer that sleeps between them, quiet and loaded, through the queues (with
//   and without a read spin), a pipe and a seqpacket socket;
// - threads: two threads of one process through TQRecQueue and TQByteQueue against a ring under
//   a std::mutex.
//
// Each run is a pair of child processes (this program again, "--child"), started before the
// clock starts. A case runs a warm-up, then rounds in which every contender runs once, in an
// order turned by one each round; runs are sized to last at least 0.25 s. Each round's figures
// are kept and every ratio is taken within a round: the load of a shared machine drifts, and a
// ratio of runs seconds apart would measure the drift. Medians and [min-max] of the rounds are
// printed with the load average before and after each case.
//
// Unless --live is given, the run has a namespace of kernel objects of its own
// (RunInPrivateNamespace in BenchSupport.h), so it never meets a live queue registry.
//
//   queue_bench [--mode all|throughput|latency|threads] [--rounds N] [--seconds S]
//               [--sizes 64,512,3000] [--rates 20000,100000] [--only ID,ID...] [--quiet-only]
//               [--plot FILE.svg] [--live]
#include "BenchSupport.h"
#include "queue/Child.h"
#include "queue/Report.h"
#include "queue/Stats.h"
#include "queue/Threads.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

using namespace halcyon::bench::queue;

namespace {

struct Options {
    Settings settings;
    std::string mode = "all";
    std::string plot;
    bool live = false;
    bool quietOnly = false;
};

template <typename T>
std::vector<T> ListOf(const std::string& text) {
    std::vector<T> out;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        std::istringstream value(item);
        T v;
        if (value >> v) out.push_back(v);
    }
    return out;
}

int Usage(const char* why) {
    std::fprintf(stderr,
                 "queue_bench: %s\nusage: queue_bench [--mode all|throughput|latency|threads] "
                 "[--rounds N>=7] [--seconds S>=0.25] [--sizes 64,512,3000] [--rates 20000,100000] "
                 "[--only ID,...] [--quiet-only] [--plot FILE.svg] [--live]\n",
                 why);
    return 2;
}

bool Parse(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        std::string value = hasValue ? argv[i + 1] : "";
        if (arg == "--live") {
            o.live = true;
        } else if (arg == "--quiet-only") {
            o.quietOnly = true;
        } else if (!hasValue) {
            error = "unknown argument or missing value: " + arg;
            return false;
        } else if (arg == "--mode") {
            o.mode = value, ++i;
        } else if (arg == "--rounds") {
            o.settings.rounds = std::atoi(value.c_str()), ++i;
        } else if (arg == "--seconds") {
            o.settings.roundSeconds = std::atof(value.c_str()), ++i;
        } else if (arg == "--sizes") {
            o.settings.sizes = ListOf<long>(value), ++i;
        } else if (arg == "--rates") {
            o.settings.rates = ListOf<double>(value), ++i;
        } else if (arg == "--only") {
            o.settings.only = ListOf<std::string>(value), ++i;
        } else if (arg == "--plot") {
            o.plot = value, ++i;
        } else {
            error = "unknown argument: " + arg;
            return false;
        }
    }
    if (o.settings.rounds < 7) error = "--rounds must be 7 or more";
    if (o.settings.roundSeconds < kMinRoundSeconds) error = "--seconds must be 0.25 or more";
    if (o.mode != "all" && o.mode != "throughput" && o.mode != "latency" && o.mode != "threads")
        error = "--mode takes all, throughput, latency or threads";
    for (long size : o.settings.sizes) {
        if (size < 8 || size > 3000) error = "--sizes takes sizes of 8 to 3000 bytes";
    }
    for (const std::string& id : o.settings.only) {
        if (FindContender(id) == nullptr) error = "--only: no contender '" + id + "'";
    }
    return error.empty();
}

std::string Self() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string Now() {
    char text[32];
    std::time_t t = std::time(nullptr);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", std::localtime(&t));
    return text;
}

void RunProcesses(const Options& o, const std::string& self, std::vector<CaseRounds>& cases) {
    Runner runner(self, o.live ? "QBENCH_" + std::to_string(getpid()) : "QBENCH");
    auto wanted = [&](const Placement& p) { return !o.quietOnly || p.neighbours == 0; };
    if (o.mode == "all" || o.mode == "throughput") {
        for (const Placement& p : ThroughputPlacements()) {
            if (!wanted(p)) continue;
            for (long size : o.settings.sizes) {
                cases.push_back(RunCase(runner, o.settings, self, "throughput", size, 0, p,
                                        ThroughputContenders()));
                PrintCase(cases.back(), o.settings.rounds);
                std::fflush(stdout);
            }
        }
    }
    if (o.mode == "all" || o.mode == "latency") {
        for (const Placement& p : LatencyPlacements()) {
            if (!wanted(p)) continue;
            for (double rate : o.settings.rates) {
                cases.push_back(
                    RunCase(runner, o.settings, self, "latency", 64, rate, p, LatencyContenders()));
                PrintCase(cases.back(), o.settings.rounds);
                std::fflush(stdout);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--spin") == 0) {
        volatile unsigned long spin = 0;
        for (;;) spin = spin + 1;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--child") == 0) return RunChild(argc - 2, argv + 2);
    Options o;
    std::string error;
    if (!Parse(argc, argv, o, error)) return Usage(error.c_str());
    // Before the first kernel call: the stand-in reads the folder once. The children started
    // below (--child) inherit it.
    halcyon::bench::RunInPrivateNamespace(argc, argv);
    const char* folder = std::getenv("HALCYON_KERNEL_DIR");
    const std::string self = Self();
    std::printf("queue_bench %s, %ld CPUs, %s; kernel objects in %s\n", Now().c_str(),
                sysconf(_SC_NPROCESSORS_ONLN), LoadAverage().c_str(),
                o.live ? "the user's own folder (--live)" : folder);
    std::vector<CaseRounds> cases;
    RunProcesses(o, self, cases);
    if (o.mode == "all" || o.mode == "threads") RunThreads(o.settings);
    if (!cases.empty()) PrintGoals(cases);
    if (!o.plot.empty()) {
        std::string caption = "queue_bench " + Now() + ", " + std::to_string(o.settings.rounds) +
                              " rounds per case; " + LoadAverage() + " at the end";
        if (!WriteChart(cases, o.plot, caption)) {
            std::fprintf(stderr, "queue_bench: cannot write the chart to '%s'\n", o.plot.c_str());
            return 1;
        }
        std::printf("\nchart written to %s\n", o.plot.c_str());
    }
    return 0;
}
