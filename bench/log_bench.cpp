// SPDX-License-Identifier: Apache-2.0
// One flushed line through CSystemLog::Write against spdlog, the logging library a C++ program
// would otherwise pick, writing the same line to a file and flushing after every line.
//
//   SystemLog:      CSystemLog::Write, the day file of log "bench" (one local-time reading for
//                   the day check, one for the line's time, the format, one flush)
//   SpdlogBasic:    spdlog's basic file sink (basic_file_sink_mt), flush_on(trace)
//   SpdlogDaily:    spdlog's daily file sink (daily_file_sink_mt), which also checks the day
//
// Both write "hh:mm:ss:mmm\tWARNING \t<n>\tTXF\t<text>\r\n" into files in the same folder (the
// log root of this program's folder: <folder>/LOGS, removed at the end), each from one thread and
// from four threads at once into one log. The ratios at the end are lines per second through
// CSystemLog over lines per second through spdlog in the same run (above 1: CSystemLog is faster).
#include <HalcyonCommon.h>

#include "BenchSupport.h"

#include <benchmark/benchmark.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/daily_file_sink.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

const char kText[] = "order 4711 filled 3 @ 17250.50 by account 0042";

CSystemLog* g_log = nullptr;
std::shared_ptr<spdlog::logger> g_basic;
std::shared_ptr<spdlog::logger> g_daily;

void SystemLog(benchmark::State& state) {
    int n = 0;
    for (auto _ : state) {
        if (!g_log->Write(1, ++n, "TXF", kText)) state.SkipWithError("CSystemLog::Write failed");
    }
    state.SetItemsProcessed(state.iterations());
}

void SpdlogLines(benchmark::State& state, spdlog::logger& logger) {
    int n = 0;
    for (auto _ : state) logger.warn("{:<8}\t{}\t{}\t{}", "WARNING", ++n, "TXF", kText);
    state.SetItemsProcessed(state.iterations());
}

void SpdlogBasic(benchmark::State& state) { SpdlogLines(state, *g_basic); }
void SpdlogDaily(benchmark::State& state) { SpdlogLines(state, *g_daily); }

void Configure(benchmark::internal::Benchmark* b) {
    b->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();
    b->Threads(1)->Threads(4);
}

BENCHMARK(SystemLog)->Apply(Configure);
BENCHMARK(SpdlogBasic)->Apply(Configure);
BENCHMARK(SpdlogDaily)->Apply(Configure);

// Keeps the median lines per second of each benchmark and thread count for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
            auto rate = run.counters.find("items_per_second");
            if (rate != run.counters.end() && !run.error_occurred)
                rates_[run.run_name.function_name + "/" + std::to_string(run.threads)] =
                    rate->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const char* baseline, int threads) const {
        std::string suffix = "/" + std::to_string(threads);
        auto ours = rates_.find("SystemLog" + suffix);
        auto theirs = rates_.find(baseline + suffix);
        if (ours == rates_.end() || theirs == rates_.end() || theirs->second <= 0) return;
        std::printf("%d thread%s: CSystemLog %9.0f lines/s, %-12s %9.0f lines/s: %5.2f x\n",
                    threads, threads == 1 ? " " : "s", ours->second, baseline, theirs->second,
                    ours->second / theirs->second);
    }

  private:
    std::map<std::string, double> rates_;
};

std::shared_ptr<spdlog::logger> MakeLogger(const char* name, spdlog::sink_ptr sink) {
    auto logger = std::make_shared<spdlog::logger>(name, std::move(sink));
    logger->set_formatter(std::make_unique<spdlog::pattern_formatter>(
        "%H:%M:%S:%e\t%v", spdlog::pattern_time_type::local, "\r\n"));
    logger->flush_on(spdlog::level::trace);
    return logger;
}

}  // namespace

int main(int argc, char** argv) {
    halcyon::bench::RunInPrivateNamespace(argc, argv);
    g_log = s_NimbusLogGetSystemLogObj("bench");
    if (g_log == nullptr || !g_log->Write(0, 0, "start", "")) {
        std::fprintf(stderr, "log_bench: cannot write the system log \"bench\"\n");
        return 1;
    }
    std::filesystem::path folder = halcyon::HostPath(g_log->GetLogFile()->GetFolder());
    std::filesystem::path logs = folder.parent_path().parent_path();  // <folder>/LOGS/bench/system
    try {
        g_basic = MakeLogger("basic", std::make_shared<spdlog::sinks::basic_file_sink_mt>(
                                          (folder / "spdlog_basic.log").string()));
        g_daily = MakeLogger("daily", std::make_shared<spdlog::sinks::daily_file_sink_mt>(
                                          (folder / "spdlog_daily.log").string(), 0, 0));
    } catch (const spdlog::spdlog_ex& e) {
        std::fprintf(stderr, "log_bench: spdlog: %s\n", e.what());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf(
        "\nCSystemLog's flushed lines per second against spdlog's, same run (median of 5):\n");
    for (int threads : {1, 4}) {
        reporter.PrintRatio("SpdlogBasic", threads);
        reporter.PrintRatio("SpdlogDaily", threads);
    }
    g_basic.reset();
    g_daily.reset();
    std::error_code ignored;
    std::filesystem::remove_all(logs, ignored);
    return 0;
}
