// SPDX-License-Identifier: Apache-2.0
// Helpers of the codec tests: byte buffers, calls of the two exported functions on them, and the
// inputs the tests share (market-data records, text, random bytes).
#pragma once

#include <HalcyonCommon/Coding.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace halcyon::test::codec {

using Bytes = std::vector<uint8_t>;

inline Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A capacity that holds the stream of any input of n bytes (codes stay under 24 bits).
inline long Capacity(size_t n) { return static_cast<long>(n * 3 + 16); }

inline char* Chars(Bytes& b) { return reinterpret_cast<char*>(b.data()); }

// What codec call `f` (the library's or a reference's) writes from `in` into a buffer of `size`
// bytes, or an empty buffer when it fails.
template <typename Call>
Bytes Run(Call f, Bytes in, size_t size) {
    Bytes out(size);
    long n = f(Chars(in), static_cast<long>(in.size()), Chars(out), static_cast<long>(out.size()));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

// The stream of `in`; the bytes decoded from `stream` into a buffer of `size` bytes (empty when
// the call fails).
inline Bytes Encode(Bytes in) { return Run(s_CodingEncode, in, Capacity(in.size())); }
inline Bytes Decode(Bytes stream, size_t size) { return Run(s_CodingDecode, stream, size); }

// `stream` with its first four bytes, the header, saying `length`.
inline Bytes WithHeader(Bytes stream, uint32_t length) {
    for (size_t k = 0; k < 4; ++k) stream[k] = static_cast<uint8_t>(length >> (8 * k));
    return stream;
}

inline Bytes RandomBytes(size_t n, uint32_t seed, unsigned alphabet = 256, uint8_t first = 0) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b) c = static_cast<uint8_t>(first + rng() % alphabet);
    return b;
}

// Tick records as the terminal's feeds carry them.
inline Bytes MarketCsv(size_t n, uint32_t seed) {
    static const char* const kSymbols[] = {"2330", "2317", "0050", "TXFA4", "MXFA4", "2882"};
    std::mt19937 rng(seed);
    double price[6] = {598, 104.5, 131.2, 17650, 17650, 19.85};
    unsigned ms = 9 * 3600 * 1000;
    std::string csv;
    while (csv.size() < n) {
        unsigned s = rng() % 6;
        price[s] += (static_cast<int>(rng() % 7) - 3) * 0.05;
        ms += rng() % 500;
        char line[128];
        std::snprintf(line, sizeof line, "20240105,%02u%02u%02u.%03u,%s,TW,%.2f,%.2f,%u,%c\n",
                      ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000, kSymbols[s],
                      price[s] - 0.05, price[s], static_cast<unsigned>(1 + rng() % 90 * 10),
                      rng() % 2 ? 'B' : 'S');
        csv += line;
    }
    csv.resize(n);
    return FromText(csv);
}

// English-like text: sentences of common words.
inline Bytes Text(size_t n, uint32_t seed) {
    static const char* const kWords[] = {"the",   "of",    "and",    "to",      "in",
                                         "price", "order", "market", "records", "is",
                                         "that",  "for",   "stream", "window",  "terminal"};
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < n) {
        text += kWords[rng() % 15];
        text += rng() % 9 == 0 ? ".\n" : " ";
    }
    text.resize(n);
    return FromText(text);
}

}  // namespace halcyon::test::codec
