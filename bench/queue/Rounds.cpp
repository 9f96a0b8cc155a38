// SPDX-License-Identifier: Apache-2.0
#include "queue/Rounds.h"

#include "queue/Stats.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace halcyon::bench::queue {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr long kMaxCount = 50000000;

bool Wanted(const Settings& s, const Contender& c) {
    return s.only.empty() || std::find(s.only.begin(), s.only.end(), c.id) != s.only.end();
}

RunRequest Request(const CaseRounds& k, const ContenderRounds& c, long count) {
    RunRequest q;
    q.contender = c.contender;
    q.placement = k.placement;
    q.mode = k.mode;
    q.size = k.mode == "latency" ? 64 : k.size;
    q.count = count;
    q.rate = k.rate;
    return q;
}

// Records per run: a short probe gives the contender's rate, and the run is sized to last
// `seconds`. A latency run's length follows from its rate.
long Calibrate(Runner& runner, const CaseRounds& k, const ContenderRounds& c, double seconds) {
    if (k.mode == "latency") return static_cast<long>(k.rate * std::max(seconds, 0.5));
    const long probe = k.size >= 3000 ? 10000 : 40000;
    RunResult r = runner.Run(Request(k, c, probe));
    if (!r.ok) return probe;
    double perRecord = r.seconds / static_cast<double>(probe);
    return std::min(kMaxCount, static_cast<long>(seconds / perRecord) + 1);
}

void Record(ContenderRounds& c, const RunResult& r) {
    c.nsPerRecord.push_back(r.ok ? r.seconds * 1e9 / static_cast<double>(c.count) : kNaN);
    c.p50.push_back(r.ok ? r.p50 / 1000 : kNaN);
    c.p99.push_back(r.ok ? r.p99 / 1000 : kNaN);
    c.p999.push_back(r.ok ? r.p999 / 1000 : kNaN);
    c.sameCpu.push_back(r.ok && r.producerCpu == r.consumerCpu ? 1 : 0);
    if (r.ok && (c.shortest == 0 || r.seconds < c.shortest)) c.shortest = r.seconds;
    if (!r.ok) std::fprintf(stderr, "queue_bench: a run of '%s' failed\n", c.contender->id);
}

}  // namespace

const ContenderRounds* CaseRounds::Find(const std::string& id) const {
    for (const ContenderRounds& c : contenders) {
        if (id == c.contender->id) return &c;
    }
    return nullptr;
}

CaseRounds RunCase(Runner& runner, const Settings& settings, const std::string& self,
                   const std::string& mode, long size, double rate, const Placement& placement,
                   const std::vector<Contender>& contenders) {
    CaseRounds k;
    k.mode = mode;
    k.size = size;
    k.rate = rate;
    k.placement = &placement;
    for (const Contender& c : contenders) {
        if (!Wanted(settings, c)) continue;
        k.contenders.emplace_back();
        k.contenders.back().contender = &c;
    }
    Neighbours neighbours(self, placement.neighbours);
    k.loadBefore = LoadAverage();
    // Warm-up: the probe, then one run of the calibrated length, neither counted.
    for (ContenderRounds& c : k.contenders) {
        c.count = Calibrate(runner, k, c, settings.roundSeconds);
        RunResult warm = runner.Run(Request(k, c, c.count));
        if (k.mode == "throughput" && warm.ok && warm.seconds < settings.roundSeconds) {
            c.count = std::min(
                kMaxCount, static_cast<long>(c.count * settings.roundSeconds / warm.seconds) + 1);
        }
    }
    const std::size_t n = k.contenders.size();
    for (int round = 0; round < settings.rounds; ++round) {
        for (std::size_t i = 0; i < n; ++i) {
            ContenderRounds& c = k.contenders[(i + static_cast<std::size_t>(round)) % n];
            RunResult r = runner.Run(Request(k, c, c.count));
            // A run that came out shorter than a round must be is run again, longer, in its
            // place in the order.
            for (int again = 0;
                 again < 3 && k.mode == "throughput" && r.ok && r.seconds < kMinRoundSeconds;
                 ++again) {
                c.count = std::min(
                    kMaxCount, static_cast<long>(c.count * settings.roundSeconds / r.seconds) + 1);
                r = runner.Run(Request(k, c, c.count));
            }
            Record(c, r);
        }
    }
    k.loadAfter = LoadAverage();
    return k;
}

}  // namespace halcyon::bench::queue
