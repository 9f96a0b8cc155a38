// SPDX-License-Identifier: Apache-2.0
#include "Frames.h"

namespace py = pybind11;

namespace halcyon::python {
namespace {

py::bytes NextRecord(const unsigned char*& at) {
    std::size_t length = at[0] | static_cast<std::size_t>(at[1]) << 8;
    py::bytes record(reinterpret_cast<const char*>(at + kLengthField), length);
    at += kLengthField + length;
    return record;
}

}  // namespace

py::list RecordsOf(const unsigned char*& at, std::size_t count) {
    py::list out(count);
    for (std::size_t i = 0; i < count; ++i)
        PyList_SET_ITEM(out.ptr(), static_cast<Py_ssize_t>(i), NextRecord(at).release().ptr());
    return out;
}

void AppendFrame(std::string& out, const unsigned char* data, std::size_t size) {
    out.push_back(static_cast<char>(size & 0xFF));
    out.push_back(static_cast<char>(size >> 8));
    out.append(reinterpret_cast<const char*>(data), size);
}

void Frames::Keep(const unsigned char* data, std::size_t bytes, std::size_t count) {
    if (count == 0) return;
    if (count_ == 0) Clear();
    frames_.append(reinterpret_cast<const char*>(data), bytes);
    count_ += count;
}

py::list Frames::HandOut(std::size_t most) {
    std::size_t n = most < count_ ? most : count_;
    const auto* begin = reinterpret_cast<const unsigned char*>(frames_.data());
    const unsigned char* at = begin + at_;
    py::list out = RecordsOf(at, n);
    at_ = static_cast<std::size_t>(at - begin);
    count_ -= n;
    return out;
}

py::bytes Frames::TakeOne() {
    const auto* begin = reinterpret_cast<const unsigned char*>(frames_.data());
    const unsigned char* at = begin + at_;
    py::bytes record = NextRecord(at);
    at_ = static_cast<std::size_t>(at - begin);
    --count_;
    return record;
}

void Frames::Clear() {
    frames_.clear();
    at_ = count_ = 0;
}

}  // namespace halcyon::python
