// Pieces the benchmarks share: reporters that keep each run's figures for the ratios printed at
// the end, and a thread that only exists.
#pragma once

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace halcyon::bench {

// Keeps each benchmark's time per iteration (the median when repeated), by function name and
// arguments ("Name" or "Name/args"): wall-clock time, and CPU time, which a busy machine
// disturbs less.
class TimeKeeper : public benchmark::ConsoleReporter {
  public:
    struct Times {
        double real;
        double cpu;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type == Run::RT_Iteration || median) && !run.error_occurred) {
                const auto& name = run.run_name;
                times_[name.function_name + (name.args.empty() ? "" : "/" + name.args)] = {
                    run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The times of `name`, or null when it did not run or failed.
    const Times* Find(const std::string& name) const {
        auto it = times_.find(name);
        return it == times_.end() ? nullptr : &it->second;
    }

  private:
    std::map<std::string, Times> times_;
};

// Keeps each run's bytes per second, by the benchmark's full name ("BM_Name/arg").
class SpeedKeeper : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) speeds_[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The bytes per second of `name`, or 0 when it did not run.
    double Speed(const std::string& name) const {
        auto it = speeds_.find(name);
        return it == speeds_.end() ? 0 : it->second;
    }

  private:
    std::map<std::string, double> speeds_;
};

// A thread that only waits for the end of the program, so that a run measures a process with
// more than one thread, as the terminal's are.
class IdleThread {
  public:
    IdleThread()
        : thread_([this] {
              std::unique_lock<std::mutex> hold(lock_);
              wake_.wait(hold, [this] { return done_; });
          }) {}
    ~IdleThread() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

  private:
    std::mutex lock_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace halcyon::bench
