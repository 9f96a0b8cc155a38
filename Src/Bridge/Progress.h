// The bridges' progress line on standard error: records, bytes and rate, once a second.
#pragma once

#include <chrono>
#include <cstdint>

namespace halcyon::bridge {

class Progress {
  public:
    Progress(const char* who, bool enabled);
    ~Progress();
    void Count(std::uint64_t records, std::uint64_t bytes);

  private:
    void Print(bool last);

    const char* who_;
    bool enabled_;
    std::uint64_t records_ = 0;
    std::uint64_t bytes_ = 0;
    std::uint64_t recordsAtLast_ = 0;
    std::chrono::steady_clock::time_point last_;
};

}  // namespace halcyon::bridge
