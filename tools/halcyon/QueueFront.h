// SPDX-License-Identifier: Apache-2.0
// The front record of a shared queue, read without taking it, so that `queue pop` takes a record
// only once it has been written out. The layout is the one every process agrees on
// (docs/shared-queue-format.md); the queue's own mutex keeps the record in place while held.
#pragma once

#include <HalcyonCommon/SharedMemory.h>

#include <cstdint>
#include <string>

namespace halcyon::tool {

enum class Front { kRecord, kEmpty, kDamaged, kStuck };

class QueueFront {
  public:
    QueueFront() = default;
    ~QueueFront();
    QueueFront(const QueueFront&) = delete;
    QueueFront& operator=(const QueueFront&) = delete;

    // Maps queue `name`, open in this process under `id`, a second time; false when it cannot.
    bool Open(const std::string& name, short id);

    // The queue's mutex, held by this thread between Lock and Unlock (the library's reads and
    // writes from this thread take it again meanwhile).
    bool Lock();
    void Unlock();

    // With the mutex held: the front record and the queue's count of records read so far, which
    // tells a later look whether the same record is still in front. kStuck: a copy was left
    // unfinished (`sync` is 1).
    Front Peek(std::string& record, std::uint32_t& readCount) const;

  private:
    MEM_MAPFILE map_ = {};
    void* mutex_ = nullptr;
    std::uint32_t ringBytes_ = 0;
};

}  // namespace halcyon::tool
