#include "BridgeRecords.h"

namespace halcyon::bridge_test {
namespace {

std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

}  // namespace

std::string TestRecord(std::uint64_t seed, std::uint64_t index) {
    std::uint64_t state = seed * 0x100000001B3ULL + index;
    std::string bytes(1 + SplitMix(state) % 3095, '\0');
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        std::uint64_t word = SplitMix(state);
        for (std::size_t j = i; j < bytes.size() && j < i + 8; ++j, word >>= 8)
            bytes[j] = static_cast<char>(word);
    }
    return bytes;
}

}  // namespace halcyon::bridge_test
