// SPDX-License-Identifier: Apache-2.0
// The benchmark's child processes: the program run again with "--child", as a producer or a
// consumer of one contender, for throughput (as fast as it goes) or latency (at a set rate).
#pragma once

#include <string>
#include <vector>

namespace halcyon::bench::queue {

struct ChildArgs {
    std::string role;       // "produce" or "consume"
    std::string mode;       // "throughput" or "latency"
    std::string contender;  // Contender::id
    std::string queueName;
    long size = 0;
    long count = 0;
    double rate = 0;  // latency: records per second
    int dataFd = -1, readyFd = -1, goFd = -1, resultFd = -1;
};

std::vector<std::string> ToArgs(const ChildArgs& a);
// Runs the child described by argv (after "--child"); its exit code.
int RunChild(int argc, char** argv);

}  // namespace halcyon::bench::queue
