// SPDX-License-Identifier: Apache-2.0
// halcyon.QueueStat: a frozen dataclass of a queue's header, as stat() reads it.
#pragma once

#include <HalcyonCommon/SharedMemory.h>

#include <pybind11/pybind11.h>

#include <string>

namespace halcyon::python {

void RegisterQueueStat(pybind11::module_& m);
pybind11::object MakeQueueStat(short id, const std::string& name, const tagSHMHEADER& header);

}  // namespace halcyon::python
