// SPDX-License-Identifier: Apache-2.0
// Figures of a benchmark's rounds: medians with their range, percentiles, the machine's load.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace halcyon::bench::queue {

struct Spread {
    double median = 0, min = 0, max = 0;
    bool empty = true;
};

inline Spread SpreadOf(std::vector<double> values) {
    Spread s;
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    s.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.min = values.front();
    s.max = values.back();
    s.empty = false;
    return s;
}

// The value below which `fraction` of the sorted `values` lie (nearest rank).
inline double Percentile(const std::vector<double>& sorted, double fraction) {
    if (sorted.empty()) return 0;
    auto rank = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size()));
    return sorted[std::min(rank, sorted.size() - 1)];
}

// "load 1.23 1.10 0.98": the run queue's averages over 1, 5 and 15 minutes.
inline std::string LoadAverage() {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3) return "load ?";
    char text[64];
    std::snprintf(text, sizeof text, "load %.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

}  // namespace halcyon::bench::queue
