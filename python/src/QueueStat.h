// SPDX-License-Identifier: Apache-2.0
// halcyon.QueueStat: a frozen dataclass of a queue's state, as stat() reads it, for both kinds.
#pragma once

#include <HalcyonCommon/QueueKinds.h>
#include <HalcyonCommon/SharedMemory.h>

#include <pybind11/pybind11.h>

#include <string>

namespace halcyon::python {

void RegisterQueueStat(pybind11::module_& m);
// `header` is a legacy queue's header, or null for a lock-free queue.
pybind11::object MakeQueueStat(short id, const std::string& name, const char* kind,
                               const QueueState& state, const tagSHMHEADER* header);

}  // namespace halcyon::python
