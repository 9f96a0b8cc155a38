// SPDX-License-Identifier: Apache-2.0
// The C++ side of codec_bench.py: decodes the packed records of a file with s_CodingDecode, for
// the Python binding's rate to be compared with in the same run.
//
//   unpack_rate FILE COUNT    prints the seconds that COUNT decodes took, after a warm-up
//
// FILE holds records as a 4-byte little-endian length and the packed stream; the decodes cycle
// through them, into one buffer that is reused, as a C++ caller would.
#include <HalcyonCommon/Coding.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: unpack_rate FILE COUNT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> records;
    for (std::size_t at = 0; at + 4 <= bytes.size();) {
        auto n = static_cast<unsigned char>(bytes[at]) |
                 static_cast<unsigned char>(bytes[at + 1]) << 8 |
                 static_cast<unsigned char>(bytes[at + 2]) << 16;
        records.push_back(bytes.substr(at + 4, n));
        at += 4 + n;
    }
    long count = std::atol(argv[2]);
    if (records.empty() || count < 1) {
        std::fprintf(stderr, "unpack_rate: no records in %s, or no count\n", argv[1]);
        return 1;
    }
    std::vector<char> out(1 << 20);
    auto decode = [&](long n) {
        long total = 0;
        for (long i = 0; i < n; ++i) {
            std::string& r = records[static_cast<std::size_t>(i) % records.size()];
            total += s_CodingDecode(&r[0], static_cast<long>(r.size()), out.data(),
                                    static_cast<long>(out.size()));
        }
        return total;
    };
    if (decode(static_cast<long>(records.size())) <= 0) return 1;  // warm-up
    auto start = std::chrono::steady_clock::now();
    long total = decode(count);
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%.9f %ld\n", seconds.count(), total);
    return 0;
}
