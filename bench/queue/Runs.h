// SPDX-License-Identifier: Apache-2.0
// One run of one contender between two child processes, as the parent starts and times it,
// and the busy neighbours of the loaded cases.
#pragma once

#include "queue/Contenders.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace halcyon::bench::queue {

struct RunRequest {
    const Contender* contender = nullptr;
    const Placement* placement = nullptr;
    std::string mode;  // "throughput" or "latency"
    long size = 0;
    long count = 0;
    double rate = 0;
};

struct RunResult {
    bool ok = false;
    double seconds = 0;                      // the consumer's, from the start to its last record
    int producerCpu = -1, consumerCpu = -1;  // where each ran when it finished
    double p50 = 0, p99 = 0, p999 = 0;       // latency, nanoseconds
};

// Starts the children as `self --child …`; queues are named `queueName`.
class Runner {
  public:
    Runner(std::string self, std::string queueName);
    RunResult Run(const RunRequest& request);

  private:
    std::string self_, queueName_;
};

// CPU-bound processes (`self --spin`), the i-th pinned to CPU i % 2, until destroyed.
class Neighbours {
  public:
    Neighbours(const std::string& self, int count);
    ~Neighbours();
    Neighbours(const Neighbours&) = delete;
    Neighbours& operator=(const Neighbours&) = delete;

  private:
    std::vector<pid_t> pids_;
};

}  // namespace halcyon::bench::queue
