// SPDX-License-Identifier: Apache-2.0
// The queue half of the module: halcyon.Queue, halcyon.Registry and the functions that host the
// registry, create, open and list queues.
#include "Bytes.h"
#include "Errors.h"
#include "Installation.h"
#include "Queue.h"
#include "QueueStat.h"
#include "QueueTable.h"

#include <HalcyonCommon/QueueKinds.h>
#include <HalcyonCommon/SharedMemory.h>

#include <pybind11/stl.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace py = pybind11;
using namespace pybind11::literals;

namespace halcyon::python {
namespace {

constexpr auto kOpenPoll = std::chrono::milliseconds(100);
const char kHostHint[] =
    "host one with halcyon.host_registry() or 'halcyon queue host NAME', or start the terminal";

std::string QueueName(const py::handle& name) {
    std::string text = TextArgument(name);
    if (text.empty() || text.size() > 31 || text.find('\0') != std::string::npos)
        RaiseValueError("a queue name has 1 to 31 bytes and no NUL, not '" + text + "'");
    return text;
}

std::shared_ptr<Queue> OpenQueue(const py::handle& nameObject, std::optional<double> timeout) {
    std::string name = QueueName(nameObject);
    if (timeout && !(*timeout >= 0.0)) RaiseValueError("timeout must be None or seconds >= 0");
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        short id = -1;
        Found found = OpenIfPresent(name, id);
        if (found == Found::kOpened) return std::make_shared<Queue>(id, name, false);
        if (found == Found::kFailed) RaiseQueueError("queue '" + name + "' could not be opened");
        std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
        if (timeout && waited.count() >= *timeout) {
            if (found == Found::kNoRegistry)
                RaiseQueueNotFound("no queue registry is running: " + std::string(kHostHint));
            RaiseQueueNotFound("no queue named '" + name + "' is registered");
        }
        {
            py::gil_scoped_release released;
            std::this_thread::sleep_for(kOpenPoll);
        }
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
}

std::shared_ptr<Queue> NewQueue(const py::handle& nameObject, int sizeKib, bool lockFree) {
    std::string name = QueueName(nameObject);
    if (sizeKib < 1 || sizeKib > 255) RaiseValueError("size_kib is 1 to 255");
    RequireInstallation("creating a queue");
    short id = -1;
    int kind = lockFree ? kQueueLockFree : kQueueLegacy;
    switch (CreateNew(name, static_cast<unsigned char>(sizeKib), kind, id)) {
        case Created::kCreated:
            return std::make_shared<Queue>(id, name, true);
        case Created::kExists:
            RaiseQueueError("queue '" + name + "' exists already: open it with halcyon.open_queue");
        case Created::kNoRegistry:
            RaiseQueueNotFound("no queue registry is running: " + std::string(kHostHint));
        case Created::kFailed:
            break;
    }
    RaiseQueueError("queue '" + name +
                    "' could not be created (the registry's 128 slots may all be taken, or the "
                    "installation's TEMP folder cannot hold its file)");
}

std::vector<std::pair<int, std::string>> ListQueues() {
    std::vector<std::pair<int, std::string>> queues;
    if (!RegisteredQueues(queues))
        RaiseQueueNotFound("no queue registry is running: " + std::string(kHostHint));
    return queues;
}

// This process as the owner of the queue registry, for the rest of its life. The queues created
// through the object are removed when it closes.
class Registry {
  public:
    std::shared_ptr<Queue> Create(const py::handle& name, int sizeKib, bool lockFree) {
        auto queue = NewQueue(name, sizeKib, lockFree);
        queues_.push_back(queue);
        return queue;
    }
    void Close() {
        std::vector<std::shared_ptr<Queue>> queues;
        queues.swap(queues_);
        for (auto& queue : queues) queue->Close(true);
    }
    static std::shared_ptr<Registry>& Hosting() {
        static auto* hosting = new std::shared_ptr<Registry>;  // never destroyed: used at exit
        return *hosting;
    }

  private:
    std::vector<std::shared_ptr<Queue>> queues_;
};

std::shared_ptr<Registry> HostRegistry(bool takeOver) {
    if (auto& hosting = Registry::Hosting()) return hosting;
    RequireInstallation("hosting the queue registry");
    if (RegistryRunning() && !takeOver)
        RaiseQueueError(
            "a queue registry is running already, hosted by another process: hosting another "
            "would empty it and leave its clients waiting; pass take_over=True to do it anyway");
    if (!BecomeOwner())
        RaiseQueueError(
            "the queue registry could not be created (the installation's TEMP "
            "folder must take its file)");
    return Registry::Hosting() = std::make_shared<Registry>();
}

}  // namespace

void RegisterQueues(py::module_& m) {
    RegisterQueueStat(m);

    py::class_<Queue, std::shared_ptr<Queue>>(m, "Queue", R"(A shared queue open in this process.

Get one with halcyon.open_queue or halcyon.create_queue. Records are 1 to 3095 bytes; reads
return them in the order written, from any process. Waits release the GIL and can be
interrupted with Ctrl-C. Use it as a context manager, or call close().)")
        .def_property_readonly(
            "name", [](const Queue& q) { return TextResult(q.name()); }, "The queue's name.")
        .def_property_readonly("id", &Queue::id,
                               "The queue's registry slot (0-127), the same in every process.")
        .def_property_readonly("closed", &Queue::closed)
        .def_property_readonly(
            "kind", &Queue::kind,
            "'legacy' (any number of writers and readers, readable by every version of the "
            "terminal) or 'lock-free' (one writing and one reading process at a time).")
        .def("write", &Queue::Write, "record"_a, "timeout"_a = py::none(),
             R"(Appends one record (bytes-like, 1 to 3095 bytes).

When the queue is full, sleeps until a reader makes room, for at most `timeout` seconds (None:
as long as it takes). True when written, False when the time passed with no room (nothing
written). Raises ValueError for a record that no ring of this queue can hold, QueueError for a
damaged queue (reset, records lost) or one a dead process left busy (see reset()).)")
        .def("write_batch", &Queue::WriteBatch, "records"_a, "timeout"_a = py::none(),
             R"(Appends the records of an iterable in order; returns how many were written.

Every record is checked before the first is written; then as many as have room move under each
hold of the queue's mutex. Fewer than all when `timeout` seconds passed with no room for the
next one, or when the queue failed after some were written: that failure is raised by the next
write. A KeyboardInterrupt while it waits for room leaves the records before it written.)")
        .def("read", &Queue::Read, "timeout"_a = py::none(),
             R"(Takes the front record; when the queue is empty, waits for one for at most
`timeout` seconds (None: as long as it takes, 0: not at all). The record's bytes, or None when
the time passed with the queue still empty.)")
        .def("read_batch", &Queue::ReadBatch, "max_records"_a, "timeout"_a = py::none(),
             R"(Takes up to `max_records` records: waits for the first as read() does, then
takes those queued already, all under one hold of the queue's mutex. An empty list when the
time passed with the queue empty. A failure met after some records were taken is raised by the
next call, so no record is lost.

The queued records that fit a buffer sized for `max_records` of them are taken at once; any
beyond `max_records` stay with this object, in order, and the next read(), read_batch() or
iteration hands them out first (len() counts them). Records this object holds when it is
closed are lost, as they would be with a reader process that ends.)")
        .def("stat", &Queue::Stat, "The queue's header as a QueueStat.")
        .def("reset", &Queue::Reset,
             "Empties a legacy queue and zeroes its counters: the records queued, and those this "
             "object holds, are lost. Clears the busy state a process left by dying in the middle "
             "of a copy. A lock-free queue cannot be left busy and is never reset (QueueError).")
        .def("close", &Queue::Close, "remove"_a = py::none(),
             R"(Lets go of the queue. With remove=True (the default for a queue this object
created) the queue also leaves the registry once no other object of this process uses it.
A thread waiting on the queue gets QueueError (or the end of its for loop) within 100 ms.)")
        .def("__len__", &Queue::Count,
             "The records now queued, and those a batch read of this object took beyond what it "
             "asked for.")
        .def("__iter__", [](std::shared_ptr<Queue> q) { return q; })
        .def("__next__", &Queue::Next, "Waits for the next record; stops once closed.")
        .def("__enter__", [](std::shared_ptr<Queue> q) { return q; })
        .def("__exit__", [](Queue& q, py::args) { q.Close(std::nullopt); })
        .def("__repr__", [](const Queue& q) {
            return "<halcyon.Queue '" + q.name() + "' id " + std::to_string(q.id()) +
                   (q.closed() ? " closed>" : ">");
        });

    py::class_<Registry, std::shared_ptr<Registry>>(m, "Registry", R"(This process as the owner of
the queue registry, from halcyon.host_registry(), for the rest of its life. Queues created through
it are removed when it closes (as a context manager, or with close()). The registry pauses while
no queue is registered after its owner removed the last one, and starts again with the owner's
next queue.)")
        .def("create_queue", &Registry::Create, "name"_a, "size_kib"_a = 64, "lock_free"_a = false,
             "Creates a queue as halcyon.create_queue does, removed again when the registry "
             "object closes.")
        .def("close", &Registry::Close)
        .def("__enter__", [](std::shared_ptr<Registry> r) { return r; })
        .def("__exit__", [](Registry& r, py::args) { r.Close(); });

    m.def("host_registry", &HostRegistry, "take_over"_a = false,
          R"(Makes this process the owner of the queue registry, which the other processes'
queues are registered in, and returns it (the same object while it is open).

Raises QueueError when another process hosts a registry already: taking it over empties it and
leaves its clients waiting, so that happens only with take_over=True. Needs an installation
root (InstallationError otherwise): the registry's file lives in its TEMP folder.)");
    m.def("create_queue", &NewQueue, "name"_a, "size_kib"_a = 64, "lock_free"_a = false,
          R"(Creates queue `name` (1-31 bytes) with a ring of `size_kib` KiB (1-255) in the running
registry and returns it; close() removes it again. QueueError when the name is taken,
QueueNotFound when no registry runs, InstallationError without an installation root.

A legacy queue (the default) takes any number of writers and readers, and every version of the
terminal reads it. lock_free=True makes a queue for one writing and one reading process at a
time (each with any number of threads), which moves a record without a mutex: several times
cheaper for small records, but only processes of this version of the library can use it, and
a second process on a side gets QueueError until the first closes the queue or dies.)");
    m.def("open_queue", &OpenQueue, "name"_a, "timeout"_a = 0.0,
          R"(Opens the existing queue `name`. Waits at most `timeout` seconds (None: as long as it
takes) for the registry and the queue to appear, then raises QueueNotFound.)");
    m.def("list_queues", &ListQueues,
          "The registered queues as (id, name) pairs in id order; QueueNotFound when no "
          "registry runs.");
}

}  // namespace halcyon::python
