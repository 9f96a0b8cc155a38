// SPDX-License-Identifier: Apache-2.0
// Speed of the LZ/Huffman codec (s_CodingEncode / s_CodingDecode) against a straightforward
// implementation of the same algorithm (tests/support/LzhReference.h), with memcpy and zlib level 6
// from the same run as context:
//   Stream/<op>/<impl>/<corpus>   MB/s over a whole corpus (English text, market-data CSV)
//   Record/<op>/<impl>/<bytes>    calls per second on single records of 64, 512 and 3000 bytes
// After the runs it prints the library's speed (CPU time, which other load on the machine
// disturbs least; the median of the repetitions when --benchmark_repetitions is given) as a
// multiple of the straightforward one (goal: 3x for encoding, 2x for decoding). Before them it
// checks that both produce the same streams.
//
//   build/<dir>/bench/codec_bench [--benchmark_min_time=1] [--benchmark_filter=Stream]
//       [--benchmark_repetitions=3 --benchmark_enable_random_interleaving=true]
//
// On a machine shared with other work, repetitions taken in random order let the library and
// the straightforward implementation see the same load, and the medians steady the ratios.
//
// English text: the licence texts of /usr/share/common-licenses (regular files, name order),
// repeated to 1 MiB; a generated text stands in when the folder is missing.
#include <HalcyonCommon/Coding.h>

#include "../tests/support/LzhReference.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>
#if defined(HALCYON_HAVE_ZLIB)
#include <zlib.h>
#endif

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<char>;
constexpr size_t kCorpusSize = 1 << 20;

Bytes RepeatTo(const std::string& text, size_t size) {
    Bytes out;
    while (out.size() < size) out.insert(out.end(), text.begin(), text.end());
    out.resize(size);
    return out;
}

std::string GeneratedText() {
    static const char* const kWords[] = {
        "the",      "of",       "and",  "to",     "a",      "in",         "that",
        "is",       "for",      "it",   "as",     "with",   "be",         "on",
        "not",      "this",     "by",   "are",    "or",     "from",       "at",
        "which",    "but",      "have", "an",     "market", "price",      "order",
        "terminal", "exchange", "data", "record", "stream", "time",       "program",
        "license",  "software", "copy", "work",   "terms",  "conditions", "source"};
    std::mt19937 rng(7);
    std::string text;
    while (text.size() < kCorpusSize) {
        int words = 6 + static_cast<int>(rng() % 14);
        for (int w = 0; w < words; ++w) {
            std::string word = kWords[std::min<size_t>(rng() % 48, std::size(kWords) - 1)];
            if (w == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
            text += word;
            text += w + 1 < words ? " " : ".\n";
        }
    }
    return text;
}

Bytes EnglishText() {
    const char* folder = "/usr/share/common-licenses";
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder)) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_type == DT_REG) names.push_back(entry->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::string text;
    for (const auto& name : names) {
        std::ifstream in(std::string(folder) + "/" + name, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        text += all.str();
    }
    if (text.empty()) {
        std::fprintf(stderr, "note: %s missing; English text is generated\n", folder);
        text = GeneratedText();
    }
    return RepeatTo(text, kCorpusSize);
}

// Tick records as the terminal's feeds carry them: date, time, symbol, market, bid, ask, last,
// volume, side.
Bytes MarketCsv() {
    static const char* const kSymbols[] = {"2330", "2317", "2454", "0050", "TXFA4", "MXFA4",
                                           "1301", "2882", "6505", "2412", "3008",  "2303"};
    std::mt19937 rng(42);
    std::vector<double> prices(std::size(kSymbols));
    for (auto& p : prices) p = 20 + rng() % 900;
    std::string csv;
    unsigned ms = 9 * 3600 * 1000;
    while (csv.size() < kCorpusSize) {
        size_t s = rng() % std::size(kSymbols);
        prices[s] = std::max(1.0, prices[s] + (static_cast<int>(rng() % 11) - 5) * 0.05);
        ms += rng() % 400;
        char line[160];
        double last = prices[s];
        std::snprintf(line, sizeof line, "20240105,%02u%02u%02u.%03u,%s,TW,%.2f,%.2f,%.2f,%u,%c\n",
                      ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000, kSymbols[s],
                      last - 0.05, last + 0.05, last, 1 + static_cast<unsigned>(rng() % 50) * 10,
                      rng() % 2 ? 'B' : 'S');
        csv += line;
    }
    return RepeatTo(csv, kCorpusSize);
}

const Bytes& Corpus(int which) {
    static const Bytes text = EnglishText(), csv = MarketCsv();
    return which == 0 ? text : csv;
}

const char* CorpusName(int which) { return which == 0 ? "text" : "csv"; }

struct Codec {
    const char* name;
    long (*encode)(const char*, long, char*, long);
    long (*decode)(const char*, long, char*, long);
};

long LibraryEncode(const char* in, long n, char* out, long size) {
    return s_CodingEncode(const_cast<char*>(in), n, out, size);
}
long LibraryDecode(const char* in, long n, char* out, long size) {
    return s_CodingDecode(const_cast<char*>(in), n, out, size);
}

const Codec kLibrary{"library", LibraryEncode, LibraryDecode};
const Codec kReference{"straightforward", lzh_reference::Encode, lzh_reference::Decode};

Bytes EncodeWith(const Codec& codec, const Bytes& in) {
    Bytes out(in.size() * 3 + 64);
    long n = codec.encode(in.data(), static_cast<long>(in.size()), out.data(),
                          static_cast<long>(out.size()));
    if (n < 0) {
        std::fprintf(stderr, "%s: encode failed (%ld)\n", codec.name, n);
        std::exit(1);
    }
    out.resize(static_cast<size_t>(n));
    return out;
}

// Records of one size, cut from the CSV at varied offsets so that no two are alike.
std::vector<Bytes> Records(size_t size) {
    const Bytes& csv = Corpus(1);
    std::vector<Bytes> records;
    for (size_t k = 0; k < 64; ++k) {
        size_t at = (k * 16411) % (csv.size() - size);
        records.emplace_back(csv.begin() + static_cast<long>(at),
                             csv.begin() + static_cast<long>(at + size));
    }
    return records;
}

void StreamEncode(benchmark::State& state, const Codec* codec, int corpus) {
    const Bytes& in = Corpus(corpus);
    Bytes out(in.size() * 3 + 64);
    for (auto _ : state) {
        long n = codec->encode(in.data(), static_cast<long>(in.size()), out.data(),
                               static_cast<long>(out.size()));
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

void StreamDecode(benchmark::State& state, const Codec* codec, int corpus) {
    const Bytes& plain = Corpus(corpus);
    Bytes in = EncodeWith(kLibrary, plain), out(plain.size());
    for (auto _ : state) {
        long n = codec->decode(in.data(), static_cast<long>(in.size()), out.data(),
                               static_cast<long>(out.size()));
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * plain.size()));
}

void RecordEncode(benchmark::State& state, const Codec* codec, size_t size) {
    std::vector<Bytes> records = Records(size);
    Bytes out(size * 3 + 64);
    size_t k = 0;
    for (auto _ : state) {
        const Bytes& in = records[k++ & 63];
        long n = codec->encode(in.data(), static_cast<long>(in.size()), out.data(),
                               static_cast<long>(out.size()));
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void RecordDecode(benchmark::State& state, const Codec* codec, size_t size) {
    std::vector<Bytes> streams;
    for (const Bytes& record : Records(size)) streams.push_back(EncodeWith(kLibrary, record));
    Bytes out(size);
    size_t k = 0;
    for (auto _ : state) {
        const Bytes& in = streams[k++ & 63];
        long n = codec->decode(in.data(), static_cast<long>(in.size()), out.data(),
                               static_cast<long>(out.size()));
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void StreamMemcpy(benchmark::State& state, int corpus) {
    const Bytes& in = Corpus(corpus);
    Bytes out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

#if defined(HALCYON_HAVE_ZLIB)
void ZlibCompress(const Bytes& in, Bytes& out) {
    uLongf n = static_cast<uLongf>(out.size());
    compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(in.data()),
              static_cast<uLong>(in.size()), 6);
    out.resize(n);
}

void ZlibEncode(benchmark::State& state, const std::vector<Bytes>& inputs, bool perCall) {
    size_t k = 0, bytes = 0;
    Bytes out;
    for (auto _ : state) {
        const Bytes& in = inputs[k++ % inputs.size()];
        out.resize(compressBound(static_cast<uLong>(in.size())));
        ZlibCompress(in, out);
        bytes += in.size();
    }
    if (perCall)
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    else
        state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void ZlibDecode(benchmark::State& state, const std::vector<Bytes>& inputs, bool perCall) {
    std::vector<Bytes> packed;
    for (const Bytes& in : inputs) {
        Bytes out(compressBound(static_cast<uLong>(in.size())));
        ZlibCompress(in, out);
        packed.push_back(out);
    }
    size_t k = 0, bytes = 0;
    Bytes out;
    for (auto _ : state) {
        size_t i = k++ % inputs.size();
        out.resize(inputs[i].size());
        uLongf n = static_cast<uLongf>(out.size());
        uncompress(reinterpret_cast<Bytef*>(out.data()), &n,
                   reinterpret_cast<const Bytef*>(packed[i].data()),
                   static_cast<uLong>(packed[i].size()));
        bytes += n;
    }
    if (perCall)
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    else
        state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
#endif

// Prints, after the usual table, each library figure as a multiple of the straightforward one.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            // By the name the benchmark was registered with: one entry per repetition, or the
            // median of the repetitions when only aggregates are reported.
            const std::string& name = run.run_name.function_name;
            names_.insert(name);
            if (run.run_type == Run::RT_Iteration)
                times_[name].push_back(run.GetAdjustedCPUTime());
            else if (run.aggregate_name == "median")
                medians_[name] = run.GetAdjustedCPUTime();
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nlibrary speed as a multiple of the straightforward implementation\n");
        for (const std::string& name : names_) {
            std::string reference = name;
            size_t at = reference.find("/library/");
            if (at == std::string::npos) continue;
            reference.replace(at, 9, "/straightforward/");
            if (!Measured(name) || !Measured(reference)) continue;
            double ratio = Typical(reference) / Typical(name);
            double goal = name.find("Encode") != std::string::npos ? 3.0 : 2.0;
            std::printf("  %-32s %6.2fx  (goal %.0fx: %s)\n", name.c_str(), ratio, goal,
                        ratio >= goal ? "met" : "NOT met");
        }
    }

  private:
    bool Measured(const std::string& name) const {
        return medians_.count(name) != 0 || times_.count(name) != 0;
    }

    // The CPU time of one iteration of the benchmark `name`, which has been measured.
    double Typical(const std::string& name) const {
        auto median = medians_.find(name);
        if (median != medians_.end()) return median->second;
        std::vector<double> values = times_.at(name);
        std::sort(values.begin(), values.end());
        size_t n = values.size();
        return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    }

    std::set<std::string> names_;
    std::map<std::string, std::vector<double>> times_;
    std::map<std::string, double> medians_;
};

// The library must write the straightforward implementation's streams, byte for byte.
void CheckSameStreams() {
    std::vector<Bytes> inputs = {Corpus(0), Corpus(1)};
    for (size_t size : {64, 512, 3000})
        for (const Bytes& record : Records(size)) inputs.push_back(record);
    for (const Bytes& in : inputs) {
        if (EncodeWith(kLibrary, in) != EncodeWith(kReference, in)) {
            std::fprintf(stderr,
                         "codec_bench: the library's stream differs from the "
                         "straightforward implementation's; figures withheld\n");
            std::exit(1);
        }
    }
}

void Register() {
    for (int corpus = 0; corpus < 2; ++corpus) {
        std::string c = CorpusName(corpus);
        for (const Codec* codec : {&kLibrary, &kReference}) {
            std::string n = codec->name;
            benchmark::RegisterBenchmark(("Stream/Encode/" + n + "/" + c).c_str(), StreamEncode,
                                         codec, corpus);
            benchmark::RegisterBenchmark(("Stream/Decode/" + n + "/" + c).c_str(), StreamDecode,
                                         codec, corpus);
        }
        benchmark::RegisterBenchmark(("Stream/memcpy/" + c).c_str(), StreamMemcpy, corpus);
#if defined(HALCYON_HAVE_ZLIB)
        std::vector<Bytes> one = {Corpus(corpus)};
        benchmark::RegisterBenchmark(("Stream/Encode/zlib6/" + c).c_str(), ZlibEncode, one, false);
        benchmark::RegisterBenchmark(("Stream/Decode/zlib6/" + c).c_str(), ZlibDecode, one, false);
#endif
    }
    for (size_t size : {64, 512, 3000}) {
        std::string s = std::to_string(size);
        for (const Codec* codec : {&kLibrary, &kReference}) {
            std::string n = codec->name;
            benchmark::RegisterBenchmark(("Record/Encode/" + n + "/" + s).c_str(), RecordEncode,
                                         codec, size);
            benchmark::RegisterBenchmark(("Record/Decode/" + n + "/" + s).c_str(), RecordDecode,
                                         codec, size);
        }
#if defined(HALCYON_HAVE_ZLIB)
        benchmark::RegisterBenchmark(("Record/Encode/zlib6/" + s).c_str(), ZlibEncode,
                                     Records(size), true);
        benchmark::RegisterBenchmark(("Record/Decode/zlib6/" + s).c_str(), ZlibDecode,
                                     Records(size), true);
#endif
    }
}

}  // namespace

int main(int argc, char** argv) {
    halcyon::bench::RunInPrivateNamespace(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CheckSameStreams();
    Register();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
