// SPDX-License-Identifier: Apache-2.0
// The encoder's text window and its match finder: one binary search tree of window positions per
// first byte, ordered by the 60 bytes that start at each position. Inserting a position finds the
// longest earlier string that matches it (and, of equally long ones, the nearest among those the
// search passes), which decides the stream byte for byte; the insertion, the replacement of a
// node that matches in full and the deletion are therefore those of the 1988 program, step for
// step.
//
// Every input position is inserted in turn, whatever symbols are chosen, but the coder reads the
// best match only of the positions where its symbols start (one in four in text, one in eight
// in market data); the others are inserted without keeping track of their matches. Where two
// (or three) consecutive insertions go into different trees and provably do not see each
// other's work (LzhMatchAdvance.cpp), they are done side by side, so that their searches, each a
// chain of dependent memory reads, overlap.
//
// Inside a match, a position's place in its tree is most often next to where the previous
// position's went, shifted by one byte; there the insertion looks along the tree's in-order
// links, which each node keeps, instead of searching from the top (market data, whose trees
// are long chains of rising timestamps, 1.9 times as fast, text 1.1). The tree comes out the
// same: a new node's place depends only on its neighbours in order. Positions whose best match
// is read are still searched for from the top, since the match is the best of the nodes that
// search passes.
//
// Not thread-safe; each thread's working state holds its own.
#pragma once

#include "HalcyonCommon/Coding/LzhTables.h"

#include <cstddef>
#include <cstdint>

namespace halcyon::lzh {

struct LzhMatchFinder {
    // Window positions 0-4095; positions 4096-4154 repeat 0-58 so that no 60-byte string wraps;
    // the rest is slack for word-wide comparisons, which read a few bytes past the 60.
    static constexpr unsigned kTextSize = kWindowSize + kLookAhead + 12;

    // child[n][0] is the left child of node n, child[n][1] the right one (kNil: none); node
    // kWindowSize + 1 + b is the root of the tree of first byte b and has a right child only.
    uint16_t child[kWindowSize + 1 + 256][2];
    uint16_t parent[kWindowSize + 1];
    // The in-order neighbours of each node in its tree (kNil: none): next[0][n] the one before
    // n, next[1][n] the one after it, so that a side (0 left, 1 right) picks the row. They give
    // a deletion its node's predecessor without a walk, and an insertion that starts next to
    // its key's place its place at once. Entry kNil takes writes for a missing neighbour.
    uint16_t next[2][kWindowSize + 1];
    uint8_t text[kTextSize];

    // The best match of a position is given as a rank: length << 12 | (4095 - position value),
    // so that a longer match ranks higher and, of equal ones, a nearer one; a length below 3 (or
    // 0, when the tree was empty) means no match.

    // Starts on `size` (> 0) bytes at `in`: spaces in window positions 0-4035, the first 60
    // bytes from 4036 on, zeros after them, the trees holding the spaces before the look-ahead
    // and input position 0. Returns the best match of input position 0.
    uint32_t Start(const uint8_t* in, size_t size);

    // Inserts the next `count` (> 0) input positions, the window moving on one byte per
    // position, and returns the best match of the last of them. The last must lie within the
    // input.
    uint32_t Advance(size_t count);

  private:
    // Inserts positions 4035 down to 3976, the spaces before the first look-ahead, as 60 single
    // insertions would.
    void InsertLeadingSpaces();

    // Puts window position r into the tree of its first byte and, when kRank, returns its best
    // match (as a rank); a node whose string equals r's in all 60 bytes is replaced by r.
    template <bool kRank>
    uint32_t Insert(unsigned r);
    // Two insertions into different trees, done side by side; returns the second's best match
    // when kRank.
    template <bool kRank>
    uint32_t InsertPair(unsigned r1, unsigned r2);
    // Three insertions into three different trees, the same way.
    template <bool kRank>
    uint32_t InsertTriple(unsigned r1, unsigned r2, unsigned r3);
    struct Cursor;
    // Runs searches a (without its best match) and b (with it when kRank) to their ends side by
    // side; goA and goB tell whether each is still under way.
    template <bool kRank>
    void Finish(Cursor& a, bool goA, Cursor& b, bool goB);
    // Inserts r (without its best match) next to node f of its tree, or next to one of f's few
    // nearest neighbours on the side of r's key; false, with r's place not yet taken, when the
    // key lies further off.
    bool InsertNextTo(unsigned r, unsigned f);
    // r's string equals p's in full: r takes p's place (Replace), and true.
    bool TakePlaceOf(unsigned p, unsigned r);
    // The node after the one the last insertion ended at, when it lies in r's tree: r's key
    // probably lies next to it. kNil when there is none.
    unsigned Neighbour(unsigned r) const;
    // Hangs r under p (a node or a tree's top) on `side` and links it to its neighbours.
    void Place(unsigned r, unsigned p, unsigned side);
    void Begin(Cursor& cursor, unsigned r);
    void Ended(const Cursor& cursor);
    template <bool kRank>
    bool Step(Cursor& cursor);

    // Deletes the oldest window position, writes the next input byte there (if any) and moves
    // on by one position.
    void Shift();

    // Takes window position p out of its tree (nothing when it is in none).
    void Delete(unsigned p);
    // r's string equals p's in full: r takes p's place, p leaves the tree.
    void Replace(unsigned p, unsigned r);

    const uint8_t* in_ = nullptr;
    size_t size_ = 0;
    size_t next_ = 0;  // next input position to insert
    unsigned s_ = 0;   // oldest window position (deleted next)
    unsigned r_ = 0;   // window position of input position next_ - 1
    // Where the last insertion ended: the node it was hung under, and on which side (kNil when
    // it replaced a node instead).
    unsigned last_ = kNil;
    unsigned lastSide_ = kNil;
};

}  // namespace halcyon::lzh
