// The adaptive Huffman tree of the LZ/Huffman codec: 314 symbols, 627 nodes kept in order of
// frequency (lowest first, the root last), two siblings always at an even index and the next.
// Encoder and decoder update it identically after every symbol, so both see the same codes.
//
// Not thread-safe; each thread's working state holds its own tree. Everything here is inline:
// the update runs once per symbol in both directions.
#pragma once

#include "HalcyonCommon/Coding/LzhTables.h"

#include <cstdint>
#include <cstring>

namespace halcyon::lzh {

struct LzhTree {
    // frequency[kNodeCount] is a sentinel that ends every upward search.
    uint16_t frequency[kNodeCount + 1];
    // child[n] < kNodeCount: the children of n are nodes child[n] and child[n] + 1;
    // child[n] >= kNodeCount: n is the leaf of symbol child[n] - kNodeCount.
    uint16_t child[kNodeCount];
    // parent[n] for nodes; parent[kNodeCount + s] is the node holding the leaf of symbol s.
    uint16_t parent[kNodeCount + kSymbolCount];

    // Copies the state every call starts from.
    void Start();

    // Counts one more occurrence of `symbol` (0-313) and restores the order of the nodes;
    // rebuilds the tree first when the root's frequency has reached the limit.
    void Update(unsigned symbol);

    // The code of `symbol`, first bit in bit 31; *length receives its number of bits (at most
    // 32, which the frequency limit guarantees: a leaf of frequency 1 under a root of 0x8000
    // lies less than 24 levels deep).
    uint32_t Code(unsigned symbol, unsigned* length) const;

    // Halves all leaf frequencies and builds the tree anew from them.
    void Rebuild();
};

// The state of the tree at the start of every call: leaves 0-313 of frequency 1 in symbol
// order, node 314 + i joining nodes 2i and 2i + 1.
constexpr LzhTree BuildStartTree() {
    LzhTree t{};
    for (unsigned k = 0; k < kSymbolCount; ++k) {
        t.frequency[k] = 1;
        t.child[k] = static_cast<uint16_t>(k + kNodeCount);
        t.parent[k + kNodeCount] = static_cast<uint16_t>(k);
    }
    for (unsigned i = 0, j = kSymbolCount; j <= kRoot; i += 2, ++j) {
        t.frequency[j] = static_cast<uint16_t>(t.frequency[i] + t.frequency[i + 1]);
        t.child[j] = static_cast<uint16_t>(i);
        t.parent[i] = t.parent[i + 1] = static_cast<uint16_t>(j);
    }
    t.frequency[kNodeCount] = 0xFFFF;
    t.parent[kRoot] = 0;
    return t;
}

inline constexpr LzhTree kStartTree = BuildStartTree();

inline void LzhTree::Start() { std::memcpy(this, &kStartTree, sizeof *this); }

namespace detail {

// The last index at or after `from` whose frequency is below f, given frequency[from] < f. The
// table is sorted and ends in the sentinel. Runs of equal frequency are long at the start of a
// call (all leaves at 1) and short later, so the search steps one node first, then doubles.
inline unsigned LastBelow(const uint16_t* frequency, unsigned from, unsigned f) {
    if (frequency[from + 1] >= f) return from;
    unsigned low = from + 1, high = 0;
    for (unsigned step = 1;; step <<= 1) {
        high = low + step;
        if (high >= kNodeCount || frequency[high] >= f) break;
        low = high;
    }
    if (high > kNodeCount) high = kNodeCount;
    while (high - low > 1) {
        unsigned middle = (low + high) / 2;
        if (frequency[middle] < f)
            low = middle;
        else
            high = middle;
    }
    return low;
}

}  // namespace detail

inline void LzhTree::Update(unsigned symbol) {
    if (frequency[kRoot] == kRebuildLimit) Rebuild();
    unsigned c = parent[symbol + kNodeCount];
    do {
        unsigned f = ++frequency[c];
        if (f > frequency[c + 1]) {
            unsigned l = detail::LastBelow(frequency, c + 1, f);
            frequency[c] = frequency[l];
            frequency[l] = static_cast<uint16_t>(f);
            unsigned i = child[c];
            parent[i] = static_cast<uint16_t>(l);
            if (i < kNodeCount) parent[i + 1] = static_cast<uint16_t>(l);
            unsigned j = child[l];
            child[l] = static_cast<uint16_t>(i);
            parent[j] = static_cast<uint16_t>(c);
            if (j < kNodeCount) parent[j + 1] = static_cast<uint16_t>(c);
            child[c] = static_cast<uint16_t>(j);
            c = l;
        }
        c = parent[c];
    } while (c != 0);
}

inline uint32_t LzhTree::Code(unsigned symbol, unsigned* length) const {
    uint32_t code = 0;
    unsigned bits = 0;
    unsigned n = parent[symbol + kNodeCount];
    do {
        code = (code >> 1) | (static_cast<uint32_t>(n & 1) << 31);
        ++bits;
        n = parent[n];
    } while (n != kRoot);
    *length = bits;
    return code;
}

inline void LzhTree::Rebuild() {
    unsigned next = 0;
    for (unsigned n = 0; n < kNodeCount; ++n) {
        if (child[n] >= kNodeCount) {
            frequency[next] = static_cast<uint16_t>((frequency[n] + 1) / 2);
            child[next] = child[n];
            ++next;
        }
    }
    for (unsigned i = 0, j = kSymbolCount; j < kNodeCount; i += 2, ++j) {
        unsigned f = frequency[i] + frequency[i + 1];
        unsigned k = j - 1;
        while (f < frequency[k]) --k;
        ++k;
        std::memmove(&frequency[k + 1], &frequency[k], (j - k) * sizeof frequency[0]);
        std::memmove(&child[k + 1], &child[k], (j - k) * sizeof child[0]);
        frequency[k] = static_cast<uint16_t>(f);
        child[k] = static_cast<uint16_t>(i);
    }
    for (unsigned n = 0; n < kNodeCount; ++n) {
        unsigned k = child[n];
        parent[k] = static_cast<uint16_t>(n);
        if (k < kNodeCount) parent[k + 1] = static_cast<uint16_t>(n);
    }
}

}  // namespace halcyon::lzh
