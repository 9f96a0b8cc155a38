// SPDX-License-Identifier: Apache-2.0
#include "OutJournal.h"

#include <random>

namespace halcyon::bridge {
namespace {

const char kMagic[] = "HCBOUT01";
constexpr std::size_t kHeaderSize = 24;
constexpr std::size_t kEntryHead = 14;

std::uint64_t NewId() {
    std::random_device random;
    return (static_cast<std::uint64_t>(random()) << 32 | random()) | 1;
}

}  // namespace

bool OutJournal::Open(const std::string& path, std::string& error) {
    std::string bytes;
    if (!file_.OpenAndRead(path, "journal", bytes, error)) return false;
    if (!bytes.empty() && (bytes.size() < kHeaderSize || bytes.compare(0, 8, kMagic) != 0)) {
        error = "'" + path + "' is not an out bridge's journal";
        return false;
    }
    if (bytes.empty()) {
        id_ = NewId();
        if (WriteHeader(1, true)) return true;
        error = "cannot write journal '" + path + "'";
        return false;
    }
    id_ = GetU64(bytes, 8);
    nextSeq_ = GetU64(bytes, 16);
    std::size_t at = kHeaderSize;
    while (at + kEntryHead <= bytes.size()) {
        std::size_t length = static_cast<unsigned char>(bytes[at + 12]) |
                             static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 13]))
                                 << 8;
        if (length == 0 || length > kMaxRecord || at + kEntryHead + length > bytes.size()) break;
        QueueRecord record;
        record.seq = GetU64(bytes, at);
        record.readCount = GetU32(bytes, at + 8);
        record.bytes = bytes.substr(at + kEntryHead, length);
        if (record.seq >= nextSeq_ && (pending_.empty() || record.seq == pending_.back().seq + 1)) {
            pending_.push_back(std::move(record));
            offsets_.push_back(at);
        }
        at += kEntryHead + length;
    }
    if (!pending_.empty()) nextSeq_ = pending_.back().seq + 1;
    end_ = at;
    if (file_.WriteAt(end_, "", true)) return true;
    error = "cannot write journal '" + path + "'";
    return false;
}

bool OutJournal::ForgetUntaken(std::uint32_t readCount) {
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        if (pending_[i].readCount != readCount) continue;
        end_ = offsets_[i];
        nextSeq_ = pending_[i].seq;
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i), pending_.end());
        offsets_.erase(offsets_.begin() + static_cast<std::ptrdiff_t>(i), offsets_.end());
        return file_.WriteAt(end_, "", true);
    }
    return true;
}

bool OutJournal::Append(std::vector<QueueRecord>& batch) {
    std::string bytes;
    std::uint64_t at = end_;
    std::vector<std::uint64_t> offsets;
    for (auto& record : batch) {
        record.seq = nextSeq_++;
        offsets.push_back(at + bytes.size());
        PutU64(bytes, record.seq);
        PutU32(bytes, record.readCount);
        bytes.push_back(static_cast<char>(record.bytes.size() & 0xFF));
        bytes.push_back(static_cast<char>(record.bytes.size() >> 8));
        bytes += record.bytes;
    }
    if (!file_.WriteAt(end_, bytes)) {
        nextSeq_ -= batch.size();
        return false;
    }
    end_ += bytes.size();
    pending_.insert(pending_.end(), batch.begin(), batch.end());
    offsets_.insert(offsets_.end(), offsets.begin(), offsets.end());
    return true;
}

bool OutJournal::Stored(std::uint64_t seq) {
    std::size_t before = pending_.size();
    while (!pending_.empty() && pending_.front().seq <= seq) {
        pending_.pop_front();
        offsets_.pop_front();
    }
    if (pending_.size() == before) return true;
    if (!pending_.empty()) return WriteHeader(pending_.front().seq, false);
    // Nothing left: start the file over, so that it stays small.
    end_ = kHeaderSize;
    return WriteHeader(nextSeq_, true);
}

bool OutJournal::WriteHeader(std::uint64_t firstSeq, bool truncate) {
    std::string header(kMagic, 8);
    PutU64(header, id_);
    PutU64(header, firstSeq);
    if (truncate) end_ = kHeaderSize;
    return file_.WriteAt(0, header, truncate);
}

}  // namespace halcyon::bridge
