// SPDX-License-Identifier: Apache-2.0
// The block scrambler's key tables.
//
// These values are the key: every installation that exchanges scrambled data must carry the same
// ones, so they never change. The layout of each table is fixed by the scrambler's format
// (docs/scrambler-format.md); only the low byte of each offset is used.
#pragma once

#include <cstdint>

namespace halcyon::scrambler {

constexpr int kBlockModes = 4;  // four-byte steps, modes 1-4
constexpr int kBlockSize = 4;
constexpr int kTailModes = 2;  // three-byte steps, modes 1-2
constexpr int kTailSize = 3;

// Four-byte permutations, one row per mode 1-4: destination byte i takes source position p[i].
constexpr std::uint16_t kBlockPermutations[kBlockModes][kBlockSize] = {
    {2, 0, 3, 1},
    {1, 3, 0, 2},
    {3, 2, 1, 0},
    {0, 3, 1, 2},
};

// Four-byte offsets, one row per mode 1-4: the pair (A, B) of source positions 0, 1, 2 and 3;
// a byte at position j becomes s + 16·A + B.
constexpr std::uint16_t kBlockOffsets[kBlockModes][2 * kBlockSize] = {
    {0x05, 0x3A, 0x0C, 0x71, 0x02, 0xD4, 0x09, 0x1F},
    {0x0E, 0x62, 0x03, 0xA9, 0x0B, 0x17, 0x06, 0xC5},
    {0x01, 0x8E, 0x0D, 0x34, 0x07, 0xEB, 0x0A, 0x50},
    {0x04, 0xB3, 0x0F, 0x26, 0x08, 0x7D, 0x00, 0x99},
};

// Three-byte permutations, one row per mode 1-2.
constexpr std::uint16_t kTailPermutations[kTailModes][kTailSize] = {
    {2, 0, 1},
    {1, 0, 2},
};

// Three-byte offsets C of source positions 0, 1 and 2, one row per mode 1-2.
constexpr std::uint16_t kTailOffsets[kTailModes][kTailSize] = {
    {0x4B, 0xA7, 0x1C},
    {0xD2, 0x38, 0x85},
};

// Order of the four-byte steps; block k uses row k mod 4.
constexpr int kScheduleRows = 4;
constexpr int kForwardSchedule[kScheduleRows][kBlockModes] = {
    {1, 2, 4, 3},
    {3, 1, 2, 4},
    {4, 3, 1, 2},
    {2, 4, 3, 1},
};
constexpr int kReverseSchedule[kScheduleRows][kBlockModes] = {
    {3, 4, 2, 1},
    {4, 2, 1, 3},
    {2, 1, 3, 4},
    {1, 3, 4, 2},
};

// The three-byte steps over the last three bytes: forward mode 2 then 1, reverse 1 then 2.
constexpr int kTailForward[kTailModes] = {2, 1};
constexpr int kTailReverse[kTailModes] = {1, 2};

}  // namespace halcyon::scrambler
