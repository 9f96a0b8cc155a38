// SPDX-License-Identifier: Apache-2.0
// Word-wide access to byte buffers for the codec: unaligned loads and stores in the byte order
// of the stream (most significant first). Both of the library's targets (x86 and ARM, Linux and
// Windows) are little-endian; the loads rely on it.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#include <stdlib.h>
#endif

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the codec's word-wide comparisons assume a little-endian target"
#endif

namespace halcyon::lzh {

// p itself, with the compiler kept from seeing where it comes from, so that an address computed
// from it stays as written. The decoder's walk and the match finder's search add their offsets
// to a table's address apart from the index they wait for, which leaves each step waiting on a
// load only; left alone, the compiler folds the sums back onto the index.
template <class T>
inline T* Opaque(T* p) {
#if defined(__GNUC__)
    asm("" : "+r"(p));
#endif
    return p;
}

// Eight bytes at p, p[0] in the low byte.
inline uint64_t LoadWord(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline uint64_t ByteSwap64(uint64_t v) {
#if defined(_MSC_VER) && !defined(__clang__)
    return _byteswap_uint64(v);
#else
    return __builtin_bswap64(v);
#endif
}

// Eight bytes at p, p[0] in the high byte (the order of the stream's bits).
inline uint64_t LoadBigEndian64(const uint8_t* p) { return ByteSwap64(LoadWord(p)); }

// Writes the high four bytes of v at p, most significant first.
inline void StoreBigEndian32(uint8_t* p, uint64_t v) {
    uint64_t swapped = ByteSwap64(v);
    std::memcpy(p, &swapped, 4);
}

}  // namespace halcyon::lzh
