#include "Progress.h"

#include <cstdio>

namespace halcyon::bridge {

Progress::Progress(const char* who, bool enabled)
    : who_(who), enabled_(enabled), last_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    if (enabled_) Print(true);
}

void Progress::Count(std::uint64_t records, std::uint64_t bytes) {
    records_ += records;
    bytes_ += bytes;
    if (enabled_ && std::chrono::steady_clock::now() - last_ >= std::chrono::seconds(1))
        Print(false);
}

void Progress::Print(bool last) {
    auto now = std::chrono::steady_clock::now();
    double seconds = std::chrono::duration<double>(now - last_).count();
    double rate = seconds > 0 ? static_cast<double>(records_ - recordsAtLast_) / seconds : 0;
    std::fprintf(stderr, "\r%s: %llu records, %.1f MB, %.0f records/s   %s", who_,
                 static_cast<unsigned long long>(records_), static_cast<double>(bytes_) / 1e6, rate,
                 last ? "\n" : "");
    std::fflush(stderr);
    recordsAtLast_ = records_;
    last_ = now;
}

}  // namespace halcyon::bridge
