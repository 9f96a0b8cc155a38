// SPDX-License-Identifier: Apache-2.0
// The benchmark's tables, the goals it checks, and its chart.
#pragma once

#include "queue/Rounds.h"

#include <string>
#include <vector>

namespace halcyon::bench::queue {

void PrintCase(const CaseRounds& k, int rounds);
// The goals of the shared queue against the figures of this run; one line each.
void PrintGoals(const std::vector<CaseRounds>& cases);
// An SVG chart of the quiet cases: ns per record by size, and latency at the lowest rate.
bool WriteChart(const std::vector<CaseRounds>& cases, const std::string& path,
                const std::string& caption);

// Per-round ratios a / b of two contenders of one case (NaN rounds left out).
std::vector<double> RoundRatios(const CaseRounds& k, const std::string& a, const std::string& b,
                                std::vector<double> ContenderRounds::*field);

}  // namespace halcyon::bench::queue
