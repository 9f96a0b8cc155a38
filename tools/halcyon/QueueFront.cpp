// SPDX-License-Identifier: Apache-2.0
#include "QueueFront.h"

#include <HalcyonCommon.h>

#include <cstring>

namespace halcyon::tool {
namespace {

constexpr std::uint8_t kCheck1 = 0x8E;
constexpr std::uint8_t kCheck2 = 0x8F;
constexpr std::uint32_t kLengthBytes = 2;
constexpr std::uint32_t kMaxRecord = 3095;

// `length` bytes of the ring from `pos` on, wrapping at its end.
std::string CopyRing(const unsigned char* ring, std::uint32_t size, std::uint32_t pos,
                     std::uint32_t length) {
    std::string bytes(length, '\0');
    std::uint32_t first = size - pos < length ? size - pos : length;
    std::memcpy(&bytes[0], ring + pos, first);
    std::memcpy(&bytes[first], ring, length - first);
    return bytes;
}

}  // namespace

QueueFront::~QueueFront() {
    s_MutexClose(mutex_);
    if (map_.pView != nullptr) s_MapFile_CloseMapFile(&map_, false);
}

bool QueueFront::Open(const std::string& name, short id) {
    ringBytes_ = static_cast<std::uint32_t>(s_MapFile_QueryQueSize(id));
    mutex_ = s_MutexOpen(("QS_" + name).c_str());
    return ringBytes_ != 0 && mutex_ != nullptr && s_MapFile_OpenMapFile(&map_, name.c_str());
}

bool QueueFront::Lock() {
    // An abandoned mutex fails one wait and is free again for the next.
    return s_MutexWait(mutex_, true) || s_MutexWait(mutex_, true);
}

void QueueFront::Unlock() { s_MutexReset(mutex_); }

Front QueueFront::Peek(std::string& record, std::uint32_t& readCount) const {
    tagSHMHEADER h;
    std::memcpy(&h, map_.pView, sizeof h);
    const std::uint32_t size = ringBytes_;
    if (h.H1 != kCheck1 || h.H2 != kCheck2 || h.size * 1024U != size || h.put >= size ||
        h.take >= size)
        return Front::kDamaged;
    if (h.take == h.put) return Front::kEmpty;
    if (h.sync != 0) return Front::kStuck;
    const std::uint32_t used = h.take < h.put ? h.put - h.take : size - h.take + h.put;
    const auto* ring = static_cast<const unsigned char*>(map_.pView) + sizeof(tagSHMHEADER);
    const std::string field = CopyRing(ring, size, h.take, kLengthBytes);
    const std::uint32_t length =
        static_cast<unsigned char>(field[0]) | static_cast<unsigned char>(field[1]) << 8;
    if (used <= kLengthBytes || length == 0 || length > kMaxRecord || length > used - kLengthBytes)
        return Front::kDamaged;
    record = CopyRing(ring, size, (h.take + kLengthBytes) % size, length);
    readCount = h.ReadCount;
    return Front::kRecord;
}

}  // namespace halcyon::tool
