// SPDX-License-Identifier: Apache-2.0
#include "Queue.h"

#include "Bytes.h"
#include "Errors.h"
#include "QueueStat.h"
#include "QueueTable.h"

#include <HalcyonCommon/QueueWaits.h>
#include <HalcyonCommon/SharedMemory.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

namespace py = pybind11;

namespace halcyon::python {
namespace {

constexpr unsigned short kMaxRecord = 3095;
constexpr unsigned long kSliceMs = 100;
using Clock = std::chrono::steady_clock;

// A wait's limit: none, or a point in time.
struct Deadline {
    explicit Deadline(std::optional<double> seconds) {
        if (!seconds) return;
        if (!(*seconds >= 0.0)) RaiseValueError("timeout must be None or a number of seconds >= 0");
        forever = false;
        end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(std::min(*seconds, 1e9)));
    }
    // The next slice in milliseconds: at most kSliceMs, 0 once the limit has passed.
    unsigned long Slice() const {
        if (forever) return kSliceMs;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        return left.count() <= 0 ? 0 : std::min<unsigned long>(kSliceMs, left.count());
    }
    bool Passed() const { return !forever && Clock::now() >= end; }

    bool forever = true;
    Clock::time_point end{};
};

}  // namespace

Queue::Queue(short id, std::string name, bool created)
    : id_(id), name_(std::move(name)), created_(created), ringBytes_(s_MapFile_QueryQueSize(id)) {}

Queue::~Queue() {
    if (closed_) return;
    closed_ = true;
    Release(id_, created_);  // no thread can be inside: the Python object is gone
}

void Queue::CheckOpen() const {
    if (closed_ || closing_) RaiseQueueError("queue '" + name_ + "' is closed");
}

void Queue::RaisePending() {
    if (pendingError_.empty()) return;
    std::string message;
    message.swap(pendingError_);
    RaiseQueueError(message);
}

// Tells a damaged queue (which the library has reset) from one whose `sync` flag a process left
// set when it died in the middle of a copy.
std::string Queue::FailureMessage(const char* what) {
    tagSHMHEADER h{};
    bool stuck = s_MapFile_QueryQueHeader(id_, &h) == 1 && h.sync != 0;
    std::string message = std::string(what) + " queue '" + name_ + "' failed: ";
    message += stuck ? "a process died while copying a record, which leaves the queue busy; "
                       "reset() makes it usable again (its records are lost)"
                     : "the queue was damaged; it has been reset and its records are lost";
    return message;
}

void Queue::RaiseFailure(const char* what) { RaiseQueueError(FailureMessage(what)); }

// Runs attempt(milliseconds) with the GIL released until it returns non-zero or the time limit
// passes, in slices; between slices, with the GIL, looks for signals and for close().
template <class Attempt>
int Queue::Wait(std::optional<double> timeout, Attempt attempt) {
    Deadline deadline(timeout);
    for (;;) {
        int result;
        bool closing;
        {
            py::gil_scoped_release released;
            std::shared_lock<std::shared_mutex> use(inUse_);
            closing = closing_;
            result = closing ? 0 : attempt(deadline.Slice());
        }
        if (closing) RaiseQueueError("queue '" + name_ + "' was closed while waiting");
        if (result != 0 || deadline.Passed()) return result;
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
}

bool Queue::Write(const py::handle& record, std::optional<double> timeout) {
    CheckOpen();
    ByteView bytes(record);
    if (bytes.size() == 0 || bytes.size() > kMaxRecord)
        RaiseValueError("a record holds 1 to 3095 bytes, not " + std::to_string(bytes.size()));
    if (bytes.size() + 3 > ringBytes_)
        RaiseValueError("a record of " + std::to_string(bytes.size()) +
                        " bytes never fits queue '" + name_ + "', whose ring holds " +
                        std::to_string(ringBytes_) + " bytes");
    auto length = static_cast<unsigned short>(bytes.size());
    int result = Wait(timeout, [&](unsigned long ms) {
        return WriteQueueWaiting(id_, bytes.data(), length, ms);
    });
    if (result < 0) RaiseFailure("writing to");
    return result == 1;
}

std::size_t Queue::WriteBatch(const py::iterable& records, std::optional<double> timeout) {
    CheckOpen();
    std::vector<std::unique_ptr<ByteView>> views;
    for (py::handle record : records) {
        views.push_back(std::make_unique<ByteView>(record));
        std::size_t size = views.back()->size();
        if (size == 0 || size > kMaxRecord || size + 3 > ringBytes_)
            RaiseValueError("record " + std::to_string(views.size() - 1) + " of the batch has " +
                            std::to_string(size) + " bytes: queue '" + name_ +
                            "' takes records of 1 to " +
                            std::to_string(std::min<unsigned long>(kMaxRecord, ringBytes_ - 3)));
    }
    std::size_t next = 0;
    if (views.empty()) return 0;
    int result = Wait(timeout, [&](unsigned long ms) {
        for (;;) {
            const ByteView& view = *views[next];
            int written =
                WriteQueueWaiting(id_, view.data(), static_cast<unsigned short>(view.size()), ms);
            if (written != 1) return written;
            if (++next == views.size()) return 1;
        }
    });
    if (result < 0) RaiseFailure("writing to");
    return next;
}

py::object Queue::Read(std::optional<double> timeout) {
    CheckOpen();
    RaisePending();
    unsigned char buf[kMaxRecord];
    short length = 0;
    Wait(timeout, [&](unsigned long ms) { return length = ReadQueueWaiting(id_, buf, ms); });
    if (length < 0) RaiseFailure("reading from");
    if (length == 0) return py::none();
    return py::bytes(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(length));
}

py::list Queue::ReadBatch(long maxRecords, std::optional<double> timeout) {
    CheckOpen();
    RaisePending();
    if (maxRecords < 1) RaiseValueError("max_records must be at least 1");
    std::string arena;
    std::vector<unsigned short> lengths;
    short failure = 0;
    unsigned char buf[kMaxRecord];
    Wait(timeout, [&](unsigned long ms) {
        // The first record waits; the rest are those queued already.
        for (unsigned long wait = ms; lengths.size() < static_cast<std::size_t>(maxRecords);
             wait = 0) {
            short length = ReadQueueWaiting(id_, buf, wait);
            if (length <= 0) {
                failure = length;
                break;
            }
            arena.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(length));
            lengths.push_back(static_cast<unsigned short>(length));
        }
        return lengths.empty() ? failure : 1;
    });
    if (failure < 0 && lengths.empty()) RaiseFailure("reading from");
    // The records taken are handed out; the failure waits for the next call.
    if (failure < 0) pendingError_ = FailureMessage("reading from");
    py::list records(lengths.size());
    std::size_t offset = 0;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        records[i] = py::bytes(arena.data() + offset, lengths[i]);
        offset += lengths[i];
    }
    return records;
}

py::object Queue::Next() {
    if (closed_ || closing_) throw py::stop_iteration();
    try {
        return Read(std::nullopt);
    } catch (py::error_already_set&) {
        if (closed_ || closing_) throw py::stop_iteration();
        throw;
    }
}

py::object Queue::Stat() {
    CheckOpen();
    tagSHMHEADER h{};
    if (s_MapFile_QueryQueHeader(id_, &h) != 1)
        RaiseQueueError("cannot read the header of queue '" + name_ + "'");
    return MakeQueueStat(id_, name_, h);
}

unsigned long Queue::Count() {
    CheckOpen();
    tagSHMHEADER h{};
    if (s_MapFile_QueryQueHeader(id_, &h) != 1)
        RaiseQueueError("cannot read the header of queue '" + name_ + "'");
    return h.count;
}

void Queue::Reset() {
    CheckOpen();
    pendingError_.clear();
    py::gil_scoped_release released;
    s_MapFile_ResetQue(id_);
}

void Queue::Close(std::optional<bool> remove) {
    if (closed_) return;
    closing_ = true;
    {
        py::gil_scoped_release released;
        std::unique_lock<std::shared_mutex> alone(inUse_);  // waits out a slice in progress
    }
    closed_ = true;
    if (!Release(id_, remove.value_or(created_)))
        RaiseQueueError("closing queue '" + name_ + "' failed: the registry could not be read");
}

}  // namespace halcyon::python
