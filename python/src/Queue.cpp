// SPDX-License-Identifier: Apache-2.0
#include "Queue.h"

#include "Bytes.h"
#include "Errors.h"
#include "QueueStat.h"
#include "QueueTable.h"

#include <HalcyonCommon/QueueKinds.h>
#include <HalcyonCommon/QueueWaits.h>
#include <HalcyonCommon/SharedMemory.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

namespace py = pybind11;

namespace halcyon::python {
namespace {

constexpr unsigned long kSliceMs = 100;
using Clock = std::chrono::steady_clock;
constexpr std::size_t kMostBatchBytes = 256 * 1024;  // the largest ring's records at once

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
    : id_(id), name_(std::move(name)), created_(created) {
    QueueState state{};
    if (QueryQueueState(id_, &state) == 1) {
        kind_ = state.kind;
        ringBytes_ = state.ringBytes;
    } else {
        kind_ = std::max(QueryQueueKind(id_), kQueueLegacy);
        ringBytes_ = s_MapFile_QueryQueSize(id_);
    }
}

Queue::~Queue() {
    if (closed_) return;
    closed_ = true;
    Release(id_, created_);  // no thread can be inside: the Python object is gone
}

const char* Queue::KindName(int kind) { return kind == kQueueLockFree ? "lock-free" : "legacy"; }

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
// set when it died in the middle of a copy, and a lock-free queue another process uses.
std::string Queue::FailureMessage(const char* what) {
    std::string message = std::string(what) + " queue '" + name_ + "' failed: ";
    if (kind_ == kQueueLockFree)
        return message +
               "a lock-free queue has one writing and one reading process at a time, "
               "and another process has this side (or the queue was damaged)";
    tagSHMHEADER h{};
    bool stuck = s_MapFile_QueryQueHeader(id_, &h) == 1 && h.sync != 0;
    message += stuck ? "a process died while copying a record, which leaves the queue busy; "
                       "reset() makes it usable again (its records are lost)"
                     : "the queue was damaged; it has been reset and its records are lost";
    return message;
}

void Queue::RaiseFailure(const char* what) { RaiseQueueError(FailureMessage(what)); }

// Runs attempt(milliseconds) with the GIL released until it returns non-zero or the time limit
// passes, in slices; between slices, with the GIL, looks for signals and for close().
template <class Attempt>
long Queue::Wait(std::optional<double> timeout, Attempt attempt) {
    Deadline deadline(timeout);
    for (;;) {
        long result;
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
    RaisePending();
    ByteView bytes(record);
    if (bytes.size() == 0 || bytes.size() > kMaxRecord)
        RaiseValueError("a record holds 1 to 3095 bytes, not " + std::to_string(bytes.size()));
    if (bytes.size() + 3 > ringBytes_)
        RaiseValueError("a record of " + std::to_string(bytes.size()) +
                        " bytes never fits queue '" + name_ + "', whose ring holds " +
                        std::to_string(ringBytes_) + " bytes");
    auto length = static_cast<unsigned short>(bytes.size());
    long result = Wait(timeout, [&](unsigned long ms) {
        return WriteQueueWaiting(id_, bytes.data(), length, ms);
    });
    if (result < 0) RaiseFailure("writing to");
    return result == 1;
}

// The records of the batch as frames, each checked before the first is written.
std::size_t Queue::WriteBatch(const py::iterable& records, std::optional<double> timeout) {
    CheckOpen();
    RaisePending();
    std::string frames;
    std::size_t total = 0;
    for (py::handle record : records) {
        ByteView view(record);
        std::size_t size = view.size();
        if (size == 0 || size > kMaxRecord || size + 3 > ringBytes_)
            RaiseValueError("record " + std::to_string(total) + " of the batch has " +
                            std::to_string(size) + " bytes: queue '" + name_ +
                            "' takes records of 1 to " +
                            std::to_string(std::min<unsigned long>(kMaxRecord, ringBytes_ - 3)));
        AppendFrame(frames, view.data(), size);
        ++total;
    }
    if (total == 0) return 0;
    const auto* data = reinterpret_cast<const unsigned char*>(frames.data());
    std::size_t at = 0, written = 0;
    long result = Wait(timeout, [&](unsigned long ms) -> long {
        unsigned long used = 0;
        long n = WriteQueueBatch(id_, data + at, frames.size() - at, &used, ms);
        if (n < 0) return n;
        at += used;
        written += static_cast<std::size_t>(n);
        return at == frames.size() ? 1 : 0;
    });
    if (result < 0 && written == 0) RaiseFailure("writing to");
    // The records written are counted; the failure waits for the next call.
    if (result < 0) pendingError_ = FailureMessage("writing to");
    return written;
}

py::object Queue::Read(std::optional<double> timeout) {
    CheckOpen();
    if (taken_.count() > 0) return taken_.TakeOne();
    unsigned char buf[kMaxRecord];
    long length = Wait(timeout, [&](unsigned long ms) { return ReadQueueWaiting(id_, buf, ms); });
    if (length < 0) RaiseFailure("reading from");
    if (length == 0) return py::none();
    return py::bytes(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(length));
}

// A buffer for about `maxRecords` records of the last batch's mean size: a larger one would take
// records from the queue that this object then keeps until its next read.
std::size_t Queue::BatchBytes(long maxRecords) const {
    std::size_t wanted = static_cast<std::size_t>(maxRecords) * meanFrame_;
    if (maxRecords > static_cast<long>(kMostBatchBytes) || wanted > kMostBatchBytes)
        return kMostBatchBytes;
    return std::max(wanted, kMaxFrame);
}

std::unique_ptr<unsigned char[]> Queue::Buffer(std::size_t size) {
    if (spare_ && spareBytes_ >= size) return std::move(spare_);
    return std::unique_ptr<unsigned char[]>(new unsigned char[size]);  // the read fills it
}

py::list Queue::ReadBatch(long maxRecords, std::optional<double> timeout) {
    CheckOpen();
    if (maxRecords < 1) RaiseValueError("max_records must be at least 1");
    auto most = static_cast<std::size_t>(maxRecords);
    if (taken_.count() > 0) return taken_.HandOut(most);
    // A buffer of this call's own, as another thread may read through this object meanwhile.
    std::size_t size = BatchBytes(maxRecords);
    std::unique_ptr<unsigned char[]> buf = Buffer(size);
    unsigned long used = 0;
    long count = Wait(
        timeout, [&](unsigned long ms) { return ReadQueueBatch(id_, buf.get(), size, &used, ms); });
    // Damage behind the records taken fails the library's next batch, after they are handed out.
    if (count < 0) RaiseFailure("reading from");
    py::list records;
    if (count > 0) {
        auto n = static_cast<std::size_t>(count);
        meanFrame_ = std::max<std::size_t>(used / n, kLengthField + 1);
        const unsigned char* at = buf.get();
        records = RecordsOf(at, std::min(n, most));
        if (n > most) taken_.Keep(at, used - static_cast<std::size_t>(at - buf.get()), n - most);
    }
    if (!spare_ || spareBytes_ < size) {
        spare_ = std::move(buf);
        spareBytes_ = size;
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
    QueueState state{};
    if (QueryQueueState(id_, &state) != 1)
        RaiseQueueError("cannot read the state of queue '" + name_ + "'");
    tagSHMHEADER h{};
    bool legacy = state.kind == kQueueLegacy && s_MapFile_QueryQueHeader(id_, &h) == 1;
    return MakeQueueStat(id_, name_, KindName(state.kind), state, legacy ? &h : nullptr);
}

unsigned long Queue::Count() {
    CheckOpen();
    QueueState state{};
    if (QueryQueueState(id_, &state) != 1)
        RaiseQueueError("cannot read the state of queue '" + name_ + "'");
    return state.records + static_cast<unsigned long>(taken_.count());
}

void Queue::Reset() {
    CheckOpen();
    if (kind_ == kQueueLockFree)
        RaiseQueueError("queue '" + name_ +
                        "' is a lock-free queue, which cannot be reset: no "
                        "process can leave it busy; read its records to empty it");
    pendingError_.clear();
    taken_.Clear();
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
