// SPDX-License-Identifier: Apache-2.0
#include "queue/Child.h"

#include "queue/Endpoints.h"
#include "queue/Stats.h"

#include <sched.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace halcyon::bench::queue {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// Tells the parent this child is ready, then waits for the start (the go pipe's end).
bool ReadyThenWait(const ChildArgs& a) {
    char c = 1;
    if (write(a.readyFd, &c, 1) != 1) return false;
    while (read(a.goFd, &c, 1) > 0) {
    }
    return true;
}

void Report(const ChildArgs& a, const std::string& line) {
    std::string text = a.role + " " + line + "\n";
    if (write(a.resultFd, text.data(), text.size()) < 0) return;
}

int Produce(const ChildArgs& a, Sender& sender) {
    std::vector<unsigned char> record(static_cast<std::size_t>(a.size), 0x5A);
    const auto length = static_cast<unsigned short>(a.size);
    if (!ReadyThenWait(a)) return 2;
    if (a.mode == "throughput") {  // compared once, not per record
        for (long n = 0; n < a.count; ++n) {
            if (!sender.Send(record.data(), length)) return 3;
        }
    } else {
        // At the rate asked, each record stamped when it leaves; sleeping in between, as a feed
        // handler waits for its network.
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        const std::int64_t start = NowNs(), period = static_cast<std::int64_t>(1e9 / a.rate);
        for (long n = 0; n < a.count; ++n) {
            std::int64_t due = start + n * period;
            timespec at = {static_cast<time_t>(due / 1000000000),
                           static_cast<long>(due % 1000000000)};
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) != 0) {
            }
            std::int64_t stamp = NowNs();
            std::memcpy(record.data(), &stamp, sizeof stamp);
            if (!sender.Send(record.data(), length)) return 3;
        }
    }
    if (!sender.Flush()) return 3;
    Report(a, std::to_string(sched_getcpu()));
    return 0;
}

int Consume(const ChildArgs& a, Receiver& receiver) {
    std::vector<Span> spans;
    std::vector<double> latencies;
    const bool latency = a.mode == "latency";
    if (latency) latencies.reserve(static_cast<std::size_t>(a.count));
    if (!ReadyThenWait(a)) return 2;
    const auto start = Clock::now();
    for (long got = 0; got < a.count;) {
        if (!receiver.Receive(spans)) return 3;
        for (const Span& s : spans) {
            if (s.size != static_cast<std::size_t>(a.size)) return 4;
            if (latency) {
                std::int64_t stamp;
                std::memcpy(&stamp, s.data, sizeof stamp);
                latencies.push_back(static_cast<double>(NowNs() - stamp));
            } else if (s.data[s.size - 1] != 0x5A) {
                return 4;
            }
        }
        got += static_cast<long>(spans.size());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    char line[160];
    if (latency) {
        std::sort(latencies.begin(), latencies.end());
        std::snprintf(line, sizeof line, "%d %.9f %.0f %.0f %.0f", sched_getcpu(), seconds,
                      Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                      Percentile(latencies, 0.999));
    } else {
        std::snprintf(line, sizeof line, "%d %.9f", sched_getcpu(), seconds);
    }
    Report(a, line);
    return 0;
}

}  // namespace

std::vector<std::string> ToArgs(const ChildArgs& a) {
    return {a.role,
            a.mode,
            a.contender,
            a.queueName,
            std::to_string(a.size),
            std::to_string(a.count),
            std::to_string(a.rate),
            std::to_string(a.dataFd),
            std::to_string(a.readyFd),
            std::to_string(a.goFd),
            std::to_string(a.resultFd)};
}

int RunChild(int argc, char** argv) {
    if (argc < 11) return 1;
    ChildArgs a;
    a.role = argv[0];
    a.mode = argv[1];
    a.contender = argv[2];
    a.queueName = argv[3];
    a.size = std::stol(argv[4]);
    a.count = std::stol(argv[5]);
    a.rate = std::stod(argv[6]);
    a.dataFd = std::stoi(argv[7]);
    a.readyFd = std::stoi(argv[8]);
    a.goFd = std::stoi(argv[9]);
    a.resultFd = std::stoi(argv[10]);
    const Contender* c = FindContender(a.contender);
    if (c == nullptr) return 1;
    if (a.role == "produce") {
        auto sender = MakeSender(*c, a.queueName, a.dataFd);
        return sender ? Produce(a, *sender) : 5;
    }
    auto receiver = MakeReceiver(*c, a.queueName, a.dataFd, a.size);
    return receiver ? Consume(a, *receiver) : 5;
}

}  // namespace halcyon::bench::queue
