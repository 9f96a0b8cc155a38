#include "HalcyonCommon/Coding/LzhMatchFinder.h"

#include "HalcyonCommon/Coding/LzhWords.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace halcyon::lzh {
namespace {

constexpr unsigned kRootBase = kWindowSize + 1;
constexpr unsigned kLeft = 0, kRight = 1;

// Bytes 1-8 of the string at p, byte 1 most significant: words compare as the strings do.
inline uint64_t OrderWord(const uint8_t* p) { return LoadBigEndian64(p); }

inline unsigned LeadingZeros(uint64_t v) {
#if defined(_MSC_VER) && !defined(__clang__)
    return static_cast<unsigned>(__lzcnt64(v));
#else
    return static_cast<unsigned>(__builtin_clzll(v));
#endif
}

// Compares the strings at `key` and `node` from byte `from` on, eight bytes at a time: returns
// the number of equal leading bytes (up to 60) and sets *greater to key > node at the first
// difference. Bytes past the 60th are read (the window has slack for it) but never decide.
inline unsigned CompareFrom(const uint8_t* key, const uint8_t* node, unsigned from,
                            unsigned* greater) {
    for (unsigned i = from; i < kLookAhead; i += 8) {
        uint64_t a = OrderWord(key + i), b = OrderWord(node + i);
        if (a != b) {
            unsigned k = i + (LeadingZeros(a ^ b) >> 3);
            *greater = a > b;
            return k < kLookAhead ? k : kLookAhead;
        }
    }
    return kLookAhead;
}

// A match of `length` bytes at `position` as one number that orders matches as the finder
// prefers them: longer first, then nearer. Strings of 2 bytes or less are no match (0).
inline unsigned MatchRank(unsigned length, unsigned position) {
    unsigned rank = (length << 12) | (kWindowMask - position);
    return length > kThreshold ? rank : 0;
}

}  // namespace

void LzhMatchFinder::Start() {
    std::memset(text, kFill, kFirstWrite);
    std::memset(text + kFirstWrite, 0, kTextSize - kFirstWrite);
    std::fill(std::begin(parent), std::end(parent), static_cast<uint16_t>(kNil));
    for (unsigned b = 0; b < 256; ++b) child[kRootBase + b][kRight] = kNil;
    matchLength = 0;
    matchPosition = 0;
}

void LzhMatchFinder::Insert(unsigned r) {
    const uint8_t* key = text + r;
    const uint64_t keyWord = OrderWord(key + 1);
    unsigned p = kRootBase + key[0], side = kRight, best = 0, length = 0;
    child[r][kLeft] = child[r][kRight] = kNil;
    for (;;) {
        unsigned next = child[p][side];
        if (next == kNil) {
            child[p][side] = static_cast<uint16_t>(r);
            parent[r] = static_cast<uint16_t>(p);
            break;
        }
        p = next;
        uint64_t nodeWord = OrderWord(text + p + 1);
        if (keyWord != nodeWord) {
            length = 1 + (LeadingZeros(keyWord ^ nodeWord) >> 3);
            side = keyWord > nodeWord ? kRight : kLeft;
        } else {
            length = CompareFrom(key, text + p, 9, &side);
        }
        best = std::max(best, MatchRank(length, ((r - p) & kWindowMask) - 1));
        if (length == kLookAhead) {
            Replace(p, r);
            break;
        }
    }
    matchLength = best >> 12;
    matchPosition = kWindowMask - (best & kWindowMask);
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
            child[tail][tailSide] = static_cast<uint16_t>(p);
            parent[p] = static_cast<uint16_t>(tail);
            tailSide = side;
        }
        tail = p;
        tailAllSpaces = allSpaces;
    }
}

// r's string equals p's in all 60 bytes: r takes p's place, p leaves the tree.
void LzhMatchFinder::Replace(unsigned p, unsigned r) {
    unsigned above = parent[p], left = child[p][kLeft], right = child[p][kRight];
    parent[r] = static_cast<uint16_t>(above);
    child[r][kLeft] = static_cast<uint16_t>(left);
    child[r][kRight] = static_cast<uint16_t>(right);
    parent[left] = static_cast<uint16_t>(r);
    parent[right] = static_cast<uint16_t>(r);
    child[above][child[above][kRight] == p ? kRight : kLeft] = static_cast<uint16_t>(r);
    parent[p] = kNil;
}

void LzhMatchFinder::Delete(unsigned p) {
    unsigned above = parent[p];
    if (above == kNil) return;
    unsigned q;
    if (child[p][kRight] == kNil) {
        q = child[p][kLeft];
    } else if (child[p][kLeft] == kNil) {
        q = child[p][kRight];
    } else {
        // The in-order predecessor takes p's place; its own left subtree takes the
        // predecessor's old place.
        q = child[p][kLeft];
        if (child[q][kRight] != kNil) {
            do {
                q = child[q][kRight];
            } while (child[q][kRight] != kNil);
            unsigned qParent = parent[q], qLeft = child[q][kLeft];
            child[qParent][kRight] = static_cast<uint16_t>(qLeft);
            parent[qLeft] = static_cast<uint16_t>(qParent);
            child[q][kLeft] = child[p][kLeft];
            parent[child[p][kLeft]] = static_cast<uint16_t>(q);
        }
        child[q][kRight] = child[p][kRight];
        parent[child[p][kRight]] = static_cast<uint16_t>(q);
    }
    parent[q] = static_cast<uint16_t>(above);
    child[above][child[above][kRight] == p ? kRight : kLeft] = static_cast<uint16_t>(q);
    parent[p] = kNil;
}

}  // namespace halcyon::lzh
