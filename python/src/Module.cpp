// SPDX-License-Identifier: Apache-2.0
// The module halcyon: the HalcyonCommon library for Python programs.
#include "Errors.h"
#include "Queue.h"

#include <pybind11/pybind11.h>

namespace halcyon::python {
void RegisterCoding(pybind11::module_& m);
void RegisterText(pybind11::module_& m);
void RegisterDates(pybind11::module_& m);
void RegisterPaths(pybind11::module_& m);
}  // namespace halcyon::python

PYBIND11_MODULE(halcyon, m) {
    m.doc() = R"(The Halcyon terminal's common library for Python.

Shared-memory queues between processes (host_registry, create_queue, open_queue, Queue), the
record codec (pack, unpack), the scrambler, hex and BCD conversions, Big5 to GB with the
installation's table, Julian day numbers and the terminal's date texts, the installation's
folders and the profile cache. Bad arguments raise ValueError or TypeError; the library's
refusals raise HalcyonError and its subclasses.)";
    m.attr("__version__") = HALCYON_PYTHON_VERSION;
    m.attr("MAX_RECORD") = 3095;
    using namespace halcyon::python;
    RegisterErrors(m);
    RegisterQueues(m);
    RegisterCoding(m);
    RegisterText(m);
    RegisterDates(m);
    RegisterPaths(m);
}
