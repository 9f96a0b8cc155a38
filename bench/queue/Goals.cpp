// SPDX-License-Identifier: Apache-2.0
// The goals of the shared queue, checked against the medians of this run.
#include "queue/Report.h"
#include "queue/Stats.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace halcyon::bench::queue {
namespace {

bool Quiet(const CaseRounds& k) { return k.placement->neighbours == 0; }

void Line(const char* what, const Spread& s, bool met, const char* unit) {
    if (s.empty) {
        std::printf("   %-96s not measured in this run\n", what);
        return;
    }
    std::printf("   %-96s %7.2f%s [%.2f-%.2f]  %s\n", what, s.median, unit, s.min, s.max,
                met ? "met" : "NOT MET");
}

void ThroughputGoals(const CaseRounds& k) {
    char what[160];
    // Speed against the pipe: the pipe's time per record over the queue's, round by round.
    // Batch reads behind waiting writes (a producer with one record at a time), and batches on
    // both sides (a producer with records at hand).
    const double want = !Quiet(k) ? 1.0 : k.size >= 3000 ? 1.5 : 3.0;
    for (const char* id : {"legacy-br", "legacy-bb"}) {
        Spread legacy = SpreadOf(RoundRatios(k, "pipe", id, &ContenderRounds::nsPerRecord));
        std::snprintf(what, sizeof what, "legacy, %s >= %.1fx pipe, %ld B, %s",
                      id == std::string("legacy-br") ? "waiting writes + batch reads"
                                                     : "batch writes + batch reads",
                      want, k.size, k.placement->name);
        Line(what, legacy, legacy.median >= want, "x");
    }
    // The floor spins on both sides: it is the floor only with a CPU for each.
    if (!Quiet(k) || k.placement->consumerCpu == k.placement->producerCpu) return;
    Spread floor = SpreadOf(RoundRatios(k, "lockfree", "floor", &ContenderRounds::nsPerRecord));
    std::snprintf(what, sizeof what, "lock-free queue's time <= 2x the floor ring's, %ld B, %s",
                  k.size, k.placement->name);
    Line(what, floor, floor.median <= 2.0, "x");
}

void LatencyGoals(const CaseRounds& k) {
    char what[160];
    if (k.rate <= 20000) {
        for (auto field : {&ContenderRounds::p50, &ContenderRounds::p99}) {
            Spread r = SpreadOf(RoundRatios(k, "legacy", "pipe", field));
            std::snprintf(what, sizeof what, "legacy queue's %s <= the pipe's at %.0f k/s, %s",
                          field == &ContenderRounds::p50 ? "p50" : "p99", k.rate / 1000,
                          k.placement->name);
            Line(what, r, r.median <= 1.0, "x");
        }
    }
    if (k.rate >= 100000 && Quiet(k) && k.placement->consumerCpu != k.placement->producerCpu) {
        for (const char* id : {"legacy-spin", "lockfree-spin"}) {
            const ContenderRounds* c = k.Find(id);
            std::vector<double> p50;
            if (c != nullptr) {
                for (double v : c->p50) {
                    if (!std::isnan(v)) p50.push_back(v);
                }
            }
            Spread s = SpreadOf(p50);
            std::snprintf(what, sizeof what, "%s p50 <= 2 us at %.0f k/s, %s", id, k.rate / 1000,
                          k.placement->name);
            Line(what, s, s.median <= 2.0, " us");
        }
    }
}

}  // namespace

void PrintGoals(const std::vector<CaseRounds>& cases) {
    std::printf("\n== goals (medians of the per-round figures, [min-max] of the rounds)\n");
    for (const CaseRounds& k : cases) {
        if (k.mode == "latency") {
            LatencyGoals(k);
        } else {
            ThroughputGoals(k);
        }
    }
}

}  // namespace halcyon::bench::queue
