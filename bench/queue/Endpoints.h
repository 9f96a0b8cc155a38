// SPDX-License-Identifier: Apache-2.0
// The two ends of each transport as the benchmark's child processes use them: a sender of
// records and a receiver that hands back what one call brought.
#pragma once

#include "queue/Contenders.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace halcyon::bench::queue {

struct Span {
    const unsigned char* data;
    std::size_t size;
};

class Sender {
  public:
    virtual ~Sender() = default;
    virtual bool Send(const unsigned char* record, unsigned short length) = 0;
    // Sends what a batching sender still holds.
    virtual bool Flush() { return true; }
};

class Receiver {
  public:
    virtual ~Receiver() = default;
    // Waits for records and lists them in `out` (valid until the next call); false on failure.
    virtual bool Receive(std::vector<Span>& out) = 0;
};

// The ends of `contender` for records of `size` bytes: over the queue `queueName` (opened
// here), or over descriptor `fd` (a pipe's end, a socket, the floor's shared memory).
std::unique_ptr<Sender> MakeSender(const Contender& contender, const std::string& queueName,
                                   int fd);
std::unique_ptr<Receiver> MakeReceiver(const Contender& contender, const std::string& queueName,
                                       int fd, long size);

}  // namespace halcyon::bench::queue
