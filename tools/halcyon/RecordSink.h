// SPDX-License-Identifier: Apache-2.0
// Standard output for records that must not be lost. Each record is written whole with the
// system's own write (no buffer of the C library keeps it back), so a failure is known before the
// record is taken off its queue. Into a pipe or a socket a written record is only in the system's
// buffer: there it is the reader's once the reader has read it, and AwaitReader tells when.
#pragma once

#include <string>

namespace halcyon::tool {

class RecordSink {
  public:
    RecordSink();

    // Writes all of `bytes`; false with the system's reason in `error`.
    bool Write(const std::string& bytes, std::string& error);

    // True for a pipe or a socket, whose reader may go away without reading what is written.
    bool HandsOver() const { return handsOver_; }

    // Waits until the reader has read everything written so far; false with `error` when it went
    // away first, or when `stop()` became true meanwhile.
    bool AwaitReader(bool (*stop)(), std::string& error);

  private:
    int fd_;
    bool handsOver_ = false;
    bool socket_ = false;
};

}  // namespace halcyon::tool
