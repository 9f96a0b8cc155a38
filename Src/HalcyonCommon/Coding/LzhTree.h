// SPDX-License-Identifier: Apache-2.0
// The adaptive Huffman tree of the LZ/Huffman codec: 314 symbols, 627 nodes kept in order of
// frequency (lowest first, the root last), two siblings always at an even index and the next.
// Encoder and decoder update it identically after every symbol, so both see the same codes.
//
// Not thread-safe; each thread's working state holds its own tree. Everything here is inline:
// the update runs once per symbol in both directions.
#pragma once

#include "HalcyonCommon/Coding/LzhTables.h"
#include "HalcyonCommon/Coding/LzhWords.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace halcyon::lzh {

struct LzhTree {
    // frequency[kNodeCount] is a sentinel that ends every upward search.
    uint16_t frequency[kNodeCount + 1];
    // child[n] < kNodeCount: the children of n are nodes child[n] and child[n] + 1;
    // child[n] >= kNodeCount: n is the leaf of symbol child[n] - kNodeCount. The entries from
    // kNodeCount on are fixed: child[kNodeCount + k] = (kNodeCount + k) | kOneBit, so that
    // child[child[n] + b] is where `grand` needs it for a leaf too.
    uint16_t child[kNodeCount + kSymbolCount + 1];
    // parent[n] for nodes; parent[kNodeCount + s] is the node holding the leaf of symbol s. The
    // last entry is spare (see SecondParent).
    uint16_t parent[kNodeCount + kSymbolCount + 1];
    // Two levels at once, for the decoder's walk: grand[2c + 2b1 + b2], for the pair of nodes
    // c, c + 1 (c even), is where bits b1 b2 lead from there: child[child[c + b1] + b2], which
    // is (child[c + b1] + b2) | kOneBit when node c + b1 is a leaf (only b1 is then used). Kept
    // up to date by every change of the tree.
    static constexpr uint16_t kOneBit = 0x8000;
    uint16_t grand[2 * (kNodeCount - 1)];
    // runEnd[x], for a frequency x below kCountedRuns: the last node of frequency x or less
    // (0xFFFF: none). A node of frequency x that must move trades places with that node, and
    // every raise from x to x + 1, moving or not, is in effect one of that node, which so leaves
    // the run: the entry goes down by one. At the start of a call most nodes share a few small
    // frequencies and a new symbol moves a node past a long run of them on almost every level;
    // kept this way, no move searches for where it goes. Higher frequencies, which only the upper
    // nodes of a long stream reach, all count in the spare last entry and are searched for.
    // The decoder's walk that raises the counts on its way down (RaisePassed) leaves runEnd
    // behind, and so do the moves that follow it: few symbols move a node by then, and the
    // upkeep would cost every raise. Only a rebuild, which sets runEnd anew, has the decoder
    // count again.
    // No node but the root reaches the root's frequency R; the root's raise from R sets
    // runEnd[R] (to the node below the root) rather than lowering it, so the entries from R up
    // are never read before they are written, and a call starts by copying only those below 314.
    static constexpr unsigned kCountedRuns = 1024;
    uint16_t runEnd[kCountedRuns + 1];
    static constexpr unsigned RunOf(unsigned x) { return x < kCountedRuns ? x : kCountedRuns; }

    // Copies the state every call starts from.
    void Start();

    // No tree of 314 leaves is deeper than this; the frequency limit keeps it below 24.
    static constexpr unsigned kMaxDepth = kSymbolCount;

    // Counts one more occurrence of `symbol` (0-313) and restores the order of the nodes;
    // rebuilds the tree first when the root's frequency has reached the limit. The encoder,
    // which never walks down the tree, leaves `grand` behind (kGrand false).
    template <bool kGrand = true>
    void Update(unsigned symbol);

    // The same, given the nodes from the symbol's leaf up to (not including) the root, as the
    // decoder's walk down has just passed them: the frequencies along the path are raised
    // without following the parent links, which a walk back up would wait for, until a node
    // must move.
    template <bool kGrand = true>
    void UpdateAlong(unsigned symbol, const uint16_t* path, unsigned count);

    // The decoder's update, begun on its walk down: the walk raises the frequency of each node
    // it passes (below the root) with RaisePassed, which tells whether the update proper, going
    // up from the leaf, would have to move that node. Unless one must, that is the whole update
    // but for the root's count, and FinishRaised ends it; otherwise FinishRaised takes back the
    // raises from the lowest such node up and goes on from there as Update would. It holds
    // because a raise never changes what is decided below it: the node after a node passed is
    // never one passed lower down, and when it is one passed higher up it is that node's parent,
    // of a frequency above its child's either way. Not for a call that rebuilds the tree first.
    bool RaisePassed(unsigned n) {
        unsigned x = frequency[n];
        RaiseInPlace<false>(n, x);
        return x >= frequency[n + 1];
    }
    // Raises node n, of frequency x and the last of that frequency, where it stands; kCounted:
    // keeps runEnd.
    template <bool kCounted = true>
    void RaiseInPlace(unsigned n, unsigned x) {
        frequency[n] = static_cast<uint16_t>(x + 1);
        if (kCounted) --runEnd[RunOf(x)];
    }
    // `moving` is the lowest of the nodes passed that must move, or null; the nodes passed above
    // it follow it up to `end`.
    template <bool kGrand = true>
    void FinishRaised(const uint16_t* moving, const uint16_t* end);

    // The code of `symbol` as Code gives it, and the update with `symbol` done, for the encoder
    // (which leaves `grand` behind).
    uint32_t CodeAndCount(unsigned symbol, unsigned* length);

    // The code of `symbol`, first bit in bit 31; *length receives its number of bits (at most
    // 32, which the frequency limit guarantees: a leaf of frequency 1 under a root of 0x8000
    // lies less than 24 levels deep).
    uint32_t Code(unsigned symbol, unsigned* length) const;
    // Puts the branch bits of node n and of each node above it, up to the root, in front of
    // `code` (a code is read from its top bit), counting them in `bits`.
    void PrependPath(unsigned n, uint32_t& code, unsigned& bits) const;

    // Halves all leaf frequencies and builds the tree anew from them.
    template <bool kGrand = true>
    void Rebuild();

    // Sets runEnd from the frequencies.
    constexpr void CountRuns() {
        unsigned n = 0;
        for (unsigned x = 0; x < kCountedRuns; ++x) {
            while (n < kNodeCount && frequency[n] <= x) ++n;
            runEnd[x] = static_cast<uint16_t>(n - 1);
        }
        runEnd[kCountedRuns] = 0;
    }

    // The parent entry of the second node a child entry k names: k + 1 for a pair of nodes, the
    // spare last entry for a leaf, which has none. Whether k is a leaf goes either way at random
    // as nodes move, so it is chosen with a mask rather than a branch.
    static constexpr unsigned SecondParent(unsigned k) {
        unsigned leaf = 0u - unsigned{k >= kNodeCount};  // all ones for a leaf
        return ((k + 1) & ~leaf) | ((kNodeCount + kSymbolCount) & leaf);
    }

    // The entries of `grand` for the two next bits `two`: entry 2c of the row is grand[2c + two],
    // where bits `two` lead from the pair c, c + 1. The walk down has the bits well before the
    // node the step before loads; adding them to the table's address apart leaves each step
    // waiting on nothing but that load (text decoding +7 %).
    const uint16_t* GrandRow(unsigned two) const { return Opaque(grand + two); }

    // Where bit b leads from node n's children, for `grand`.
    constexpr uint16_t GrandStep(unsigned n, unsigned b) const { return child[child[n] + b]; }
    // Brings `grand` up to date after child[n] has changed.
    void RefreshGrand(unsigned n);
    constexpr void FillGrand() {
        for (unsigned n = 0; n < kRoot; ++n) {
            grand[2 * n] = GrandStep(n, 0);
            grand[2 * n + 1] = GrandStep(n, 1);
        }
    }
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
    for (unsigned k = kNodeCount; k <= kNodeCount + kSymbolCount; ++k)
        t.child[k] = static_cast<uint16_t>(k | LzhTree::kOneBit);
    t.frequency[kNodeCount] = 0xFFFF;
    t.parent[kRoot] = 0;
    t.FillGrand();
    t.CountRuns();
    return t;
}

inline constexpr LzhTree kStartTree = BuildStartTree();

inline void LzhTree::Start() {
    std::memcpy(this, &kStartTree, offsetof(LzhTree, runEnd) + kSymbolCount * sizeof runEnd[0]);
}

// The entries that read child[n]: those of n's own pair, whose first bit leads to n, and the one
// of its parent's pair whose second bit leads to n.
inline void LzhTree::RefreshGrand(unsigned n) {
    if (n == kRoot) return;  // the root's children are where the walk starts
    grand[2 * n] = GrandStep(n, 0);
    grand[2 * n + 1] = GrandStep(n, 1);
    unsigned up = parent[n];
    if (up != kRoot) grand[2 * up + (n & 1)] = GrandStep(up, n & 1);
}

namespace detail {

// The last index at or after `from` whose frequency is below f, given frequency[from] < f. The
// table is sorted and ends in the sentinel. The moves runEnd does not serve come here: those of
// frequencies above the ones it counts, and the decoder's once it has stopped counting, when
// moves are few. Runs are then mostly short, so the search steps one node first, then doubles.
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
        bool below = frequency[middle] < f;
        low = below ? middle : low;
        high = below ? high : middle;
    }
    return low;
}

}  // namespace detail

namespace detail {

// Node c, of frequency x, must move: more nodes of frequency x follow it. It trades places with
// the last of them, l, subtrees and all, and l takes x + 1. Returns l, where c's subtree now is.
// kCounted: runEnd is kept (see there).
template <bool kGrand, bool kCounted>
inline unsigned MoveUp(LzhTree& t, unsigned c, unsigned x) {
    unsigned l = kCounted && x < LzhTree::kCountedRuns ? unsigned{t.runEnd[x]}
                                                       : LastBelow(t.frequency, c + 1, x + 1);
    t.frequency[l] = static_cast<uint16_t>(x + 1);
    unsigned i = t.child[c];
    unsigned j = t.child[l];
    t.parent[i] = static_cast<uint16_t>(l);
    t.parent[LzhTree::SecondParent(i)] = static_cast<uint16_t>(l);
    t.child[l] = static_cast<uint16_t>(i);
    t.parent[j] = static_cast<uint16_t>(c);
    t.parent[LzhTree::SecondParent(j)] = static_cast<uint16_t>(c);
    t.child[c] = static_cast<uint16_t>(j);
    if (kGrand) {
        t.RefreshGrand(c);
        t.RefreshGrand(l);
    }
    return l;
}

// Raises the frequency of node c by one, moving it first if it must; returns where it now is.
template <bool kGrand, bool kCounted>
inline unsigned Raise(LzhTree& t, unsigned c) {
    unsigned x = t.frequency[c];
    if (x < t.frequency[c + 1]) {
        t.template RaiseInPlace<kCounted>(c, x);
        return c;
    }
    unsigned l = MoveUp<kGrand, kCounted>(t, c, x);
    if (kCounted) --t.runEnd[LzhTree::RunOf(x)];
    return l;
}

// Raises the root's frequency, which never moves: see runEnd.
template <bool kCounted>
inline void RaiseRoot(LzhTree& t) {
    unsigned x = t.frequency[kRoot];
    t.frequency[kRoot] = static_cast<uint16_t>(x + 1);
    if (kCounted) t.runEnd[LzhTree::RunOf(x)] = kRoot - 1;
}

// Raises the frequencies from node c up to the root, moving nodes as needed.
template <bool kGrand, bool kCounted = true>
inline void RaiseFrom(LzhTree& t, unsigned c) {
    while (c != kRoot) c = t.parent[Raise<kGrand, kCounted>(t, c)];
    RaiseRoot<kCounted>(t);
}

}  // namespace detail

template <bool kGrand>
inline void LzhTree::Update(unsigned symbol) {
    if (frequency[kRoot] == kRebuildLimit) Rebuild<kGrand>();
    detail::RaiseFrom<kGrand>(*this, parent[symbol + kNodeCount]);
}

template <bool kGrand>
inline void LzhTree::UpdateAlong(unsigned symbol, const uint16_t* path, unsigned count) {
    if (frequency[kRoot] == kRebuildLimit) {
        Update<kGrand>(symbol);  // the rebuild moves every node: the path no longer holds
        return;
    }
    for (unsigned k = 0; k < count; ++k) {
        unsigned c = path[k];
        unsigned x = frequency[c];
        if (x >= frequency[c + 1]) {
            detail::RaiseFrom<kGrand>(*this, c);
            return;
        }
        RaiseInPlace(c, x);
    }
    detail::RaiseRoot<true>(*this);
}

template <bool kGrand>
inline void LzhTree::FinishRaised(const uint16_t* moving, const uint16_t* end) {
    if (moving != nullptr) {
        for (const uint16_t* p = moving; p != end; ++p) --frequency[*p];
        detail::RaiseFrom<kGrand, false>(*this, *moving);
        return;
    }
    detail::RaiseRoot<false>(*this);
}

// The walk up from the leaf reads the code and raises the counts at once, until a node must
// move. The code is that of the tree before the update, so the walk then only reads the code up
// to the root before the update goes on: moving the node changes the parents of its children
// and of those of the node it trades places with, none of which lies above it.
inline uint32_t LzhTree::CodeAndCount(unsigned symbol, unsigned* length) {
    if (frequency[kRoot] == kRebuildLimit) {
        uint32_t code = Code(symbol, length);
        Update<false>(symbol);
        return code;
    }
    uint32_t code = 0;
    unsigned bits = 0;
    unsigned n = parent[symbol + kNodeCount];
    do {
        code = (code >> 1) | (static_cast<uint32_t>(n & 1) << 31);
        ++bits;
        unsigned x = frequency[n];
        if (x >= frequency[n + 1]) {
            PrependPath(parent[n], code, bits);
            detail::RaiseFrom<false>(*this, n);
            *length = bits;
            return code;
        }
        RaiseInPlace(n, x);
        n = parent[n];
    } while (n != kRoot);
    detail::RaiseRoot<true>(*this);
    *length = bits;
    return code;
}

inline void LzhTree::PrependPath(unsigned n, uint32_t& code, unsigned& bits) const {
    for (; n != kRoot; n = parent[n]) {
        code = (code >> 1) | (static_cast<uint32_t>(n & 1) << 31);
        ++bits;
    }
}

inline uint32_t LzhTree::Code(unsigned symbol, unsigned* length) const {
    uint32_t code = 0;
    unsigned bits = 0;
    PrependPath(parent[symbol + kNodeCount], code, bits);
    *length = bits;
    return code;
}

// The halved leaves, kept in node order, are sorted; each new node sums the two at the next
// even index and goes after every node of its frequency or less, so that the nodes are made in
// order of frequency and never go before the pair being joined. The table is thus the merge of
// the leaves and the new nodes in the order they are made, a leaf first where the two are
// equal, and is written front to back as that merge instead of by inserting into it.
template <bool kGrand>
inline void LzhTree::Rebuild() {
    uint16_t leafFrequency[kSymbolCount], leafChild[kSymbolCount];
    unsigned leaves = 0;
    for (unsigned n = 0; n < kNodeCount; ++n) {
        if (child[n] >= kNodeCount) {
            leafFrequency[leaves] = static_cast<uint16_t>((frequency[n] + 1) / 2);
            leafChild[leaves] = child[n];
            ++leaves;
        }
    }
    // The new nodes wait in a queue of their own until the merge reaches them.
    uint16_t madeFrequency[kSymbolCount - 1], madeChild[kSymbolCount - 1];
    unsigned made = 0, taken = 0, nextLeaf = 0;
    for (unsigned n = 0; n < kNodeCount; ++n) {
        bool leaf = nextLeaf < kSymbolCount &&
                    (taken == made || leafFrequency[nextLeaf] <= madeFrequency[taken]);
        if (leaf) {
            frequency[n] = leafFrequency[nextLeaf];
            child[n] = leafChild[nextLeaf++];
        } else {
            frequency[n] = madeFrequency[taken];
            child[n] = madeChild[taken++];
        }
        if ((n & 1) != 0 && made < kSymbolCount - 1) {
            madeFrequency[made] = static_cast<uint16_t>(frequency[n - 1] + frequency[n]);
            madeChild[made++] = static_cast<uint16_t>(n - 1);
        }
    }
    for (unsigned n = 0; n < kNodeCount; ++n) {
        unsigned k = child[n];
        parent[k] = static_cast<uint16_t>(n);
        parent[SecondParent(k)] = static_cast<uint16_t>(n);
    }
    if (kGrand) FillGrand();
    CountRuns();
}

}  // namespace halcyon::lzh
