// SPDX-License-Identifier: Apache-2.0
// The out bridge's journal: the records it has taken from its queue and the stream has not yet
// been seen to store, in the order taken. A record enters the journal before it leaves the queue
// (LocalQueue::Peek, then Append, then LocalQueue::Take, all under the queue's mutex), and leaves
// it once the stream holds it, so a kill at any instant finds every record in the queue, in the
// journal, or in the stream.
//
// File: a header of 24 bytes (magic "HCBOUT01", the journal id, the first sequence not yet
// stored), then entries of a 64-bit sequence, the queue's 32-bit ReadCount before the take, a
// 16-bit length and the record's bytes. Entries below the header's sequence are stale; an entry
// cut short by a crash is dropped.
#pragma once

#include "LocalQueue.h"
#include "StateFile.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace halcyon::bridge {

class OutJournal {
  public:
    // Opens `path`, creating a journal with a new random id if it is empty or not a journal.
    bool Open(const std::string& path, std::string& error);

    std::uint64_t Id() const { return id_; }
    std::uint64_t NextSeq() const { return nextSeq_; }
    const std::deque<QueueRecord>& Pending() const { return pending_; }

    // After a restart: entries taken at `readCount` or later never left the queue (the bridge was
    // killed between the journal write and the take); they are forgotten.
    bool ForgetUntaken(std::uint32_t readCount);
    // Numbers `batch` from NextSeq() on and writes it; false when the write failed.
    bool Append(std::vector<QueueRecord>& batch);
    // The stream holds every record up to and including `seq`.
    bool Stored(std::uint64_t seq);

  private:
    bool WriteHeader(std::uint64_t firstSeq, bool truncate);

    StateFile file_;
    std::uint64_t id_ = 0;
    std::uint64_t nextSeq_ = 1;
    std::uint64_t end_ = 0;              // file offset after the last entry
    std::deque<QueueRecord> pending_;    // the entries not yet stored
    std::deque<std::uint64_t> offsets_;  // their file offsets
};

}  // namespace halcyon::bridge
