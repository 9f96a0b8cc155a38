// SPDX-License-Identifier: Apache-2.0
// The rounds of one case (a record size or rate, a placement): every contender once per round,
// in an order that turns by one each round, after a warm-up; each round's figures kept, so
// that ratios are taken within a round (the load of a shared machine drifts between rounds).
#pragma once

#include "queue/Runs.h"

#include <cmath>
#include <string>
#include <vector>

namespace halcyon::bench::queue {

struct Settings {
    int rounds = 7;
    double roundSeconds = 0.3;  // what a run is sized for; no run counts below kMinRoundSeconds
    std::vector<long> sizes = {64, 512, 3000};
    std::vector<double> rates = {20000, 100000};
    std::vector<std::string> only;  // contender ids; empty: all
};

constexpr double kMinRoundSeconds = 0.25;

struct ContenderRounds {
    const Contender* contender = nullptr;
    long count = 0;                      // records per run
    std::vector<double> nsPerRecord;     // per round; NaN where the run failed
    std::vector<double> p50, p99, p999;  // latency, microseconds, per round
    std::vector<int> sameCpu;            // per round: 1 when both ended on one CPU
    double shortest = 0;                 // the shortest run's seconds
};

struct CaseRounds {
    std::string mode;
    long size = 0;
    double rate = 0;
    const Placement* placement = nullptr;
    std::string loadBefore, loadAfter;
    std::vector<ContenderRounds> contenders;
    const ContenderRounds* Find(const std::string& id) const;
};

CaseRounds RunCase(Runner& runner, const Settings& settings, const std::string& self,
                   const std::string& mode, long size, double rate, const Placement& placement,
                   const std::vector<Contender>& contenders);

}  // namespace halcyon::bench::queue
