// SPDX-License-Identifier: Apache-2.0
#include "Progress.h"

#include "HostFiles.h"

#include <cstdio>

namespace halcyon::tool {
namespace {

// Quicker work than this shows nothing; the line is redrawn this often.
constexpr auto kDelay = std::chrono::milliseconds(300);
constexpr auto kInterval = std::chrono::milliseconds(250);

std::string Megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
    return text;
}

}  // namespace

Progress::Progress(std::string who, bool enabled)
    : who_(std::move(who)), enabled_(enabled), phaseStart_(Clock::now()), start_(Clock::now()) {
    if (enabled_) ticker_ = std::thread([this] { Tick(); });
}

Progress::~Progress() { End(); }

bool Progress::ToTerminal() { return IsTerminal(2); }

void Progress::Phase(const std::string& what, Unit unit, std::uint64_t total) {
    std::lock_guard<std::mutex> lock(mutex_);
    what_ = what;
    unit_ = unit;
    total_ = total;
    items_ = 0;
    bytes_ = 0;
    phaseStart_ = Clock::now();
}

void Progress::Count(std::uint64_t items, std::uint64_t bytes) {
    items_.fetch_add(items, std::memory_order_relaxed);
    bytes_.fetch_add(bytes, std::memory_order_relaxed);
}

std::string Progress::Line() const {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t items = items_.load(std::memory_order_relaxed);
    const std::uint64_t bytes = bytes_.load(std::memory_order_relaxed);
    const double seconds = std::chrono::duration<double>(Clock::now() - phaseStart_).count();
    const std::uint64_t done = unit_ == Unit::kRecords ? items : bytes;
    std::string line = who_ + ":" + (what_.empty() ? "" : " " + what_);
    char text[128];
    if (unit_ == Unit::kBytes && done == 0 && total_ > 0) {
        // Work the library does in one call: its size and how long it has taken so far.
        std::snprintf(text, sizeof text, " %s MB, %.1f s", Megabytes(total_).c_str(), seconds);
        return line + text;
    }
    line += " " + (unit_ == Unit::kRecords ? std::to_string(done) : Megabytes(done));
    if (total_ > 0) {
        line += " of " + (unit_ == Unit::kRecords ? std::to_string(total_) : Megabytes(total_));
    }
    line += unit_ == Unit::kRecords ? " records" : " MB";
    if (total_ > 0) {
        std::snprintf(text, sizeof text, " (%.0f%%)", 100.0 * static_cast<double>(done) / total_);
        line += text;
    }
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    if (unit_ == Unit::kRecords) {
        std::snprintf(text, sizeof text, ", %s MB, %.0f records/s", Megabytes(bytes).c_str(), rate);
    } else {
        std::snprintf(text, sizeof text, ", %.1f MB/s", rate / 1e6);
    }
    return line + text;
}

double Progress::Seconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void Progress::Draw(const std::string& line) {
    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void Progress::Tick() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!ended_) {
        wake_.wait_for(lock, kInterval);
        if (ended_ || Clock::now() - start_ < kDelay) continue;
        lock.unlock();
        Draw(Line());
        lock.lock();
    }
}

void Progress::End(const std::string& summary) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (ended_) return;
        ended_ = true;
    }
    wake_.notify_all();
    if (ticker_.joinable()) ticker_.join();
    if (drawn_) {
        Draw(summary.empty() ? Line() : who_ + ": " + summary);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
}

}  // namespace halcyon::tool
