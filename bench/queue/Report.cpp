// SPDX-License-Identifier: Apache-2.0
#include "queue/Report.h"

#include "queue/Stats.h"

#include <cmath>
#include <cstdio>

namespace halcyon::bench::queue {
namespace {

std::vector<double> Valid(const std::vector<double>& values) {
    std::vector<double> out;
    for (double v : values) {
        if (!std::isnan(v)) out.push_back(v);
    }
    return out;
}

std::string Range(const Spread& s, const char* format) {
    if (s.empty) return "-";
    char text[128], lo[32], hi[32], mid[32];
    std::snprintf(mid, sizeof mid, format, s.median);
    std::snprintf(lo, sizeof lo, format, s.min);
    std::snprintf(hi, sizeof hi, format, s.max);
    std::snprintf(text, sizeof text, "%s [%s-%s]", mid, lo, hi);
    return text;
}

std::string CaseTitle(const CaseRounds& k) {
    char text[200];
    if (k.mode == "latency") {
        std::snprintf(text, sizeof text, "latency, 64-byte records at %.0f k/s, %s", k.rate / 1000,
                      k.placement->name);
    } else {
        std::snprintf(text, sizeof text, "throughput, %ld-byte records, %s", k.size,
                      k.placement->name);
    }
    return text;
}

int SameCpuRounds(const ContenderRounds& c) {
    int n = 0;
    for (int same : c.sameCpu) n += same;
    return n;
}

}  // namespace

std::vector<double> RoundRatios(const CaseRounds& k, const std::string& a, const std::string& b,
                                std::vector<double> ContenderRounds::*field) {
    std::vector<double> out;
    const ContenderRounds* x = k.Find(a);
    const ContenderRounds* y = k.Find(b);
    if (x == nullptr || y == nullptr) return out;
    const auto& xs = x->*field;
    const auto& ys = y->*field;
    for (std::size_t i = 0; i < xs.size() && i < ys.size(); ++i) {
        if (!std::isnan(xs[i]) && !std::isnan(ys[i]) && ys[i] > 0) out.push_back(xs[i] / ys[i]);
    }
    return out;
}

void PrintCase(const CaseRounds& k, int rounds) {
    std::printf(
        "\n== %s\n   %d rounds after a warm-up, each contender once per round in an order "
        "turned by one each round; %s before, %s after\n",
        CaseTitle(k).c_str(), rounds, k.loadBefore.c_str(), k.loadAfter.c_str());
    const bool latency = k.mode == "latency";
    if (latency) {
        std::printf("   %-46s %-24s %-24s %-26s %s\n", "contender", "p50 us [min-max]",
                    "p99 us [min-max]", "p99.9 us [min-max]", "p50, p99 / pipe's");
    } else {
        std::printf("   %-52s %-22s %-22s %-10s %s\n", "contender", "ns/record [min-max]",
                    "x pipe [min-max]", "same CPU", "run s");
    }
    for (const ContenderRounds& c : k.contenders) {
        if (latency) {
            Spread r50 = SpreadOf(RoundRatios(k, c.contender->id, "pipe", &ContenderRounds::p50));
            Spread r99 = SpreadOf(RoundRatios(k, c.contender->id, "pipe", &ContenderRounds::p99));
            std::printf("   %-46s %-24s %-24s %-26s %.2f, %.2f\n", c.contender->label,
                        Range(SpreadOf(Valid(c.p50)), "%.1f").c_str(),
                        Range(SpreadOf(Valid(c.p99)), "%.1f").c_str(),
                        Range(SpreadOf(Valid(c.p999)), "%.1f").c_str(), r50.median, r99.median);
        } else {
            // Speed against the pipe's in the same round: its time per record over ours.
            Spread x =
                SpreadOf(RoundRatios(k, "pipe", c.contender->id, &ContenderRounds::nsPerRecord));
            char same[16];
            std::snprintf(same, sizeof same, "%d/%zu", SameCpuRounds(c), c.sameCpu.size());
            std::printf("   %-52s %-22s %-22s %-10s %.2f\n", c.contender->label,
                        Range(SpreadOf(Valid(c.nsPerRecord)), "%.0f").c_str(),
                        Range(x, "%.2f").c_str(), same, c.shortest);
        }
    }
    if (!latency && k.placement->producerCpu < 0) {
        std::printf(
            "   (same CPU: rounds in which the producer and the consumer ended on one CPU; "
            "the scheduler placed them)\n");
    }
}

}  // namespace halcyon::bench::queue
