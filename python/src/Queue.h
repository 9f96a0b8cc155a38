// SPDX-License-Identifier: Apache-2.0
// halcyon.Queue: one shared queue, open in this process, as a Python object.
//
// Reads and writes release the GIL for their whole wait and copy, so that other Python threads
// run meanwhile, and several queues can be served from one process. A wait is cut into slices of
// at most 100 ms; between two slices the object looks for Ctrl-C (KeyboardInterrupt) and for a
// close() from another thread, so no wait outlasts them by more than a slice.
//
// Batches move under one hold of the queue's mutex (none for a lock-free queue): read_batch takes
// every queued record that fits its buffer, hands out those asked for and keeps the rest, in
// order, for this object's next read; write_batch hands the library all its records at once.
#pragma once

#include "Frames.h"

#include <HalcyonCommon/QueueKinds.h>

#include <pybind11/pybind11.h>

#include <atomic>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>

namespace halcyon::python {

class Queue {
  public:
    Queue(short id, std::string name, bool created);
    static const char* KindName(int kind);
    ~Queue();
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    short id() const { return id_; }
    const std::string& name() const { return name_; }
    bool closed() const { return closed_; }
    const char* kind() const { return KindName(kind_); }

    bool Write(const pybind11::handle& record, std::optional<double> timeout);
    std::size_t WriteBatch(const pybind11::iterable& records, std::optional<double> timeout);
    pybind11::object Read(std::optional<double> timeout);
    pybind11::list ReadBatch(long maxRecords, std::optional<double> timeout);
    pybind11::object Next();  // for `for record in queue`: waits; StopIteration once closed
    pybind11::object Stat();
    unsigned long Count();
    void Reset();
    // Lets go of the queue; `remove` (default: whether this object created it) also removes it
    // from the registry once no other object of this process uses it.
    void Close(std::optional<bool> remove);

  private:
    void CheckOpen() const;
    QueueState State();
    void RaisePending();
    std::string FailureMessage(const char* what);
    [[noreturn]] void RaiseFailure(const char* what);
    template <class Attempt>
    long Wait(std::optional<double> timeout, Attempt attempt);
    std::size_t BatchBytes(long maxRecords) const;
    std::unique_ptr<unsigned char[]> Buffer(std::size_t size);

    short id_;
    std::string name_;
    bool created_;
    bool closed_ = false;
    std::atomic<bool> closing_{false};
    std::shared_mutex inUse_;   // shared by each call while the GIL is released, unique by close
    std::string pendingError_;  // a failure met after records were written, raised by the next call
    int kind_ = kQueueLegacy;
    unsigned long ringBytes_ = 0;
    Frames taken_;                            // records a batch read took beyond what was asked for
    std::size_t meanFrame_ = 66;              // of the last batch read: sizes the next one's buffer
    std::unique_ptr<unsigned char[]> spare_;  // the last batch read's buffer, for the next one
    std::size_t spareBytes_ = 0;
};

void RegisterQueues(pybind11::module_& m);

}  // namespace halcyon::python
