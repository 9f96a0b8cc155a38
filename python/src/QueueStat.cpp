// SPDX-License-Identifier: Apache-2.0
#include "QueueStat.h"

#include "Bytes.h"

namespace py = pybind11;

namespace halcyon::python {
namespace {

PyObject* g_statClass = nullptr;

// The fields in order, with their types (names of builtins).
const char* const kFields[][2] = {
    {"id", "int"},         {"name", "str"},     {"valid", "bool"},     {"ring_bytes", "int"},
    {"used_bytes", "int"}, {"count", "int"},    {"put", "int"},        {"take", "int"},
    {"sync", "int"},       {"errcount", "int"}, {"read_count", "int"}, {"write_count", "int"},
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
        "A queue's header as stat() read it: valid is False when its check bytes are damaged; "
        "ring_bytes is the ring's size, used_bytes the bytes its records take (length fields "
        "included), count the records queued; put and take are ring offsets; sync is 1 while a "
        "copy is in progress (or was left unfinished by a process that died); errcount, "
        "read_count and write_count are the queue's counters.";
    g_statClass = type.inc_ref().ptr();  // kept for the life of the process
    m.add_object("QueueStat", type);
}

py::object MakeQueueStat(short id, const std::string& name, const tagSHMHEADER& h) {
    bool valid = h.H1 == 0x8E && h.H2 == 0x8F;
    unsigned long ring = valid ? h.size * 1024UL : 0;
    unsigned long used = ring == 0 ? 0 : (h.put + ring - h.take % ring) % ring;
    return py::handle(g_statClass)(id, TextResult(name), valid, ring, used, h.count, h.put, h.take,
                                   h.sync, h.errcount, h.ReadCount, h.WriteCount);
}

}  // namespace halcyon::python
