// SPDX-License-Identifier: Apache-2.0
#include "QueueStat.h"

#include "Bytes.h"

namespace py = pybind11;

namespace halcyon::python {
namespace {

PyObject* g_statClass = nullptr;

// The fields in order, with their types (names of builtins; "object" for int or None).
const char* const kFields[][2] = {
    {"id", "int"},          {"name", "str"},       {"kind", "str"},     {"valid", "bool"},
    {"ring_bytes", "int"},  {"used_bytes", "int"}, {"count", "int"},    {"put", "object"},
    {"take", "object"},     {"sync", "object"},    {"errcount", "int"}, {"read_count", "int"},
    {"write_count", "int"},
};

}  // namespace

void RegisterQueueStat(py::module_& m) {
    py::object builtins = py::module_::import("builtins");
    py::list fields;
    for (const auto& field : kFields)
        fields.append(py::make_tuple(field[0], builtins.attr(field[1])));
    py::object make = py::module_::import("dataclasses").attr("make_dataclass");
    py::object type = make("QueueStat", fields, py::arg("frozen") = true);
    type.attr("__module__") = "halcyon";
    type.attr("__doc__") =
        "A queue as stat() found it: kind is 'legacy' or 'lock-free'; valid is False when a "
        "legacy header's check bytes are damaged; ring_bytes is the ring's size, used_bytes the "
        "bytes its records take (length fields included), count the records queued; put and "
        "take are a legacy ring's offsets, sync is 1 while a copy is in progress in it (or was "
        "left unfinished by a process that died): all three None for a lock-free queue; "
        "errcount (0 for a lock-free queue), read_count and write_count are the queue's "
        "counters.";
    g_statClass = type.inc_ref().ptr();  // kept for the life of the process
    m.add_object("QueueStat", type);
}

py::object MakeQueueStat(short id, const std::string& name, const char* kind,
                         const QueueState& state, const tagSHMHEADER* header) {
    py::object put = py::none(), take = py::none(), sync = py::none();
    bool valid = true;
    if (header != nullptr) {
        valid = header->H1 == 0x8E && header->H2 == 0x8F;
        put = py::int_(header->put);
        take = py::int_(header->take);
        sync = py::int_(header->sync);
    }
    return py::handle(g_statClass)(id, TextResult(name), kind, valid, state.ringBytes,
                                   state.usedBytes, state.records, put, take, sync, state.errCount,
                                   state.readCount, state.writeCount);
}

}  // namespace halcyon::python
