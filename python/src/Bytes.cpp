// SPDX-License-Identifier: Apache-2.0
#include "Bytes.h"

namespace py = pybind11;

namespace halcyon::python {

ByteView::ByteView(const py::handle& object) {
    if (PyUnicode_Check(object.ptr())) {
        PyErr_Format(PyExc_TypeError, "a bytes-like object is required, not 'str' (encode it)");
        throw py::error_already_set();
    }
    if (PyObject_GetBuffer(object.ptr(), &view_, PyBUF_SIMPLE) != 0) throw py::error_already_set();
}

ByteView::~ByteView() { PyBuffer_Release(&view_); }

py::bytes NewBytes(std::size_t size) {
    PyObject* bytes = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size));
    if (bytes == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::bytes>(bytes);
}

char* BytesData(py::bytes& bytes) { return PyBytes_AS_STRING(bytes.ptr()); }

void Shrink(py::bytes& bytes, std::size_t size) {
    if (static_cast<Py_ssize_t>(size) == PyBytes_GET_SIZE(bytes.ptr())) return;
    // Only a fresh bytes object that nobody else has seen may be resized in place.
    PyObject* object = bytes.release().ptr();
    if (_PyBytes_Resize(&object, static_cast<Py_ssize_t>(size)) != 0) throw py::error_already_set();
    bytes = py::reinterpret_steal<py::bytes>(object);
}

std::string TextArgument(const py::handle& object) {
    if (!PyUnicode_Check(object.ptr()) && PyObject_HasAttrString(object.ptr(), "__fspath__")) {
        PyObject* path = PyOS_FSPath(object.ptr());
        if (path == nullptr) throw py::error_already_set();
        return TextArgument(py::reinterpret_steal<py::object>(path));
    }
    if (PyUnicode_Check(object.ptr())) {
        PyObject* encoded = PyUnicode_EncodeFSDefault(object.ptr());
        if (encoded == nullptr) throw py::error_already_set();
        py::bytes bytes = py::reinterpret_steal<py::bytes>(encoded);
        return std::string(bytes);
    }
    ByteView view(object);
    return std::string(view.chars(), view.size());
}

py::str TextResult(const std::string& text) {
    PyObject* decoded =
        PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (decoded == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(decoded);
}

}  // namespace halcyon::python
