// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Coding/LzhMatchFinder.h"

#include "HalcyonCommon/Coding/LzhWords.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace halcyon::lzh {
namespace {

constexpr unsigned kRootBase = kWindowSize + 1;
constexpr unsigned kLeft = 0, kRight = 1;

// Of a non-zero v.
inline unsigned LeadingZeros(uint64_t v) {
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long index;
    _BitScanReverse64(&index, v);
    return 63u - static_cast<unsigned>(index);
#else
    return static_cast<unsigned>(__builtin_clzll(v));
#endif
}

// Compares the strings at `key` and `node` from byte `from` on, eight bytes at a time: returns
// the number of equal leading bytes (up to 60) and sets *side to kRight when key > node at the
// first difference. Bytes past the 60th are read (the window has slack for it) but never decide.
inline unsigned CompareFrom(const uint8_t* key, const uint8_t* node, unsigned from,
                            unsigned* side) {
    for (unsigned i = from; i < kLookAhead; i += 8) {
        uint64_t a = LoadBigEndian64(key + i), b = LoadBigEndian64(node + i);
        if (a != b) {
            unsigned k = i + (LeadingZeros(a ^ b) >> 3);
            *side = a > b ? kRight : kLeft;
            return k < kLookAhead ? k : kLookAhead;
        }
    }
    return kLookAhead;
}

// a where the mask is all ones, b where it is zero: a choice that would go either way at random
// as a branch.
inline unsigned Pick(unsigned mask, unsigned a, unsigned b) { return (a & mask) | (b & ~mask); }

// Both children of a node at once: the left in the low half, the right in the high half.
inline uint32_t Children(const uint16_t* pair) {
    uint32_t both;
    std::memcpy(&both, pair, sizeof both);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
    both = both >> 16 | both << 16;
#endif
    return both;
}

// 1 when the 16 bytes a1 a2 are greater than b1 b2, both most significant first.
inline unsigned Greater(uint64_t a1, uint64_t a2, uint64_t b1, uint64_t b2) {
#if defined(__SIZEOF_INT128__)
    using U128 = unsigned __int128;
    return (U128{a1} << 64 | a2) > (U128{b1} << 64 | b2);
#else
    return static_cast<unsigned>(a1 > b1) | (static_cast<unsigned>(a1 == b1) & (a2 > b2));
#endif
}

// Empty links enough for every parent and for the children of the 256 roots, copied at every
// start: a copy goes word-wide where a fill of 16-bit values goes one value at a time.
struct NilLinks {
    uint16_t links[kWindowSize + 1];
};

constexpr NilLinks BuildNilLinks() {
    NilLinks n{};
    for (auto& link : n.links) link = static_cast<uint16_t>(kNil);
    return n;
}

constexpr NilLinks kNilLinks = BuildNilLinks();
static_assert(sizeof kNilLinks.links >= 256 * 2 * sizeof(uint16_t), "room for the roots' links");

}  // namespace

inline void LzhMatchFinder::Place(unsigned r, unsigned p, unsigned side) {
    child[p][side] = static_cast<uint16_t>(r);
    parent[r] = static_cast<uint16_t>(p);
    if (p >= kRootBase) {
        next[kLeft][r] = next[kRight][r] = kNil;
        return;
    }
    // r comes between p and the node that was next to p on that side.
    uint16_t* ahead = next[side];
    uint16_t* behind = next[side ^ 1];
    unsigned beyond = ahead[p];
    behind[r] = static_cast<uint16_t>(p);
    ahead[r] = static_cast<uint16_t>(beyond);
    ahead[p] = static_cast<uint16_t>(r);
    behind[beyond] = static_cast<uint16_t>(r);
}

uint32_t LzhMatchFinder::Start(const uint8_t* in, size_t size) {
    std::memset(text, kFill, kFirstWrite);
    std::memset(text + kFirstWrite, 0, kTextSize - kFirstWrite);
    std::memcpy(text + kFirstWrite, in, std::min<size_t>(size, kLookAhead));
    static_assert(sizeof parent == sizeof kNilLinks.links, "one empty link per parent");
    std::memcpy(parent, kNilLinks.links, sizeof parent);
    std::memcpy(child[kRootBase], kNilLinks.links, 256 * sizeof child[0]);
    in_ = in;
    size_ = size;
    s_ = 0;
    r_ = kFirstWrite;
    InsertLeadingSpaces();
    next_ = 1;
    return Insert<true>(r_);
}

// The string at 4036 - k is k spaces followed by the look-ahead, which starts with m spaces and
// then a byte x. Two such strings first differ where the one with fewer spaces has x, so each
// new one is smaller than all before it when x is above a space (it hangs on the left of the
// last) and larger otherwise; strings whose 60 bytes are all spaces (k + m >= 60) are equal,
// and each replaces the one before. The 60 insertions thus build a chain, made here directly
// instead of by 1800 string comparisons.
void LzhMatchFinder::InsertLeadingSpaces() {
    unsigned m = 0;
    while (m < kLookAhead && text[kFirstWrite + m] == kFill) ++m;
    unsigned side = m < kLookAhead && text[kFirstWrite + m] > kFill ? kLeft : kRight;
    unsigned tail = kRootBase + kFill, tailSide = kRight;
    bool tailAllSpaces = false;
    for (unsigned k = 1; k <= kLookAhead; ++k) {
        unsigned p = kFirstWrite - k;
        child[p][kLeft] = child[p][kRight] = kNil;
        bool allSpaces = k + m >= kLookAhead;
        if (allSpaces && tailAllSpaces) {
            Replace(tail, p);
        } else {
            Place(p, tail, tailSide);
            tailSide = side;
        }
        tail = p;
        tailAllSpaces = allSpaces;
    }
}

// One insertion under way: the node reached, the side to go on from it and the child below it
// there, and the best match so far.
struct LzhMatchFinder::Cursor {
    const uint8_t* key;
    uint64_t key1, key2;  // bytes 1-8 and 9-16 of the key, the first most significant
    unsigned r, p, side, below, best;
};

inline void LzhMatchFinder::Begin(Cursor& c, unsigned r) {
    c.key = text + r;
    c.key1 = LoadBigEndian64(c.key + 1);
    c.key2 = LoadBigEndian64(c.key + 9);
    c.r = r;
    c.p = kRootBase + c.key[0];
    c.side = kRight;
    c.below = child[c.p][kRight];
    c.best = 0;
    child[r][kLeft] = child[r][kRight] = kNil;
}

// Step is the innermost loop of every insertion, two or three of them side by side in a pair or
// a triple; left to its own limits, the compiler makes it a call there.
#if defined(_MSC_VER) && !defined(__clang__)
#define HALCYON_LZH_FORCE_INLINE __forceinline
#else
#define HALCYON_LZH_FORCE_INLINE __attribute__((always_inline)) inline
#endif

// Goes one node further; false when r has been placed. Each node costs two reads, of its
// children and of bytes 1-16 of its string, that do not wait for each other, and a comparison
// without branches; only strings equal that far (a few in a hundred) go on in the window,
// behind a well-predicted branch. Without kRank, the length of the match is of no interest
// unless the strings are equal that far.
template <bool kRank>
HALCYON_LZH_FORCE_INLINE bool LzhMatchFinder::Step(Cursor& c) {
    unsigned p = c.below;
    if (p == kNil) {
        Place(c.r, c.p, c.side);
        return false;
    }
    c.p = p;
    // Both children are at hand before the comparison ends, which then picks one with a
    // conditional move rather than a shift by the side.
    uint32_t children = Children(child[p]);
    unsigned left = children & 0xFFFF, right = children >> 16;
    const uint8_t* node = text + p;
    const uint8_t* bytes1 = Opaque(text + 1);  // each read then one load on p
    uint64_t node1 = LoadBigEndian64(bytes1 + p), node2 = LoadBigEndian64(bytes1 + 8 + p);
    uint64_t differ1 = c.key1 ^ node1, differ2 = c.key2 ^ node2;
    unsigned length;
    if ((differ1 | differ2) != 0) {
        bool greater = Greater(c.key1, c.key2, node1, node2);
        c.side = greater;
        c.below = greater ? right : left;
        if (!kRank) return true;
        uint64_t inSecond = 0 - static_cast<uint64_t>(differ1 == 0);
        uint64_t differ = differ1 | (differ2 & inSecond);
        length = 1 + (static_cast<unsigned>(inSecond) & 8) + (LeadingZeros(differ) >> 3);
    } else {
        length = CompareFrom(c.key, node, 17, &c.side);
        c.below = c.side == kRight ? right : left;
    }
    // (p - r) mod 4096 is 4095 minus the match's position value. A string of 2 bytes or less
    // ranks below any real match and is no match to the coder.
    if (kRank) c.best = std::max(c.best, length << 12 | ((p - c.r) & kWindowMask));
    if (length < kLookAhead) return true;
    Replace(p, c.r);
    return false;
}

// Notes where an insertion ended, for the next one.
inline void LzhMatchFinder::Ended(const Cursor& c) {
    bool replaced = parent[c.r] != c.p;
    last_ = replaced ? kNil : c.p;
    lastSide_ = replaced ? kNil : c.side;
}

template <bool kRank>
uint32_t LzhMatchFinder::Insert(unsigned r) {
    Cursor c;
    Begin(c, r);
    while (Step<kRank>(c)) {
    }
    Ended(c);
    return c.best;
}

// Runs two searches under way to their ends, taking turns while both go on, so that the
// processor overlaps their reads.
template <bool kRank>
inline void LzhMatchFinder::Finish(Cursor& a, bool goA, Cursor& b, bool goB) {
    while (goA && goB) {
        goA = Step<false>(a);
        goB = Step<kRank>(b);
    }
    while (goA) goA = Step<false>(a);
    while (goB) goB = Step<kRank>(b);
}

template <bool kRank>
uint32_t LzhMatchFinder::InsertPair(unsigned r1, unsigned r2) {
    Cursor a, b;
    Begin(a, r1);
    Begin(b, r2);
    Finish<kRank>(a, true, b, true);
    Ended(b);
    return b.best;
}

// The same with three searches; once one has ended, the other two finish as a pair.
template <bool kRank>
uint32_t LzhMatchFinder::InsertTriple(unsigned r1, unsigned r2, unsigned r3) {
    Cursor a, b, c;
    Begin(a, r1);
    Begin(b, r2);
    Begin(c, r3);
    bool goA = true, goB = true, goC = true;
    while (goA && goB && goC) {
        goA = Step<false>(a);
        goB = Step<false>(b);
        goC = Step<kRank>(c);
    }
    if (!goC)
        Finish<false>(a, goA, b, goB);
    else if (goA)
        Finish<kRank>(a, true, c, true);
    else
        Finish<kRank>(b, goB, c, true);
    Ended(c);
    return c.best;
}

// Where a new node goes in a binary search tree depends only on its in-order neighbours: of the
// two links that face each other between them, one is empty, and every search ends there.
//
// The last insertion hung r0 under p0, where r0's key first differed from p0's string at byte
// k > 0 (the strings share their first bytes: f = p0 + 1 is in r's tree). r = r0 + 1 and f then
// first differ at byte k - 1, in the same bytes: r lies on the same side of f, and near it,
// both strings sharing k - 1 bytes. When r0 replaced a node, the strings of r and f are equal in
// 59 bytes and the 60th decides. From f the neighbours on that side are compared in turn until
// one lies beyond r's key; after kNeighbourHops of them a search from the top is the shorter way.
constexpr unsigned kNeighbourHops = 8;

bool LzhMatchFinder::InsertNextTo(unsigned r, unsigned f) {
    const uint8_t* key = text + r;
    child[r][kLeft] = child[r][kRight] = kNil;
    unsigned side = lastSide_;
    if (side == kNil && CompareFrom(key, text + f, 1, &side) == kLookAhead) {
        return TakePlaceOf(f, r);
    }
    const uint16_t* ahead = next[side];
    unsigned n = ahead[f];
    for (unsigned hops = 0; n != kNil; ++hops) {
        unsigned nSide;
        if (CompareFrom(key, text + n, 1, &nSide) == kLookAhead) return TakePlaceOf(n, r);
        if (nSide != side) break;
        if (hops == kNeighbourHops) return false;
        f = n;
        n = ahead[n];
    }
    // r hangs under f on `side` when that link is free, else under n on the other side; which
    // it is goes either way at random, so it is chosen with masks rather than a branch.
    unsigned underF = 0u - static_cast<unsigned>(child[f][side] == kNil);
    unsigned p = Pick(underF, f, n);
    unsigned pSide = Pick(underF, side, side ^ 1);
    Place(r, p, pSide);
    last_ = p;
    lastSide_ = pSide;
    return true;
}

inline bool LzhMatchFinder::TakePlaceOf(unsigned p, unsigned r) {
    Replace(p, r);
    last_ = lastSide_ = kNil;
    return true;
}

template uint32_t LzhMatchFinder::Insert<false>(unsigned);
template uint32_t LzhMatchFinder::Insert<true>(unsigned);
template uint32_t LzhMatchFinder::InsertPair<false>(unsigned, unsigned);
template uint32_t LzhMatchFinder::InsertPair<true>(unsigned, unsigned);
template uint32_t LzhMatchFinder::InsertTriple<false>(unsigned, unsigned, unsigned);
template uint32_t LzhMatchFinder::InsertTriple<true>(unsigned, unsigned, unsigned);

void LzhMatchFinder::Replace(unsigned p, unsigned r) {
    unsigned above = parent[p], left = child[p][kLeft], right = child[p][kRight];
    parent[r] = static_cast<uint16_t>(above);
    child[r][kLeft] = static_cast<uint16_t>(left);
    child[r][kRight] = static_cast<uint16_t>(right);
    parent[left] = static_cast<uint16_t>(r);
    parent[right] = static_cast<uint16_t>(r);
    uint16_t* up = child[above];
    up[up[kRight] == p ? kRight : kLeft] = static_cast<uint16_t>(r);
    parent[p] = kNil;
    unsigned previous = next[kLeft][p], following = next[kRight][p];
    next[kLeft][r] = static_cast<uint16_t>(previous);
    next[kRight][r] = static_cast<uint16_t>(following);
    next[kRight][previous] = static_cast<uint16_t>(r);
    next[kLeft][following] = static_cast<uint16_t>(r);
}

// Which of the four shapes p has (no right child, no left child, a left child that is its
// predecessor, a predecessor further down) goes either way at random; the relinking is done
// with masks, the links a shape does not change written to the spare row kNil instead.
void LzhMatchFinder::Delete(unsigned p) {
    unsigned above = parent[p];
    if (above == kNil) return;
    unsigned left = child[p][kLeft], right = child[p][kRight];
    unsigned predecessor = next[kLeft][p];
    unsigned both = 0u - static_cast<unsigned>((left != kNil) & (right != kNil));
    unsigned deep = both & (0u - static_cast<unsigned>(predecessor != left));
    // The predecessor takes p's place when p has both children, else the one child (or none).
    unsigned q = Pick(both, predecessor, right == kNil ? left : right);
    // A predecessor further down leaves its left subtree in its old place and takes p's left
    // subtree.
    unsigned dq = Pick(deep, q, kNil);
    unsigned qParent = Pick(deep, parent[dq], kNil), qLeft = Pick(deep, child[dq][kLeft], kNil);
    child[qParent][kRight] = static_cast<uint16_t>(qLeft);
    parent[qLeft] = static_cast<uint16_t>(qParent);
    child[dq][kLeft] = static_cast<uint16_t>(left);
    parent[Pick(deep, left, kNil)] = static_cast<uint16_t>(q);
    // With both children it takes p's right subtree.
    child[Pick(both, q, kNil)][kRight] = static_cast<uint16_t>(right);
    parent[Pick(both, right, kNil)] = static_cast<uint16_t>(q);
    parent[q] = static_cast<uint16_t>(above);
    uint16_t* up = child[above];
    up[up[kRight] == p ? kRight : kLeft] = static_cast<uint16_t>(q);
    parent[p] = kNil;
    unsigned previous = next[kLeft][p], following = next[kRight][p];
    next[kRight][previous] = static_cast<uint16_t>(following);
    next[kLeft][following] = static_cast<uint16_t>(previous);
}

}  // namespace halcyon::lzh
