// SPDX-License-Identifier: Apache-2.0
// The chart of `queue_bench --plot FILE`: an SVG of the quiet cases, drawn by hand (no library).
#include "queue/Report.h"
#include "queue/Stats.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace halcyon::bench::queue {
namespace {

constexpr double kWidth = 980, kLabelWidth = 330, kPlotWidth = 560, kBar = 11, kGap = 3;
const char* const kColours[] = {"#7f7f7f", "#1f77b4", "#2ca02c", "#17becf", "#d62728",
                                "#ff7f0e", "#9467bd", "#bcbd22", "#8c564b"};

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '&') {
            out += "&amp;";
        } else {
            out += c;
        }
    }
    return out;
}

// A logarithmic axis from `lo` to `hi` across the plot's width.
struct Axis {
    double lo, hi;
    double X(double v) const {
        v = std::max(lo, std::min(hi, v));
        return kLabelWidth + kPlotWidth * std::log(v / lo) / std::log(hi / lo);
    }
};

void Ticks(std::ostringstream& svg, const Axis& axis, double top, double bottom, const char* unit) {
    for (double t : {0.1, 0.3, 1.0, 3.0, 10.0, 30.0, 100.0, 300.0, 1000.0, 3000.0, 10000.0}) {
        if (t < axis.lo || t > axis.hi) continue;
        double x = axis.X(t);
        svg << "<line x1='" << x << "' y1='" << top << "' x2='" << x << "' y2='" << bottom
            << "' stroke='#ddd'/>\n<text x='" << x << "' y='" << bottom + 12
            << "' font-size='10' text-anchor='middle'>" << t << unit << "</text>\n";
    }
}

// One bar: the median, a whisker over the range, the median written beside it.
void Bar(std::ostringstream& svg, const Axis& axis, double y, const Spread& s, const char* colour,
         const std::string& label, double opacity) {
    if (s.empty) return;
    double x0 = axis.X(axis.lo), x = axis.X(s.median);
    svg << "<text x='" << kLabelWidth - 6 << "' y='" << y + kBar - 2
        << "' font-size='10' text-anchor='end'>" << Escape(label) << "</text>\n"
        << "<rect x='" << x0 << "' y='" << y << "' width='" << x - x0 << "' height='" << kBar
        << "' fill='" << colour << "' fill-opacity='" << opacity << "'/>\n"
        << "<line x1='" << axis.X(s.min) << "' y1='" << y + kBar / 2 << "' x2='" << axis.X(s.max)
        << "' y2='" << y + kBar / 2 << "' stroke='black'/>\n";
    char value[32];
    std::snprintf(value, sizeof value, s.median < 10 ? "%.2f" : "%.0f", s.median);
    svg << "<text x='" << axis.X(s.max) + 4 << "' y='" << y + kBar - 2 << "' font-size='9'>"
        << value << "</text>\n";
}

// The quiet placement the chart shows: a CPU for each side when the run measured it (the floor
// is the floor only so), else the scheduler's choice.
bool Charted(const CaseRounds& k, const std::vector<CaseRounds>& cases) {
    if (k.placement->neighbours != 0) return false;
    bool pinned = false;
    for (const CaseRounds& c : cases) {
        pinned |= c.mode == k.mode && c.placement->neighbours == 0 && c.placement->producerCpu >= 0;
    }
    return pinned ? k.placement->producerCpu >= 0 : true;
}

double ThroughputPanel(std::ostringstream& svg, const std::vector<CaseRounds>& cases, double y) {
    const char* placement = "";
    for (const CaseRounds& k : cases) {
        if (k.mode == "throughput" && Charted(k, cases)) placement = k.placement->name;
    }
    svg << "<text x='10' y='" << y << "' font-size='13' font-weight='bold'>Throughput, "
        << Escape(placement) << ": ns per record (log scale; bar: median of the rounds, line: "
        << "their range)</text>\n";
    y += 10;
    const double top = y;
    Axis axis{10, 5000};
    for (const CaseRounds& k : cases) {
        if (k.mode != "throughput" || !Charted(k, cases)) continue;
        svg << "<text x='10' y='" << y + 12 << "' font-size='11' font-weight='bold'>" << k.size
            << "-byte records</text>\n";
        y += 16;
        for (std::size_t i = 0; i < k.contenders.size(); ++i) {
            std::vector<double> ns;
            for (double v : k.contenders[i].nsPerRecord) {
                if (!std::isnan(v)) ns.push_back(v);
            }
            Bar(svg, axis, y, SpreadOf(ns), kColours[i % 9], k.contenders[i].contender->label,
                0.85);
            y += kBar + kGap;
        }
        y += 6;
    }
    Ticks(svg, axis, top, y, "");
    return y + 30;
}

// The quiet latency cases at the lowest rate, one group per placement: where the scheduler
// puts the two processes decides what a wake-up costs.
double LatencyPanel(std::ostringstream& svg, const std::vector<CaseRounds>& cases, double y) {
    double rate = 0;
    for (const CaseRounds& c : cases) {
        if (c.mode == "latency" && c.placement->neighbours == 0 && (rate == 0 || c.rate < rate))
            rate = c.rate;
    }
    if (rate == 0) return y;
    svg << "<text x='10' y='" << y << "' font-size='13' font-weight='bold'>One-way latency at "
        << rate / 1000 << " k records/s, quiet: p50 (dark) and p99 (light), microseconds (log "
        << "scale)</text>\n";
    y += 10;
    const double top = y;
    Axis axis{0.1, 10000};
    for (const CaseRounds& k : cases) {
        if (k.mode != "latency" || k.placement->neighbours != 0 || k.rate != rate) continue;
        svg << "<text x='10' y='" << y + 12 << "' font-size='11' font-weight='bold'>"
            << Escape(k.placement->name) << "</text>\n";
        y += 16;
        for (std::size_t i = 0; i < k.contenders.size(); ++i) {
            const ContenderRounds& c = k.contenders[i];
            std::vector<double> p50, p99;
            for (std::size_t r = 0; r < c.p50.size(); ++r) {
                if (!std::isnan(c.p50[r])) p50.push_back(c.p50[r]), p99.push_back(c.p99[r]);
            }
            Bar(svg, axis, y, SpreadOf(p50), kColours[i % 9], c.contender->label, 0.9);
            y += kBar + 1;
            Bar(svg, axis, y, SpreadOf(p99), kColours[i % 9], "", 0.35);
            y += kBar + kGap + 2;
        }
        y += 6;
    }
    Ticks(svg, axis, top, y, "");
    return y + 30;
}

}  // namespace

bool WriteChart(const std::vector<CaseRounds>& cases, const std::string& path,
                const std::string& caption) {
    std::ostringstream body;
    double y = ThroughputPanel(body, cases, 24);
    y = LatencyPanel(body, cases, y);
    body << "<text x='10' y='" << y - 8 << "' font-size='10' fill='#555'>" << Escape(caption)
         << "</text>\n";
    std::ofstream out(path, std::ios::binary);
    out << "<svg xmlns='http://www.w3.org/2000/svg' width='" << kWidth << "' height='" << y
        << "' font-family='sans-serif'>\n<rect width='100%' height='100%' fill='white'/>\n"
        << body.str() << "</svg>\n";
    return static_cast<bool>(out);
}

}  // namespace halcyon::bench::queue
