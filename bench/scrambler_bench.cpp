// SPDX-License-Identifier: Apache-2.0
// The block scrambler's speed on single records and on a large buffer, against memcpy (the
// floor: a scrambler cannot be cheaper than copying its bytes) measured in the same run.
//
//     build/<preset>/bench/scrambler_bench
//
// Prints Google Benchmark's table, then each scrambler case as a fraction of memcpy's speed.
#include <HalcyonCommon.h>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const std::vector<long> kSizes = {64, 512, 3000, 1 << 20};

std::vector<unsigned char> Input(long size) {
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    std::mt19937 rng(42);
    for (auto& b : bytes) b = static_cast<unsigned char>(rng());
    return bytes;
}

void Finish(benchmark::State& state, long size) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_Memcpy(benchmark::State& state) {
    long size = state.range(0);
    auto in = Input(size);
    std::vector<unsigned char> out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    Finish(state, size);
}

void BM_Scramble(benchmark::State& state) {
    long size = state.range(0);
    auto in = Input(size);
    std::vector<unsigned char> out(in.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(s_CodingEncode_2(size, in.data(), out.data()));
        benchmark::ClobberMemory();
    }
    Finish(state, size);
}

// Unscrambling changes the last three input bytes; unscrambling the same bytes again in every
// iteration costs the same, so the input is not restored between iterations.
void BM_Unscramble(benchmark::State& state) {
    long size = state.range(0);
    auto plain = Input(size);
    std::vector<unsigned char> in(plain.size()), out(plain.size());
    s_CodingEncode_2(size, plain.data(), in.data());
    for (auto _ : state) {
        benchmark::DoNotOptimize(s_CodingDecode_2(size, in.data(), out.data()));
        benchmark::ClobberMemory();
    }
    Finish(state, size);
}

void BM_ScrambleInPlace(benchmark::State& state) {
    long size = state.range(0);
    auto buf = Input(size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(s_CodingEncode_2(size, buf.data(), buf.data()));
        benchmark::ClobberMemory();
    }
    Finish(state, size);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (long size : kSizes) b->Arg(size);
}

BENCHMARK(BM_Memcpy)->Apply(Sizes);
BENCHMARK(BM_Scramble)->Apply(Sizes);
BENCHMARK(BM_Unscramble)->Apply(Sizes);
BENCHMARK(BM_ScrambleInPlace)->Apply(Sizes);

// The ratios at the end: bytes per second against memcpy's at the same size.
class RatioReporter : public halcyon::bench::SpeedKeeper {
  public:
    void PrintRatios() const {
        std::printf("\nscrambler speed against memcpy (same run)\n");
        std::printf("%-28s %12s %12s %8s\n", "case", "MB/s", "memcpy MB/s", "ratio");
        for (const char* name : {"BM_Scramble", "BM_Unscramble", "BM_ScrambleInPlace"}) {
            for (long size : kSizes) {
                std::string suffix = "/" + std::to_string(size);
                double own = Speed(name + suffix);
                double base = Speed("BM_Memcpy" + suffix);
                if (own <= 0 || base <= 0) continue;
                std::printf("%-28s %12.0f %12.0f %8.3f\n", (name + suffix).c_str(), own / 1e6,
                            base / 1e6, own / base);
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    halcyon::bench::RunInPrivateNamespace(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
