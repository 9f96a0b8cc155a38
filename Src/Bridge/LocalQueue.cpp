// SPDX-License-Identifier: Apache-2.0
#include "LocalQueue.h"

#include <HalcyonCommon/Mutex.h>
#include <HalcyonCommon/QueueWaits.h>

#include <algorithm>
#include <cstring>

namespace halcyon::bridge {
namespace {

constexpr std::size_t kHeaderSize = sizeof(tagSHMHEADER);

bool MutexExists(const std::string& name) {
    void* handle = s_MutexOpen(name.c_str());
    if (handle == nullptr) return false;
    s_MutexClose(handle);
    return true;
}

}  // namespace

LocalQueue::~LocalQueue() {
    if (map_.pView != nullptr) s_MapFile_CloseMapFile(&map_, false);
    s_MutexClose(mutex_);
    if (id_ >= 0) s_MapFile_CloseQue(id_, false);
}

bool LocalQueue::Open(const std::string& name, std::string& error) {
    if (name.empty() || name.size() > 31) {
        error = "a queue name has 1 to 31 characters";
        return false;
    }
    // A client waits without limit for the registry and for a queue's name: look first.
    if (!MutexExists("QS_SHARED_QUEUE")) {
        error = "no queue registry is running on this machine";
        return false;
    }
    if (!MutexExists("QS_" + name)) {
        error = "no queue named '" + name + "'";
        return false;
    }
    id_ = s_MapFile_WaitingOpenQue(name.c_str());
    mutex_ = s_MutexOpen(("QS_" + name).c_str());
    // A mutex abandoned by a killed reader or writer (a bridge before this one) fails the first
    // call that waits for it.
    for (int attempt = 0; attempt < 2 && id_ >= 0 && ring_ == 0; ++attempt)
        ring_ = static_cast<std::uint32_t>(s_MapFile_QueryQueSize(id_));
    if (id_ < 0 || mutex_ == nullptr || ring_ == 0 ||
        s_MapFile_OpenMapFile(&map_, name.c_str()) != 1) {
        error = "cannot open queue '" + name + "'";
        return false;
    }
    name_ = name;
    return true;
}

bool LocalQueue::Settle(const std::function<bool(const tagSHMHEADER&)>& settle,
                        const std::string& what, std::string& error) {
    if (!Lock()) {
        error = "cannot take the mutex of queue '" + name_ + "'";
        return false;
    }
    tagSHMHEADER header;
    bool settled = Header(header) && settle(header);
    Unlock();
    if (!settled) error = "cannot settle " + what + " with queue '" + name_ + "'";
    return settled;
}

bool LocalQueue::Lock() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!s_MutexWait(mutex_, true)) continue;
        auto* header = static_cast<tagSHMHEADER*>(map_.pView);
        if (header->sync != 0) header->sync = 0;
        return true;
    }
    return false;
}

void LocalQueue::Unlock() { s_MutexReset(mutex_); }

bool LocalQueue::Header(tagSHMHEADER& header) const {
    std::memcpy(&header, map_.pView, kHeaderSize);
    return header.H1 == 0x8E && header.H2 == 0x8F && header.size * 1024u == ring_ &&
           header.put < ring_ && header.take < ring_;
}

void LocalQueue::Peek(std::size_t maxRecords, std::size_t maxBytes,
                      std::vector<QueueRecord>& out) const {
    tagSHMHEADER h;
    if (!Header(h)) return;
    const auto* ring = static_cast<const unsigned char*>(map_.pView) + kHeaderSize;
    std::uint32_t at = h.take;
    std::uint32_t used = (h.put + ring_ - h.take) % ring_;
    std::size_t bytes = 0;
    // Copies `n` ring bytes from `at` on, with wrap-around.
    auto copy = [&](char* to, std::uint32_t n) {
        std::uint32_t first = std::min(n, ring_ - at);
        std::memcpy(to, ring + at, first);
        std::memcpy(to + first, ring, n - first);
        at = (at + n) % ring_;
    };
    for (std::uint32_t n = 0; n < maxRecords && used > 2; ++n) {
        unsigned char prefix[2];
        copy(reinterpret_cast<char*>(prefix), 2);
        std::uint32_t length = prefix[0] | static_cast<std::uint32_t>(prefix[1]) << 8;
        if (length == 0 || length > kMaxRecord || length + 2 > used) return;
        if (bytes + length > maxBytes && !out.empty()) return;
        QueueRecord record;
        record.readCount = h.ReadCount + n;
        record.bytes.resize(length);
        copy(&record.bytes[0], length);
        out.push_back(std::move(record));
        used -= length + 2;
        bytes += length;
    }
}

bool LocalQueue::Take(const std::string& expected) {
    unsigned char buf[kMaxRecord];
    short length = s_MapFile_ReadQue(id_, buf, 0);
    return length > 0 && static_cast<std::size_t>(length) == expected.size() &&
           std::memcmp(buf, expected.data(), expected.size()) == 0;
}

bool LocalQueue::TakeAll(const std::vector<QueueRecord>& batch) {
    std::size_t frames = 0;
    for (const QueueRecord& record : batch) frames += 2 + record.bytes.size();
    tagSHMHEADER h;
    if (batch.empty() || !Header(h) || (h.put + ring_ - h.take) % ring_ != frames) {
        for (const QueueRecord& record : batch) {
            if (!Take(record.bytes)) return false;
        }
        return true;
    }
    std::vector<unsigned char> buf(std::max<std::size_t>(frames, kMaxRecord + 2));
    unsigned long used = 0;
    long taken = halcyon::ReadQueueBatch(id_, buf.data(), buf.size(), &used, 0);
    if (taken != static_cast<long>(batch.size()) || used != frames) return false;
    std::size_t at = 0;
    for (const QueueRecord& record : batch) {
        std::size_t length = buf[at] | static_cast<std::size_t>(buf[at + 1]) << 8;
        if (length != record.bytes.size() ||
            std::memcmp(&buf[at + 2], record.bytes.data(), length) != 0)
            return false;
        at += 2 + length;
    }
    return true;
}

bool LocalQueue::HasRoomFor(std::size_t length) const {
    return s_MapFile_QueryQueUseSize(id_) + length + 2 <= ring_ - 1;
}

bool LocalQueue::WaitForRecord(unsigned long ms) const {
    return halcyon::WaitQueueRecord(id_, ms) == 1;
}

bool LocalQueue::WaitForRoom(std::size_t length, unsigned long ms) const {
    return halcyon::WaitQueueRoom(id_, static_cast<unsigned short>(length), ms) == 1;
}

bool LocalQueue::Append(const std::string& bytes) {
    std::string copy = bytes;
    return s_MapFile_WriteQue(id_, reinterpret_cast<unsigned char*>(&copy[0]),
                              static_cast<unsigned short>(copy.size()), 0) == 1;
}

}  // namespace halcyon::bridge
