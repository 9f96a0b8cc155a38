// SPDX-License-Identifier: Apache-2.0
// A progress line on standard error for work that takes a while (the bridge, demo, pack and
// unpack): redrawn in place a few times a second by a thread of its own, only when standard
// error is a terminal, and only once the work has gone on for a moment, so that pipes, logs and
// quick runs stay quiet.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace halcyon::tool {

class Progress {
  public:
    enum class Unit { kRecords, kBytes };

    // `who` starts the line ("halcyon demo"). Nothing is drawn unless `enabled`.
    Progress(std::string who, bool enabled);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    // Ends the line as End does.
    ~Progress();

    // True when standard error is a terminal: the usual `enabled`.
    static bool ToTerminal();

    // Starts a phase: `what` ("compressing", or "" for none) of `total` records or bytes (0 when
    // unknown); the counts start from zero.
    void Phase(const std::string& what, Unit unit, std::uint64_t total);
    // Counts records (Unit::kRecords) with their bytes, or bytes alone (Unit::kBytes: `items`
    // is ignored). Any thread may call it.
    void Count(std::uint64_t items, std::uint64_t bytes);
    // Stops drawing; when the line was drawn, draws it once more as it ends, or as `who: summary`
    // when a summary is given, and goes to the next line.
    void End(const std::string& summary = "");
    // Seconds since the progress was made.
    double Seconds() const;

    // The line as drawn, without the terminal's controls.
    std::string Line() const;

  private:
    void Draw(const std::string& line);
    void Tick();

    using Clock = std::chrono::steady_clock;
    const std::string who_;
    const bool enabled_;
    mutable std::mutex mutex_;  // guards the phase and the drawing
    std::string what_;
    Unit unit_ = Unit::kRecords;
    std::uint64_t total_ = 0;
    Clock::time_point phaseStart_;
    std::atomic<std::uint64_t> items_{0};
    std::atomic<std::uint64_t> bytes_{0};
    const Clock::time_point start_;
    bool drawn_ = false;
    bool ended_ = false;
    std::condition_variable wake_;
    std::thread ticker_;
};

}  // namespace halcyon::tool
