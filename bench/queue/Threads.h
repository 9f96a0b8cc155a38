// SPDX-License-Identifier: Apache-2.0
// Two threads of one process through TQRecQueue and TQByteQueue, against a ring of
// length-prefixed records under a std::mutex: the in-process queues' part of the benchmark.
#pragma once

#include "queue/Rounds.h"

namespace halcyon::bench::queue {

void RunThreads(const Settings& settings);

}  // namespace halcyon::bench::queue
