// SPDX-License-Identifier: Apache-2.0
// Records as batches move them: frames, each a 2-byte length (low byte first) and the record's
// bytes. A batch read takes every queued record that fits its buffer, which may be more than the
// caller asked for; a Frames object keeps the rest, in order, for the queue object's next read.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>

namespace halcyon::python {

constexpr std::size_t kLengthField = 2;
constexpr std::size_t kMaxRecord = 3095;
constexpr std::size_t kMaxFrame = kMaxRecord + kLengthField;

// The first `count` records of the frames at `at` as a list of bytes; `at` moves past them.
pybind11::list RecordsOf(const unsigned char*& at, std::size_t count);

// Appends the frame of one record to `out`: its 2-byte length, then its bytes.
void AppendFrame(std::string& out, const unsigned char* data, std::size_t size);

class Frames {
  public:
    std::size_t count() const { return count_; }
    // Keeps `count` frames of `bytes` bytes at `data`, behind those kept already.
    void Keep(const unsigned char* data, std::size_t bytes, std::size_t count);
    // Hands out up to `most` records, front first, as a list of bytes.
    pybind11::list HandOut(std::size_t most);
    // The front record (there must be one).
    pybind11::bytes TakeOne();
    void Clear();

  private:
    std::string frames_;
    std::size_t at_ = 0;
    std::size_t count_ = 0;
};

}  // namespace halcyon::python
