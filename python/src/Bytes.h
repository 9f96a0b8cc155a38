// SPDX-License-Identifier: Apache-2.0
// Bytes in and out: any object with the buffer protocol (bytes, bytearray, memoryview, …) is read
// in place, and results are built straight into new bytes objects, with no copy in between.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>

namespace halcyon::python {

// The bytes of a bytes-like argument, held for the view's life. A str or another object without
// the buffer protocol raises TypeError; a buffer that is not contiguous raises BufferError.
class ByteView {
  public:
    explicit ByteView(const pybind11::handle& object);
    ~ByteView();
    ByteView(const ByteView&) = delete;
    ByteView& operator=(const ByteView&) = delete;

    const unsigned char* data() const { return static_cast<const unsigned char*>(view_.buf); }
    char* chars() const { return static_cast<char*>(view_.buf); }
    std::size_t size() const { return static_cast<std::size_t>(view_.len); }

  private:
    Py_buffer view_{};
};

// A new bytes object of `size` bytes whose contents the caller writes through BytesData before
// handing it out; Shrink cuts it to the bytes actually written.
pybind11::bytes NewBytes(std::size_t size);
char* BytesData(pybind11::bytes& bytes);
void Shrink(pybind11::bytes& bytes, std::size_t size);

// Text arguments: a str (encoded as the file system does, so that any path round-trips), bytes,
// or a path object (os.PathLike), as the library's 8-bit text.
std::string TextArgument(const pybind11::handle& object);
// The library's 8-bit text as str, decoded as the file system does.
pybind11::str TextResult(const std::string& text);

}  // namespace halcyon::python
