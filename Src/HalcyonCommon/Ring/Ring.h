// SPDX-License-Identifier: Apache-2.0
// Ring arithmetic shared by the byte, record and shared-memory queues.
//
// A ring of `size` bytes holds the bytes from `take` up to (not including) `put`; every byte goes
// to the position after the previous one and the position after size-1 is 0. One byte always
// stays empty, so that take == put means empty and never full.
#pragma once

#include <cstdint>
#include <cstring>

namespace halcyon::ring {

inline std::uint32_t Used(std::uint32_t put, std::uint32_t take, std::uint32_t size) {
    if (take == put) return 0;
    return take < put ? put - take : size - take + put;
}

inline std::uint32_t Free(std::uint32_t put, std::uint32_t take, std::uint32_t size) {
    return size - 1 - Used(put, take, size);
}

// The position `len` bytes after `pos`, which stays within the ring's end.
inline std::uint32_t Advance(std::uint32_t size, std::uint32_t pos, std::uint32_t len) {
    pos += len;
    return pos == size ? 0 : pos;
}

// Copies `len` bytes into the ring at `pos`, wrapping; returns the position after the last one.
inline std::uint32_t Write(std::uint8_t* ring, std::uint32_t size, std::uint32_t pos,
                           const void* data, std::uint32_t len) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (len <= size - pos) {  // the usual case, one copy (one store for a constant length)
        std::memcpy(ring + pos, bytes, len);
        return Advance(size, pos, len);
    }
    std::uint32_t first = size - pos < len ? size - pos : len;
    std::memcpy(ring + pos, bytes, first);
    std::memcpy(ring, bytes + first, len - first);
    pos += len;
    return pos >= size ? pos - size : pos;
}

// Copies `len` bytes out of the ring from `pos`, wrapping; returns the position after them.
inline std::uint32_t Read(const std::uint8_t* ring, std::uint32_t size, std::uint32_t pos,
                          void* out, std::uint32_t len) {
    auto* bytes = static_cast<std::uint8_t*>(out);
    if (len <= size - pos) {
        std::memcpy(bytes, ring + pos, len);
        return Advance(size, pos, len);
    }
    std::uint32_t first = size - pos < len ? size - pos : len;
    std::memcpy(bytes, ring + pos, first);
    std::memcpy(bytes + first, ring, len - first);
    pos += len;
    return pos >= size ? pos - size : pos;
}

// Little-endian length fields, byte by byte so that they may straddle the end of the ring.
inline std::uint32_t WriteLength(std::uint8_t* ring, std::uint32_t size, std::uint32_t pos,
                                 std::uint32_t value, std::uint32_t width) {
    std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return Write(ring, size, pos, bytes, width);
}

inline std::uint32_t ReadLength(const std::uint8_t* ring, std::uint32_t size, std::uint32_t pos,
                                std::uint32_t width, std::uint32_t& value) {
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    pos = Read(ring, size, pos, bytes, width);
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
            (static_cast<std::uint32_t>(bytes[3]) << 24);
    return pos;
}

}  // namespace halcyon::ring
