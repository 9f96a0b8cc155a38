// SPDX-License-Identifier: Apache-2.0
// The profile cache (SProfileInfo) on a generated 1 MB INI file of 200 sections of 50 keys,
// against what a program would otherwise use, all in the same run:
//
//   parse:  the first read of the file through the cache (read and parse), against SimpleIni's
//           LoadFile, the C++ INI library people pick for an INI file held in memory
//   lookup: a cached read of one key (SProfileInfo::GetPrivateProfileStringA), against a plain
//           std::unordered_map<std::string, std::string> lookup of the same keys (the bare hash
//           table, holding "section\nkey" as its key), SimpleIni's GetValue, and the platform's
//           GetPrivateProfileStringA, which reads the file on every call. The reads cycle
//           through 4096 random keys of the file (/4096: the data mostly comes from memory, not
//           from the processor's caches) or through 16 (/16: a module reading its few settings
//           over and over)
//
//     build/<preset>/bench/profile_bench
//
// Each lookup copies the value into the caller's buffer. The runs take place with a second,
// idle thread in the process, as in every terminal module, so that locks cost what they cost
// there. After Google Benchmark's table the program prints each time as a multiple of its
// baseline's time, from wall-clock and from CPU time.
#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#if HALCYON_HAVE_SIMPLEINI
#define SI_NO_CONVERSION  // 8-bit text as it stands, as the cache keeps it
#include <SimpleIni.h>
#endif

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kSections = 200;
constexpr int kKeys = 50;
constexpr size_t kQueries = 4096;  // a power of two
constexpr unsigned long kBufferSize = 256;

std::string g_file;  // host path, which the library takes as a path on drive Z:
std::vector<std::pair<std::string, std::string>> g_queries;  // section, key
std::vector<std::string> g_mapKeys;                          // "section\nkey"
std::unordered_map<std::string, std::string> g_map;

std::string SectionName(int s) { return "Section_" + std::to_string(s); }
std::string KeyName(int k) { return "Key_" + std::to_string(k); }

// Writes the file (about 1 MB) and fills the hash table with the same keys and values.
bool MakeFile(const std::string& path) {
    std::mt19937 rng(42);
    std::string text;
    for (int s = 0; s < kSections; ++s) {
        text += "[" + SectionName(s) + "]\r\n";
        for (int k = 0; k < kKeys; ++k) {
            std::string value;
            size_t length = 60 + rng() % 60;
            for (size_t i = 0; i < length; ++i) value += static_cast<char>('a' + rng() % 26);
            text += KeyName(k) + "=" + value + "\r\n";
            g_map[SectionName(s) + "\n" + KeyName(k)] = value;
        }
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

void MakeQueries() {
    std::mt19937 rng(7);
    for (size_t i = 0; i < kQueries; ++i) {
        std::string section = SectionName(static_cast<int>(rng() % kSections));
        std::string key = KeyName(static_cast<int>(rng() % kKeys));
        g_mapKeys.push_back(section + "\n" + key);
        g_queries.emplace_back(section, key);
    }
}

unsigned long CopyOut(const std::string& value, char* buf) {
    unsigned long n = std::min<unsigned long>(value.size(), kBufferSize - 1);
    std::memcpy(buf, value.data(), n);
    buf[n] = '\0';
    return n;
}

void CacheParse(benchmark::State& state) {
    char buf[kBufferSize];
    for (auto _ : state) {
        SProfileInfo::EraseObj(g_file.c_str());
        benchmark::DoNotOptimize(SProfileInfo::GetPrivateProfileStringA(
            "Section_0", "Key_0", "", buf, kBufferSize, g_file.c_str()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(g_file)));
}

void CacheLookup(benchmark::State& state) {
    char buf[kBufferSize];
    size_t i = 0;
    const auto mask = static_cast<size_t>(state.range(0) - 1);
    SProfileInfo::GetPrivateProfileStringA("", "", "", buf, kBufferSize, g_file.c_str());
    for (auto _ : state) {
        const auto& q = g_queries[i++ & mask];
        benchmark::DoNotOptimize(SProfileInfo::GetPrivateProfileStringA(
            q.first.c_str(), q.second.c_str(), "", buf, kBufferSize, g_file.c_str()));
    }
}

void HashMapLookup(benchmark::State& state) {
    char buf[kBufferSize];
    size_t i = 0;
    const auto mask = static_cast<size_t>(state.range(0) - 1);
    for (auto _ : state) {
        auto found = g_map.find(g_mapKeys[i++ & mask]);
        benchmark::DoNotOptimize(found == g_map.end() ? 0 : CopyOut(found->second, buf));
    }
}

void PlatformLookup(benchmark::State& state) {
    char buf[kBufferSize];
    size_t i = 0;
    const auto mask = static_cast<size_t>(state.range(0) - 1);
    for (auto _ : state) {
        const auto& q = g_queries[i++ & mask];
        benchmark::DoNotOptimize(win::GetPrivateProfileStringA(
            q.first.c_str(), q.second.c_str(), "", buf, kBufferSize, g_file.c_str()));
    }
}

#if HALCYON_HAVE_SIMPLEINI
void SimpleIniParse(benchmark::State& state) {
    for (auto _ : state) {
        CSimpleIniA ini;
        if (ini.LoadFile(g_file.c_str()) != SI_OK) state.SkipWithError("LoadFile failed");
        benchmark::DoNotOptimize(ini.GetValue("Section_0", "Key_0", ""));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(g_file)));
}

void SimpleIniLookup(benchmark::State& state) {
    CSimpleIniA ini;
    if (ini.LoadFile(g_file.c_str()) != SI_OK) state.SkipWithError("LoadFile failed");
    char buf[kBufferSize];
    size_t i = 0;
    const auto mask = static_cast<size_t>(state.range(0) - 1);
    for (auto _ : state) {
        const auto& q = g_queries[i++ & mask];
        const char* value = ini.GetValue(q.first.c_str(), q.second.c_str(), "");
        size_t n = std::min<size_t>(std::strlen(value), kBufferSize - 1);
        std::memcpy(buf, value, n);
        buf[n] = '\0';
        benchmark::DoNotOptimize(buf);
    }
}

BENCHMARK(SimpleIniParse)->Unit(benchmark::kMillisecond);
BENCHMARK(SimpleIniLookup)->Arg(kQueries)->Arg(16);
#endif

BENCHMARK(CacheParse)->Unit(benchmark::kMillisecond);
BENCHMARK(CacheLookup)->Arg(kQueries)->Arg(16);
BENCHMARK(HashMapLookup)->Arg(kQueries)->Arg(16);
BENCHMARK(PlatformLookup)->Arg(kQueries);

// The ratios at the end: how many times faster one benchmark is than another.
class RatioReporter : public halcyon::bench::TimeKeeper {
  public:
    // How many times faster `own` is than `baseline` (above 1: faster), from the times in the
    // benchmarks' own units, which the two share.
    void PrintSpeedup(const char* what, const char* own, const char* baseline) const {
        const Times* a = Find(own);
        const Times* b = Find(baseline);
        if (a == nullptr || b == nullptr || a->real <= 0 || a->cpu <= 0) return;
        std::printf("%-52s real %8.2f x   cpu %8.2f x\n", what, b->real / a->real, b->cpu / a->cpu);
    }
};

}  // namespace

int main(int argc, char** argv) {
    halcyon::bench::RunInPrivateNamespace(argc, argv);
    char folder[] = "/tmp/halcyon-profile-bench.XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::fprintf(stderr, "profile_bench: cannot make a scratch folder\n");
        return 1;
    }
    g_file = std::string(folder) + "/bench.ini";
    if (!MakeFile(g_file)) {
        std::fprintf(stderr, "profile_bench: cannot write %s\n", g_file.c_str());
        return 1;
    }
    MakeQueries();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    halcyon::bench::IdleThread idle;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf(
        "\nspeed-up of the cache against each baseline, same run (above 1: the cache is "
        "faster)\n");
    reporter.PrintSpeedup("parse: against SimpleIni LoadFile", "CacheParse", "SimpleIniParse");
    for (const char* keys : {"/4096", "/16"}) {
        std::string cache = std::string("CacheLookup") + keys;
        std::printf("lookup, cycling through %s keys:\n", keys + 1);
        reporter.PrintSpeedup("  against std::unordered_map", cache.c_str(),
                              (std::string("HashMapLookup") + keys).c_str());
        reporter.PrintSpeedup("  against SimpleIni GetValue", cache.c_str(),
                              (std::string("SimpleIniLookup") + keys).c_str());
    }
    reporter.PrintSpeedup("lookup: against the platform's GetPrivateProfileStringA",
                          "CacheLookup/4096", "PlatformLookup/4096");
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    return 0;
}
