// SPDX-License-Identifier: Apache-2.0
// Futex words in shared memory (mutexes and events of the namespace): a wait with a deadline on
// the monotonic clock, and a wake.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>

namespace win::posix {

// A wait's end on the monotonic clock; 0xFFFFFFFF milliseconds is no end at all.
class Deadline {
  public:
    explicit Deadline(std::uint32_t milliseconds);

    // The time left in `left` (null for no limit), at most `sliceMs` when that is not 0; false
    // once the end has passed.
    bool Left(timespec& storage, const timespec*& left, std::uint32_t sliceMs = 0) const;

  private:
    bool forever_;
    timespec end_{};
};

// Sleeps while `word` still holds `expected`, for at most `left` (null: no limit). The word is
// shared between processes: no private futex.
void FutexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected, const timespec* left);

// Wakes up to `count` threads sleeping on `word`.
void FutexWake(std::atomic<std::uint32_t>& word, int count);

}  // namespace win::posix
