// SPDX-License-Identifier: Apache-2.0
// One shared queue as the bridge sees it: opened by name as any client does, plus the queue's
// own mutex and a view of its mapping, so that the bridge can look at records before it takes
// them and make a journal write and a take one step that no other user of the queue can split.
#pragma once

#include <HalcyonCommon/SharedMemory.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace halcyon::bridge {

constexpr std::size_t kMaxRecord = 3095;

struct QueueRecord {
    std::uint64_t seq = 0;        // the bridge's number for the record (out)
    std::uint32_t readCount = 0;  // the queue's ReadCount before the record was taken
    std::string bytes;
};

class LocalQueue {
  public:
    LocalQueue() = default;
    LocalQueue(const LocalQueue&) = delete;
    LocalQueue& operator=(const LocalQueue&) = delete;
    ~LocalQueue();

    // Opens queue `name`; false with `error` set when no registry runs or there is no such queue.
    bool Open(const std::string& name, std::string& error);

    // Holds the queue's mutex (a mutex abandoned by a killed process is taken on the second try)
    // and clears a `sync` byte left set by a process killed while copying: with the mutex held
    // nobody else can be copying. Each true result is paired with one Unlock.
    bool Lock();
    void Unlock();

    // How a state file catches up with the queue when a bridge starts: runs `settle` on the
    // header under the queue's mutex. False with `error` set when the mutex cannot be taken, the
    // header is damaged or `settle` fails (`what` names the state file in the message).
    bool Settle(const std::function<bool(const tagSHMHEADER&)>& settle, const std::string& what,
                std::string& error);

    // While locked: the header as it stands; false when its check bytes are damaged.
    bool Header(tagSHMHEADER& header) const;
    // While locked: copies up to `maxRecords` front records (stopping before `maxBytes`) into
    // `out` without taking them; each carries the ReadCount it will be taken at.
    void Peek(std::size_t maxRecords, std::size_t maxBytes, std::vector<QueueRecord>& out) const;
    // While locked: takes the front record, which must be `expected`; false otherwise.
    bool Take(const std::string& expected);
    // While locked: takes the front records, which must be `batch` (as Peek gave them); false
    // otherwise. When they are all the queue holds (nothing else can come in while the bridge
    // holds the mutex), one batch read takes them; else one read each.
    bool TakeAll(const std::vector<QueueRecord>& batch);

    // True when a record of `length` bytes fits now.
    bool HasRoomFor(std::size_t length) const;
    // Sleep until the queue holds a record, or has room for one of `length` bytes, woken by the
    // process that changes it; false when `ms` passed first (or on failure).
    bool WaitForRecord(unsigned long ms) const;
    bool WaitForRoom(std::size_t length, unsigned long ms) const;
    // Appends a record (no pauses: the caller made room); false when the write failed.
    bool Append(const std::string& bytes);

  private:
    std::string name_;
    short id_ = -1;
    void* mutex_ = nullptr;
    MEM_MAPFILE map_{};
    std::uint32_t ring_ = 0;
};

}  // namespace halcyon::bridge
