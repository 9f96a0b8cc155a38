// The encoder's text window and its match finder: one binary search tree of window positions per
// first byte, ordered by the 60 bytes that start at each position. Inserting the position about
// to be coded finds the longest earlier string that matches it (and, of equally long ones, the
// nearest among those the search passes), which decides the stream byte for byte; the insertion,
// the replacement of a node that matches in full and the deletion are therefore those of the
// 1988 program, step for step.
//
// Not thread-safe; each thread's working state holds its own.
#pragma once

#include "HalcyonCommon/Coding/LzhTables.h"

#include <cstdint>

namespace halcyon::lzh {

struct LzhMatchFinder {
    // Window positions 0-4095; positions 4096-4154 repeat 0-58 so that no 60-byte string wraps;
    // the rest is slack for word-wide comparisons, which read a few bytes past the 60.
    static constexpr unsigned kTextSize = kWindowSize + kLookAhead + 12;
    uint8_t text[kTextSize];
    // child[n][0] is the left child of node n, child[n][1] the right one (kNil: none); node
    // kWindowSize + 1 + b is the root of the tree of first byte b and has a right child only.
    uint16_t child[kWindowSize + 1 + 256][2];
    uint16_t parent[kWindowSize + 1];
    unsigned matchLength;    // of the last insertion: 0, or 3-60
    unsigned matchPosition;  // distance of that match minus one

    // Spaces in positions 0-4035, zeros from 4036 on, all trees empty.
    void Start();

    // Inserts positions 4035 down to 3976, the spaces before the first look-ahead, as 60 calls
    // of Insert would, once the look-ahead is in place.
    void InsertLeadingSpaces();

    // Puts the string at window position r into its tree and sets matchLength and
    // matchPosition. A node whose string equals r's in all 60 bytes is replaced by r.
    void Insert(unsigned r);

    // Takes window position p out of its tree (nothing when it is in none).
    void Delete(unsigned p);

  private:
    void Replace(unsigned p, unsigned r);
};

}  // namespace halcyon::lzh
