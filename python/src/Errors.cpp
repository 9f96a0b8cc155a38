// SPDX-License-Identifier: Apache-2.0
#include "Errors.h"

namespace py = pybind11;

namespace halcyon::python {
namespace {

PyObject* g_halcyonError = nullptr;
PyObject* g_queueError = nullptr;
PyObject* g_queueNotFound = nullptr;
PyObject* g_installationError = nullptr;

// A new exception class halcyon.<name> with `bases` (a class or a tuple of classes).
PyObject* NewError(py::module_& m, const char* name, const char* doc, PyObject* bases) {
    std::string qualified = std::string("halcyon.") + name;
    PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, bases, nullptr);
    if (type == nullptr) throw py::error_already_set();
    m.add_object(name, py::handle(type));  // the module keeps a reference of its own
    return type;
}

[[noreturn]] void Raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

}  // namespace

void RegisterErrors(py::module_& m) {
    g_halcyonError = NewError(
        m, "HalcyonError", "A failure of the library that is not a bad argument.", PyExc_Exception);
    g_queueError = NewError(m, "QueueError",
                            "A shared queue or the queue registry refused the call, or a queue "
                            "is damaged or stuck.",
                            g_halcyonError);
    py::tuple notFoundBases =
        py::make_tuple(py::handle(g_queueError), py::handle(PyExc_LookupError));
    g_queueNotFound =
        NewError(m, "QueueNotFound", "No queue of that name, or no queue registry is running.",
                 notFoundBases.ptr());
    py::tuple installBases = py::make_tuple(py::handle(g_halcyonError), py::handle(PyExc_OSError));
    g_installationError = NewError(m, "InstallationError",
                                   "The installation root lacks a folder or file the call needs.",
                                   installBases.ptr());
}

void RaiseQueueError(const std::string& message) { Raise(g_queueError, message); }
void RaiseQueueNotFound(const std::string& message) { Raise(g_queueNotFound, message); }
void RaiseInstallationError(const std::string& message) { Raise(g_installationError, message); }
void RaiseValueError(const std::string& message) { Raise(PyExc_ValueError, message); }

}  // namespace halcyon::python
