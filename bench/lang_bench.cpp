// SPDX-License-Identifier: Apache-2.0
// Big5 to GB: s_LangConvertToSimplifiedChinese against the converters a user would otherwise
// pick, on the same 1 MB of Big5 text in the same run:
//   - glibc iconv CP950 -> GBK, which only re-encodes (it does not simplify);
//   - iconv CP950 -> UTF-8, OpenCC's character-level Traditional-to-Simplified table
//     (TSCharacters, through libopencc), iconv UTF-8 -> GBK: the general converter that does
//     the same job (built when libopencc is found).
// Each runs on the whole text at once and on texts of 24 bytes, the size of a record's name.
// Before timing, the output is checked against the OpenCC pipeline character by character.
//
// The text mixes, as Big5 market news does, frequent characters (weighted towards the first
// rows), some less frequent ones, full-width punctuation, digits and ASCII.
#include <HalcyonCommon.h>

#include "HalcyonCommon/Lang/GbTable.h"

#include <benchmark/benchmark.h>

#include <iconv.h>
#include "BenchSupport.h"
#if HALCYON_HAVE_OPENCC
#include <opencc.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr size_t kTextBytes = 1 << 20;
constexpr size_t kShortText = 24;

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// iconv over a whole buffer; "" when it fails.
std::string Iconv(iconv_t cd, const std::string& in) {
    std::string out(in.size() * 2 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = &out[0];
    size_t dstLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) return {};
    out.resize(out.size() - dstLeft);
    return out;
}

struct Converters {
    iconv_t big5ToGbk = iconv_open("GBK", "CP950");
    iconv_t big5ToUtf8 = iconv_open("UTF-8", "CP950");
    iconv_t utf8ToGbk = iconv_open("GBK", "UTF-8");
#if HALCYON_HAVE_OPENCC
    opencc_t opencc = MakeOpenCC();

    static opencc_t MakeOpenCC() {
        // A configuration with the character table only: the same data as BIG5-GB.TAB.
        std::string path = "/tmp/halcyon-lang-bench-ts.json";
        std::ofstream(path) << R"({"name":"t2s characters","segmentation":{"type":"mmseg",)"
                               R"("dict":{"type":"ocd2","file":"TSCharacters.ocd2"}},)"
                               R"("conversion_chain":[{"dict":{"type":"ocd2",)"
                               R"("file":"TSCharacters.ocd2"}}]})";
        std::string config = path;
        opencc_t od = opencc_open(config.c_str());
        return od;
    }
#endif
};

Converters& Tools() {
    static Converters tools;
    return tools;
}

std::string OpenCCPipeline(const std::string& big5) {
#if HALCYON_HAVE_OPENCC
    Converters& t = Tools();
    std::string utf8 = Iconv(t.big5ToUtf8, big5);
    char* simplified = opencc_convert_utf8(t.opencc, utf8.data(), utf8.size());
    std::string out = Iconv(t.utf8ToGbk, simplified);
    opencc_convert_utf8_free(simplified);
    return out;
#else
    return big5;
#endif
}

// A Big5 character every converter can take: in the table, not "??", and known to iconv.
bool Usable(unsigned char lead, unsigned char trail, const std::string& table) {
    int t = trail <= 0x7E ? trail - 0x40 : trail - 0xA1 + 63;
    int n = lead <= 0xC6 ? 471 + (lead - 0xA4) * 157 + t : 5872 + (lead - 0xC9) * 157 + t;
    if (lead < 0xA4) n = (lead - 0xA1) * 157 + t;
    if (table.compare(2 * static_cast<size_t>(n), 2, "??") == 0) return false;
    std::string ch{static_cast<char>(lead), static_cast<char>(trail)};
    return !Iconv(Tools().big5ToGbk, ch).empty() && !OpenCCPipeline(ch).empty();
}

std::vector<std::string> Characters(const std::string& table, int leadFrom, int leadTo) {
    std::vector<std::string> chars;
    for (int lead = leadFrom; lead <= leadTo; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail > 0x7E && trail < 0xA1) continue;
            if (lead == 0xC6 && trail > 0x7E) continue;
            auto l = static_cast<unsigned char>(lead);
            auto t = static_cast<unsigned char>(trail);
            if (Usable(l, t, table)) chars.push_back({static_cast<char>(l), static_cast<char>(t)});
        }
    }
    return chars;
}

const std::string& Text() {
    static const std::string text = [] {
        std::string table = ReadWhole(HALCYON_SOURCE_DIR "/data/BIG5-GB.TAB");
        std::vector<std::string> frequent = Characters(table, 0xA4, 0xC6);
        std::vector<std::string> rare = Characters(table, 0xC9, 0xF9);
        std::vector<std::string> punctuation = {"\xA1\x41", "\xA1\x43", "\xA1\x47",
                                                "\xA1\x5D", "\xA1\x5E", "\xA1\x42"};
        std::mt19937 random(20261206);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        std::string out;
        while (out.size() < kTextBytes) {
            double r = unit(random);
            if (r < 0.70) {  // frequent: the first rows much more often
                double u = unit(random);
                out += frequent[static_cast<size_t>(u * u * u * frequent.size())];
            } else if (r < 0.75) {
                out += rare[random() % rare.size()];
            } else if (r < 0.82) {
                out += punctuation[random() % punctuation.size()];
            } else if (r < 0.92) {
                out += static_cast<char>('0' + random() % 10);
            } else {
                out += " .,-ABCDEFabcdef"[random() % 16];
            }
        }
        return out;
    }();
    return text;
}

// Splits the text into pieces of about n bytes, never inside a character.
std::vector<std::string> Pieces(size_t n) {
    const std::string& text = Text();
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && end - start < n) {
            end += static_cast<unsigned char>(text[end]) >= 0x80 ? 2 : 1;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end;
    }
    return pieces;
}

void LoadTable() {
    std::string table = ReadWhole(HALCYON_SOURCE_DIR "/data/BIG5-GB.TAB");
    halcyon::lang::LoadTableBytes(table.data(), table.size());
}

// Our output must equal the OpenCC pipeline's: both come from the same character table.
void CheckExact() {
#if HALCYON_HAVE_OPENCC
    CString ours;
    s_LangConvertToSimplifiedChinese(CString(Text().c_str()), ours);
    std::string theirs = OpenCCPipeline(Text());
    if (ours.str() != theirs) {
        size_t at = 0;
        while (at < theirs.size() && at < ours.str().size() && ours.str()[at] == theirs[at]) ++at;
        std::fprintf(stderr, "lang_bench: output differs from OpenCC's at byte %zu\n", at);
        std::exit(1);
    }
    std::printf("checked: %zu bytes of Big5 convert exactly as the OpenCC pipeline converts them\n",
                Text().size());
#endif
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Text().size()));
}

void BM_Halcyon(benchmark::State& state) {
    CString source(Text().c_str());
    CString result;
    for (auto _ : state) {
        s_LangConvertToSimplifiedChinese(source, result);
        benchmark::DoNotOptimize(result.GetString());
    }
    SetBytes(state);
}

void BM_HalcyonShort(benchmark::State& state) {
    std::vector<CString> pieces;
    for (const std::string& p : Pieces(kShortText)) pieces.emplace_back(p.c_str());
    CString result;
    for (auto _ : state) {
        for (const CString& p : pieces) {
            s_LangConvertToSimplifiedChinese(p, result);
            benchmark::DoNotOptimize(result.GetString());
        }
    }
    SetBytes(state);
}

void BM_Iconv(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Iconv(Tools().big5ToGbk, Text()));
    SetBytes(state);
}

void BM_IconvShort(benchmark::State& state) {
    std::vector<std::string> pieces = Pieces(kShortText);
    for (auto _ : state) {
        for (const std::string& p : pieces) benchmark::DoNotOptimize(Iconv(Tools().big5ToGbk, p));
    }
    SetBytes(state);
}

#if HALCYON_HAVE_OPENCC
void BM_OpenCC(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(OpenCCPipeline(Text()));
    SetBytes(state);
}

void BM_OpenCCShort(benchmark::State& state) {
    std::vector<std::string> pieces = Pieces(kShortText);
    for (auto _ : state) {
        for (const std::string& p : pieces) benchmark::DoNotOptimize(OpenCCPipeline(p));
    }
    SetBytes(state);
}
BENCHMARK(BM_OpenCC)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCCShort)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_Halcyon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalcyonShort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Iconv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvShort)->Unit(benchmark::kMillisecond);

// The ratios at the end: bytes per second against each baseline's.
class RatioReporter : public halcyon::bench::SpeedKeeper {
  public:
    void PrintRatios() const {
        std::printf("\ns_LangConvertToSimplifiedChinese against the baselines (same run)\n");
        std::printf("%-10s %12s %-16s %12s %8s\n", "texts", "ours MB/s", "baseline", "MB/s",
                    "ratio");
        for (const char* suffix : {"", "Short"}) {
            double own = Speed(std::string("BM_Halcyon") + suffix);
            for (const char* base : {"BM_Iconv", "BM_OpenCC"}) {
                double other = Speed(base + std::string(suffix));
                if (own <= 0 || other <= 0) continue;
                std::printf("%-10s %12.1f %-16s %12.1f %8.2f\n", *suffix ? "24-byte" : "1 MB",
                            own / 1e6, base + 3, other / 1e6, own / other);
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    halcyon::bench::RunInPrivateNamespace(argc, argv);
    benchmark::Initialize(&argc, argv);
    LoadTable();
    CheckExact();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
