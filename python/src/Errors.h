// SPDX-License-Identifier: Apache-2.0
// The module's exceptions, and the helpers that raise them with a message.
//
//   HalcyonError            every failure of the library that is not a bad argument
//   ├─ QueueError           a queue or the registry refused, or a queue is damaged or stuck
//   │  └─ QueueNotFound     no such queue, or no registry is running (also a LookupError)
//   └─ InstallationError    the installation root lacks what the call needs (also an OSError)
//
// Bad arguments raise ValueError (a value out of range) or TypeError (a wrong type).
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace halcyon::python {

void RegisterErrors(pybind11::module_& m);

[[noreturn]] void RaiseQueueError(const std::string& message);
[[noreturn]] void RaiseQueueNotFound(const std::string& message);
[[noreturn]] void RaiseInstallationError(const std::string& message);
[[noreturn]] void RaiseValueError(const std::string& message);

}  // namespace halcyon::python
