// SPDX-License-Identifier: Apache-2.0
// The block scrambler: keyed four-byte steps over every whole block, three-byte steps over the
// last three bytes.
//
// Each step adds a constant to every byte and moves the bytes to new positions, so any chain of
// steps is again "destination byte i = source byte from[i] + add[i]". The chains are composed
// here at compile time from the key tables and schedules: one map per schedule row, one map for
// four consecutive blocks (rows 0-3, the common case), one for the tail. The result is the same
// as running the steps one by one, at a fraction of the cost.
#include <HalcyonCommon/Scrambler.h>

#include "HalcyonCommon/Coding/ScramblerKeys.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace halcyon::scrambler {
namespace {

template <int N>
struct ByteMap {
    std::uint8_t from[N];
    std::uint8_t add[N];
};

template <int N>
constexpr ByteMap<N> Identity() {
    ByteMap<N> map{};
    for (int i = 0; i < N; ++i) map.from[i] = static_cast<std::uint8_t>(i);
    return map;
}

// The map that applies `first` and then `second`.
template <int N>
constexpr ByteMap<N> Then(const ByteMap<N>& first, const ByteMap<N>& second) {
    ByteMap<N> map{};
    for (int i = 0; i < N; ++i) {
        int via = second.from[i];
        map.from[i] = first.from[via];
        map.add[i] = static_cast<std::uint8_t>(first.add[via] + second.add[i]);
    }
    return map;
}

// s + 16·A + B modulo 256 for the pair (A, B) of source position j of four-byte mode `mode`.
constexpr std::uint8_t BlockOffset(int mode, int j) {
    const auto& pairs = kBlockOffsets[mode - 1];
    return static_cast<std::uint8_t>(16 * (pairs[2 * j] & 0xFF) + (pairs[2 * j + 1] & 0xFF));
}

constexpr ByteMap<kBlockSize> BlockStep(int mode, bool reverse) {
    ByteMap<kBlockSize> map{};
    const auto& p = kBlockPermutations[mode - 1];
    for (int i = 0; i < kBlockSize; ++i) {
        if (!reverse) {
            map.from[i] = static_cast<std::uint8_t>(p[i]);
            map.add[i] = BlockOffset(mode, p[i]);
        } else {  // t[p[i]] = s[i], then each position loses its offset
            map.from[p[i]] = static_cast<std::uint8_t>(i);
            map.add[p[i]] = static_cast<std::uint8_t>(-BlockOffset(mode, p[i]));
        }
    }
    return map;
}

constexpr ByteMap<kTailSize> TailStep(int mode, bool reverse) {
    ByteMap<kTailSize> map{};
    const auto& q = kTailPermutations[mode - 1];
    for (int i = 0; i < kTailSize; ++i) {
        auto offset = static_cast<std::uint8_t>(kTailOffsets[mode - 1][q[i]] & 0xFF);
        if (!reverse) {
            map.from[i] = static_cast<std::uint8_t>(q[i]);
            map.add[i] = offset;
        } else {
            map.from[q[i]] = static_cast<std::uint8_t>(i);
            map.add[q[i]] = static_cast<std::uint8_t>(-offset);
        }
    }
    return map;
}

constexpr ByteMap<kBlockSize> RowMap(const int (&schedule)[kBlockModes], bool reverse) {
    ByteMap<kBlockSize> map = Identity<kBlockSize>();
    for (int mode : schedule) map = Then(map, BlockStep(mode, reverse));
    return map;
}

constexpr int kGroupSize = kScheduleRows * kBlockSize;

// Four consecutive blocks starting at a block number divisible by four.
constexpr ByteMap<kGroupSize> GroupMap(const int (&schedule)[kScheduleRows][kBlockModes],
                                       bool reverse) {
    ByteMap<kGroupSize> map{};
    for (int row = 0; row < kScheduleRows; ++row) {
        ByteMap<kBlockSize> rowMap = RowMap(schedule[row], reverse);
        for (int i = 0; i < kBlockSize; ++i) {
            map.from[row * kBlockSize + i] =
                static_cast<std::uint8_t>(row * kBlockSize + rowMap.from[i]);
            map.add[row * kBlockSize + i] = rowMap.add[i];
        }
    }
    return map;
}

constexpr ByteMap<kTailSize> TailMap(const int (&order)[kTailModes], bool reverse) {
    ByteMap<kTailSize> map = Identity<kTailSize>();
    for (int mode : order) map = Then(map, TailStep(mode, reverse));
    return map;
}

struct Direction {
    ByteMap<kGroupSize> group;
    ByteMap<kBlockSize> rows[kScheduleRows];
    ByteMap<kTailSize> tail;
};

constexpr Direction MakeDirection(const int (&schedule)[kScheduleRows][kBlockModes],
                                  const int (&tailOrder)[kTailModes], bool reverse) {
    Direction d{};
    d.group = GroupMap(schedule, reverse);
    for (int row = 0; row < kScheduleRows; ++row) d.rows[row] = RowMap(schedule[row], reverse);
    d.tail = TailMap(tailOrder, reverse);
    return d;
}

constexpr Direction kForward = MakeDirection(kForwardSchedule, kTailForward, false);
constexpr Direction kReverse = MakeDirection(kReverseSchedule, kTailReverse, true);

template <int N>
constexpr bool IsIdentity(const ByteMap<N>& map) {
    for (int i = 0; i < N; ++i) {
        if (map.from[i] != i || map.add[i] != 0) return false;
    }
    return true;
}

template <int N>
constexpr bool IsPermutation(const std::uint16_t (&p)[N]) {
    for (int i = 0; i < N; ++i) {
        int seen = 0;
        for (int j = 0; j < N; ++j) seen += p[j] == i;
        if (seen != 1) return false;
    }
    return true;
}

constexpr bool KeysArePermutations() {
    for (const auto& p : kBlockPermutations) {
        if (!IsPermutation(p)) return false;
    }
    for (const auto& p : kTailPermutations) {
        if (!IsPermutation(p)) return false;
    }
    return true;
}

// The reverse schedules and tail order must undo the forward ones exactly.
constexpr bool ReverseUndoesForward() {
    for (int row = 0; row < kScheduleRows; ++row) {
        if (!IsIdentity(Then(kForward.rows[row], kReverse.rows[row]))) return false;
    }
    return IsIdentity(Then(kForward.group, kReverse.group)) &&
           IsIdentity(Then(kForward.tail, kReverse.tail));
}

static_assert(KeysArePermutations(), "a key permutation repeats a position");
static_assert(ReverseUndoesForward(), "the reverse steps do not undo the forward steps");

// Reads all N source bytes before writing any, so `src` and `dst` may be the same. Unrolled, so
// that with a constant map every index and offset is a constant of the generated code.
template <int N, std::size_t... I>
inline void ApplyUnrolled(const ByteMap<N>& map, const std::uint8_t* src, std::uint8_t* dst,
                          std::index_sequence<I...>) {
    std::uint8_t s[N];
    std::memcpy(s, src, N);
    ((dst[I] = static_cast<std::uint8_t>(s[map.from[I]] + map.add[I])), ...);
}

template <int N>
inline void Apply(const ByteMap<N>& map, const std::uint8_t* src, std::uint8_t* dst) {
    ApplyUnrolled(map, src, dst, std::make_index_sequence<N>());
}

// Every whole block of `length` bytes from `src` into `dst`; the bytes after the last whole
// block are copied unchanged.
template <const Direction& kDirection>
void TransformBlocks(const std::uint8_t* src, std::uint8_t* dst, std::size_t length) {
    std::size_t blocks = length / kBlockSize;
    std::size_t offset = 0;
    for (std::size_t g = blocks / kScheduleRows; g > 0; --g, offset += kGroupSize) {
        Apply(kDirection.group, src + offset, dst + offset);
    }
    switch (blocks % kScheduleRows) {  // rows 0 to 2 of a last, incomplete group
        case 3:
            Apply(kDirection.rows[2], src + offset + 2 * kBlockSize, dst + offset + 2 * kBlockSize);
            [[fallthrough]];
        case 2:
            Apply(kDirection.rows[1], src + offset + kBlockSize, dst + offset + kBlockSize);
            [[fallthrough]];
        case 1:
            Apply(kDirection.rows[0], src + offset, dst + offset);
            offset += (blocks % kScheduleRows) * kBlockSize;
            break;
        default:
            break;
    }
    if (src != dst) std::memcpy(dst + offset, src + offset, length - offset);
}

}  // namespace
}  // namespace halcyon::scrambler

using namespace halcyon::scrambler;

long s_CodingEncode_2(long lLength, unsigned char* pbyInput, unsigned char* pbyOutput) {
    if (lLength <= 4 || pbyInput == nullptr || pbyOutput == nullptr) return 0;
    auto length = static_cast<std::size_t>(lLength);
    TransformBlocks<kForward>(pbyInput, pbyOutput, length);
    std::uint8_t* last = pbyOutput + length - kTailSize;
    Apply(kForward.tail, last, last);
    return lLength;
}

long s_CodingDecode_2(long lLength, unsigned char* pbyInput, unsigned char* pbyOutput) {
    if (lLength <= 4 || pbyInput == nullptr || pbyOutput == nullptr) return 0;
    auto length = static_cast<std::size_t>(lLength);
    std::uint8_t* last = pbyInput + length - kTailSize;
    Apply(kReverse.tail, last, last);
    TransformBlocks<kReverse>(pbyInput, pbyOutput, length);
    return lLength;
}
