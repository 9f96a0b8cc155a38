// SPDX-License-Identifier: Apache-2.0
// The in bridge's cursor: the stream sequence of the last record written into the local queue.
// Before each write the bridge notes the sequence it is about to write and the queue's
// WriteCount, under the queue's mutex; after a kill, a WriteCount that has moved on since shows
// that the write happened. Redelivered messages at or below the cursor are dropped.
//
// File: 32 bytes, magic "HCBIN001", the last written sequence, the sequence being written and
// the WriteCount before it (with 4 bytes of padding), little-endian. The file is mapped and the
// fields are stored one by one in an order that leaves a consistent cursor wherever a kill stops
// the process: the written sequence, the WriteCount, then the sequence being written.
#pragma once

#include "StateFile.h"

#include <cstdint>
#include <string>

namespace halcyon::bridge {

class InCursor {
  public:
    bool Open(const std::string& path, std::string& error);
    // After a restart, with the queue's mutex held: settles a write that was under way.
    bool Recover(std::uint32_t writeCount);

    std::uint64_t Written() const { return written_; }
    // Notes that `seq` is about to be written while the queue's WriteCount is `writeCount`.
    bool Writing(std::uint64_t seq, std::uint32_t writeCount);
    // The write noted last went through.
    void Done() { written_ = writing_; }

  private:
    void Save();

    StateFile file_;
    unsigned char* view_ = nullptr;
    std::uint64_t written_ = 0;
    std::uint64_t writing_ = 0;
    std::uint32_t writeCount_ = 0;
};

}  // namespace halcyon::bridge
