// SPDX-License-Identifier: Apache-2.0
// The match finder's walk through the input. Each input position g costs one step: the oldest
// window position s is deleted, the input byte g + 59 (when there is one) enters the window
// there, and position g, at window position r, is inserted.
//
// One after another, two steps are D(s) W(s) I(r+1), D(s+1) W(s+1) I(r+2). Done as
// D(s) W(s) D(s+1) W(s+1) and then I(r+1) and I(r+2) side by side, they give the same result
// when
//   - the two insertions go into different trees (their strings' first bytes differ), so that
//     neither sees the other; and
//   - node s+1, deleted before I(r+1) instead of after it, is not in the tree of I(r+1), which
//     would otherwise have passed it, or replaced it.
// The byte written at s+1 belongs to the key of r+2, not of r+1, and to the strings of nodes
// s+1 and of those before it, none of which is then in a tree.
//
// Three steps go side by side the same way when a third insertion, I(r+3), goes into a tree of
// its own too, and node s+2, now deleted before I(r+1) and I(r+2), is in neither of their
// trees; the byte written at s+2 belongs to the key of r+3 only. Market data, whose digits
// repeat, gains most from pairs; three side by side gain a further tenth there.
#include "HalcyonCommon/Coding/LzhMatchFinder.h"

namespace halcyon::lzh {

inline void LzhMatchFinder::Shift() {
    Delete(s_);
    size_t from = next_ + kLookAhead - 1;
    if (from < size_) {
        text[s_] = in_[from];
        if (s_ < kLookAhead - 1) text[s_ + kWindowSize] = in_[from];
    }
    s_ = (s_ + 1) & kWindowMask;
    r_ = (r_ + 1) & kWindowMask;
    ++next_;
}

// Not across the window's end: the strings of 4095 and 0 are not one moved by a byte from the
// other, the bytes after 4095 being the copies of 0-58, which hold zeros until they are written
// while 0-58 hold spaces. Nor when the strings of r and f share only their first byte: the
// nodes between them in order are then many (in text the walk along them gives up two times in
// three), and a search from the top is the shorter way.
inline unsigned LzhMatchFinder::Neighbour(unsigned r) const {
    if (last_ >= kWindowMask || r == 0) return kNil;
    unsigned f = (last_ + 1) & kWindowMask;
    if (parent[f] == kNil || f == s_ || text[f] != text[r] || text[f + 1] != text[r + 1])
        return kNil;
    return f;
}

uint32_t LzhMatchFinder::Advance(size_t count) {
    for (;;) {
        unsigned r1 = (r_ + 1) & kWindowMask, r2 = (r_ + 2) & kWindowMask;
        if (count >= 2) {
            unsigned f = Neighbour(r1);
            if (f != kNil) {
                Shift();
                if (!InsertNextTo(r1, f)) Insert<false>(r1);
                --count;
                continue;
            }
        }
        unsigned s1 = (s_ + 1) & kWindowMask;
        bool apart =
            count >= 2 && text[r1] != text[r2] && (parent[s1] == kNil || text[s1] != text[r1]);
        if (!apart) {
            Shift();
            if (count == 1) return Insert<true>(r1);
            Insert<false>(r1);
            --count;
            continue;
        }
        unsigned r3 = (r_ + 3) & kWindowMask, s2 = (s_ + 2) & kWindowMask;
        bool thirdApart = count >= 3 && text[r3] != text[r1] && text[r3] != text[r2] &&
                          (parent[s2] == kNil || (text[s2] != text[r1] && text[s2] != text[r2]));
        if (thirdApart) {
            Shift();
            Shift();
            Shift();
            if (count == 3) return InsertTriple<true>(r1, r2, r3);
            InsertTriple<false>(r1, r2, r3);
            count -= 3;
            continue;
        }
        Shift();
        Shift();
        if (count == 2) return InsertPair<true>(r1, r2);
        InsertPair<false>(r1, r2);
        count -= 2;
    }
}

}  // namespace halcyon::lzh
