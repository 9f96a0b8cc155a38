// SPDX-License-Identifier: Apache-2.0
// The codec written the plain way, straight from its rules in docs/codec-format.md: one working
// state rebuilt at every call, bits written and read one at a time, a linear search for the node
// a raised frequency moves to, strings compared byte by byte, a ring window in the decoder.
//
// It is the baseline of bench/codec_bench.cpp (the speed a plain implementation reaches) and the
// oracle of the codec's differential tests and fuzz target (the library's optimised codec must
// write the same bytes). It is not part of the library. Not thread-safe.
#pragma once

#include <cstdint>
#include <cstring>

namespace lzh_reference {

// ---- the format's numbers ----

constexpr int kWindow = 4096;  // bytes a match may reach back
constexpr int kWindowMask = kWindow - 1;
constexpr int kLongest = 60;  // longest match, and bytes looked ahead
constexpr int kShortest = 3;  // a shorter match is coded as literals
constexpr int kLiterals = 256;
constexpr int kSymbols = kLiterals + kLongest - kShortest + 1;  // 314
constexpr int kNodes = 2 * kSymbols - 1;                        // 627
constexpr int kRoot = kNodes - 1;
constexpr unsigned kRebuildWeight = 0x8000;
constexpr int kNone = -1;

// ---- the position code: a prefix code for a position's upper six bits ----

// Upper values sharing each code length, for lengths 3 to 8, in value order.
constexpr int kLengthCounts[] = {1, 3, 8, 12, 24, 16};
constexpr int kShortestPositionCode = 3;

struct PositionCode {
    unsigned bits;  // right-aligned
    int length;
};

// The canonical code: values in order, each code one more than the last, widened with zeros
// when the length grows.
inline PositionCode PositionCodeOf(int upper) {
    unsigned bits = 0;
    int length = kShortestPositionCode, left = kLengthCounts[0];
    for (int value = 0; value < upper; ++value) {
        ++bits;
        if (--left == 0) {
            ++length;
            left = kLengthCounts[length - kShortestPositionCode];
            bits <<= 1;
        }
    }
    return {bits, length};
}

// ---- the adaptive Huffman tree ----

// Nodes in order of weight, lowest first. down[n] says what hangs under node n: a value below
// kNodes means the pair of nodes down[n] and down[n] + 1, a value from kNodes on the leaf of
// symbol down[n] - kNodes. up[] holds the node above each node and, from kNodes on, above each
// leaf. A weight past the last node stops every search.
struct Tree {
    unsigned weight[kNodes + 1];
    int down[kNodes];
    int up[kNodes + kSymbols];

    void Hang(int node, int value) {
        down[node] = value;
        up[value] = node;
        if (value < kNodes) up[value + 1] = node;
    }

    void Start() {
        for (int symbol = 0; symbol < kSymbols; ++symbol) {
            weight[symbol] = 1;
            Hang(symbol, kNodes + symbol);
        }
        for (int node = kSymbols, pair = 0; node < kNodes; ++node, pair += 2) {
            weight[node] = weight[pair] + weight[pair + 1];
            Hang(node, pair);
        }
        weight[kNodes] = 0xFFFF;
        up[kRoot] = 0;  // node 0 ends the walk up from a leaf
    }

    // Halves the leaves' weights and builds the inner nodes again over them.
    void Rebuild() {
        int count = 0;
        for (int node = 0; node < kNodes; ++node) {
            if (down[node] < kNodes) continue;
            weight[count] = (weight[node] + 1) / 2;
            down[count] = down[node];
            ++count;
        }
        for (int pair = 0; count < kNodes; pair += 2, ++count) {
            unsigned sum = weight[pair] + weight[pair + 1];
            int place = count;
            while (weight[place - 1] > sum) --place;
            for (int node = count; node > place; --node) {
                weight[node] = weight[node - 1];
                down[node] = down[node - 1];
            }
            weight[place] = sum;
            down[place] = pair;
        }
        for (int node = 0; node < kNodes; ++node) Hang(node, down[node]);
    }

    // Counts one more of the symbol: every node from its leaf up weighs one more, and a node
    // that now outweighs the next trades places with the last node it outweighs.
    void Count(int symbol) {
        if (weight[kRoot] == kRebuildWeight) Rebuild();
        int node = up[kNodes + symbol];
        do {
            unsigned raised = ++weight[node];
            if (raised > weight[node + 1]) {
                int last = node + 1;
                while (raised > weight[last + 1]) ++last;
                weight[node] = weight[last];
                weight[last] = raised;
                int mine = down[node], theirs = down[last];
                Hang(last, mine);
                Hang(node, theirs);
                node = last;
            }
            node = up[node];
        } while (node != 0);
    }
};

// ---- bits, most significant first ----

// Bits go straight into the buffer after the header; a bit past its end marks an overflow.
struct BitSink {
    unsigned char* out;
    long size, count;  // bits written after the header
    bool overflow;

    void Bits(unsigned long bits, int n) {
        while (n-- > 0) {
            long at = 4 + count / 8;
            int shift = 7 - static_cast<int>(count++ % 8);
            overflow |= at >= size;
            if (at >= size) continue;
            if (shift == 7) out[at] = 0;
            out[at] = static_cast<unsigned char>(out[at] | ((bits >> n) & 1) << shift);
        }
    }

    long Used() const { return 4 + (count + 7) / 8; }
};

// Past the stream's end it reads zeros.
struct BitSource {
    const unsigned char* in;
    long used, size;
    int bitInByte;  // 7 is the next byte's first bit

    unsigned Bit() {
        unsigned byte = used < size ? in[used] : 0;
        unsigned bit = (byte >> bitInByte) & 1;
        if (--bitInByte < 0) {
            bitInByte = 7;
            ++used;
        }
        return bit;
    }

    unsigned Bits(int count) {
        unsigned value = 0;
        while (count-- > 0) value = (value << 1) | Bit();
        return value;
    }
};

// ---- the match finder: one binary tree per first byte ----

struct Match {
    int length;
    int position;  // bytes back, less one
};

// Window positions ordered by the strings of kLongest bytes that start at them. The tree of
// first byte b hangs on the larger side of anchor kWindow + b; a position out of every tree has
// no parent.
struct MatchTrees {
    unsigned char text[kWindow + kLongest - 1];  // the last bytes repeat the window's first
    int smaller[kWindow + kLiterals], larger[kWindow + kLiterals], parent[kWindow];

    void Start() {
        for (int anchor = kWindow; anchor < kWindow + kLiterals; ++anchor) larger[anchor] = kNone;
        for (int at = 0; at < kWindow; ++at) parent[at] = kNone;
    }

    void Store(int at, unsigned char byte) {
        text[at] = byte;
        if (at < kLongest - 1) text[kWindow + at] = byte;
    }

    int& LinkTo(int node) {
        int above = parent[node];
        return larger[above] == node ? larger[above] : smaller[above];
    }

    void Adopt(int node, int child, bool onLarger) {
        (onLarger ? larger[node] : smaller[node]) = child;
        if (child != kNone) parent[child] = node;
    }

    // Puts `incoming` in old's place in the tree; old leaves it.
    void Replace(int old, int incoming) {
        LinkTo(old) = incoming;
        parent[incoming] = parent[old];
        Adopt(incoming, smaller[old], false);
        Adopt(incoming, larger[old], true);
        parent[old] = kNone;
    }

    // Adds the string at `at` to its tree and tells the longest string met on the way there
    // (the nearest of equally long ones); a string equal in all kLongest bytes takes its place.
    Match Insert(int at) {
        const unsigned char* key = text + at;
        smaller[at] = larger[at] = kNone;
        Match best{0, 0};
        int node = kWindow + key[0];
        bool goLarger = true;
        for (;;) {
            int next = goLarger ? larger[node] : smaller[node];
            if (next == kNone) {
                Adopt(node, at, goLarger);
                return best;
            }
            node = next;
            const unsigned char* other = text + node;
            int same = 1, order = 0;  // the first byte that differs: its order, and where
            for (; same < kLongest; ++same) {
                order = key[same] - other[same];
                if (order != 0) break;
            }
            if (same >= kShortest) {
                int position = ((at - node) & kWindowMask) - 1;
                if (same > best.length || (same == best.length && position < best.position))
                    best = {same, position};
                if (same == kLongest) {
                    Replace(node, at);
                    return best;
                }
            }
            goLarger = order >= 0;
        }
    }

    void Remove(int at) {
        if (parent[at] == kNone) return;
        int heir;
        if (larger[at] == kNone) {
            heir = smaller[at];
        } else if (smaller[at] == kNone) {
            heir = larger[at];
        } else {
            heir = smaller[at];
            if (larger[heir] != kNone) {  // the rightmost of the smaller side
                while (larger[heir] != kNone) heir = larger[heir];
                LinkTo(heir) = smaller[heir];
                if (smaller[heir] != kNone) parent[smaller[heir]] = parent[heir];
                Adopt(heir, smaller[at], false);
            }
            Adopt(heir, larger[at], true);
        }
        LinkTo(at) = heir;
        if (heir != kNone) parent[heir] = parent[at];
        parent[at] = kNone;
    }
};

// ---- the codec ----

struct Work {
    Tree tree;
    MatchTrees trees;
    unsigned char ring[kWindow];
};

inline Work& TheWork() {
    static Work work;
    return work;
}

inline void PutSymbol(Tree& tree, BitSink& sink, int symbol) {
    int path[kNodes];
    int steps = 0;
    for (int node = tree.up[kNodes + symbol]; node != kRoot; node = tree.up[node])
        path[steps++] = node;
    while (steps-- > 0) sink.Bits(static_cast<unsigned>(path[steps]) & 1, 1);
    tree.Count(symbol);
}

inline void PutPosition(BitSink& sink, int position) {
    PositionCode code = PositionCodeOf(position >> 6);
    sink.Bits(code.bits, code.length);
    sink.Bits(static_cast<unsigned>(position) & 63, 6);
}

// Same arguments and results as s_CodingEncode.
inline long Encode(const char* inBuf, long inLen, char* outBuf, long outSize) {
    if (inBuf == nullptr || outBuf == nullptr || inLen <= 0 || outSize < 0) return -1;
    if (outSize < 4) return -2;
    for (int k = 0; k < 4; ++k) outBuf[k] = static_cast<char>((inLen >> (8 * k)) & 0xFF);
    Work& work = TheWork();
    Tree& tree = work.tree;
    MatchTrees& trees = work.trees;
    BitSink sink{reinterpret_cast<unsigned char*>(outBuf), outSize, 0, false};
    const auto* in = reinterpret_cast<const unsigned char*>(inBuf);
    long read = 0;

    tree.Start();
    trees.Start();
    int current = kWindow - kLongest, oldest = 0;
    for (int at = 0; at < kWindow + kLongest - 1; ++at) trees.text[at] = at < current ? ' ' : 0;
    int ahead = 0;
    while (ahead < kLongest && read < inLen) trees.text[current + ahead++] = in[read++];
    for (int back = 1; back <= kLongest; ++back) trees.Insert(current - back);
    Match match = trees.Insert(current);

    while (ahead > 0) {
        int length = match.length < ahead ? match.length : ahead;
        if (length < kShortest) {
            PutSymbol(tree, sink, trees.text[current]);
            length = 1;
        } else {
            PutSymbol(tree, sink, kLiterals - kShortest + length);
            PutPosition(sink, match.position);
        }
        if (sink.overflow) return -2;
        for (int step = 0; step < length; ++step) {
            trees.Remove(oldest);
            if (read < inLen)
                trees.Store(oldest, in[read++]);
            else
                --ahead;
            oldest = (oldest + 1) & kWindowMask;
            current = (current + 1) & kWindowMask;
            if (ahead > 0) match = trees.Insert(current);
        }
    }
    return sink.overflow ? -2 : sink.Used();
}

inline int GetSymbol(Tree& tree, BitSource& source) {
    int value = tree.down[kRoot];
    while (value < kNodes) value = tree.down[value + static_cast<int>(source.Bit())];
    int symbol = value - kNodes;
    tree.Count(symbol);
    return symbol;
}

inline int GetPosition(BitSource& source) {
    unsigned code = source.Bits(kShortestPositionCode);
    int length = kShortestPositionCode, first = 0, firstValue = 0;
    for (;;) {  // codes of one length are consecutive, from `first` on
        int count = kLengthCounts[length - kShortestPositionCode];
        if (code < static_cast<unsigned>(first + count)) break;
        first = (first + count) << 1;
        firstValue += count;
        code = (code << 1) | source.Bit();
        ++length;
    }
    int upper = firstValue + static_cast<int>(code) - first;
    return (upper << 6) | static_cast<int>(source.Bits(6));
}

// Same arguments and results as s_CodingDecode (short input: -1; a match past the header's
// length is cut there).
inline long Decode(const char* inBuf, long inLen, char* outBuf, long outSize) {
    if (inBuf == nullptr || outBuf == nullptr || inLen < 4 || outSize < 0) return -1;
    const auto* in = reinterpret_cast<const unsigned char*>(inBuf);
    unsigned long total = 0;
    for (int k = 3; k >= 0; --k) total = (total << 8) | in[k];
    if (total == 0) return -1;
    if (total > static_cast<unsigned long>(outSize)) return -2;
    Work& work = TheWork();
    Tree& tree = work.tree;
    unsigned char* ring = work.ring;
    BitSource source{in, 4, inLen, 7};

    tree.Start();
    int current = kWindow - kLongest;
    for (int at = 0; at < kWindow; ++at) ring[at] = at < current ? ' ' : 0;
    unsigned long made = 0;
    auto put = [&](unsigned char byte) {
        outBuf[made++] = static_cast<char>(byte);
        ring[current] = byte;
        current = (current + 1) & kWindowMask;
    };
    while (made < total) {
        int symbol = GetSymbol(tree, source);
        if (symbol < kLiterals) {
            put(static_cast<unsigned char>(symbol));
            continue;
        }
        int from = (current - GetPosition(source) - 1) & kWindowMask;
        int length = symbol - kLiterals + kShortest;
        for (int k = 0; k < length && made < total; ++k) put(ring[(from + k) & kWindowMask]);
    }
    return static_cast<long>(made);
}

}  // namespace lzh_reference
