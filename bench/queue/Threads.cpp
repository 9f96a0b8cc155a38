// SPDX-License-Identifier: Apache-2.0
#include "queue/Threads.h"

#include "queue/Stats.h"

#include <HalcyonCommon.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace halcyon::bench::queue {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kRecord = 64;

// The baseline a user would write: a ring of length-prefixed records under one std::mutex.
class MutexRing {
  public:
    explicit MutexRing(std::size_t size) : ring_(size) {}
    bool Push(const unsigned char* data, std::uint32_t len) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (used_ + len + 4 > ring_.size() - 1) return false;
        Put(reinterpret_cast<unsigned char*>(&len), 4);
        Put(data, len);
        return true;
    }
    bool Pop(unsigned char* out) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (used_ < 4) return false;
        std::uint32_t len;
        Take(reinterpret_cast<unsigned char*>(&len), 4);
        Take(out, len);
        return true;
    }

  private:
    void Put(const unsigned char* data, std::size_t n) {
        std::size_t first = std::min(n, ring_.size() - put_);
        std::memcpy(&ring_[put_], data, first);
        std::memcpy(&ring_[0], data + first, n - first);
        put_ = (put_ + n) % ring_.size();
        used_ += n;
    }
    void Take(unsigned char* out, std::size_t n) {
        std::size_t first = std::min(n, ring_.size() - take_);
        std::memcpy(out, &ring_[take_], first);
        std::memcpy(out + first, &ring_[0], n - first);
        take_ = (take_ + n) % ring_.size();
        used_ -= n;
    }
    std::mutex mutex_;
    std::vector<unsigned char> ring_;
    std::size_t put_ = 0, take_ = 0, used_ = 0;
};

// Seconds for `records` through push/pop on two threads, each yielding when it cannot go on.
double ThreadPair(long records, const std::function<bool()>& push,
                  const std::function<bool()>& pop) {
    auto start = Clock::now();
    std::thread consumer([&] {
        for (long n = 0; n < records;) {
            if (pop()) {
                ++n;
            } else {
                std::this_thread::yield();
            }
        }
    });
    for (long n = 0; n < records;) {
        if (push()) {
            ++n;
        } else {
            std::this_thread::yield();
        }
    }
    consumer.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct InProcess {
    InProcess(const char* l, std::function<double(long)> r) : label(l), run(std::move(r)) {}
    const char* label;
    std::function<double(long)> run;
    long count = 0;
    std::vector<double> ns;
};

std::vector<InProcess> Contenders() {
    static unsigned char rec[kRecord] = {}, out[kRecord];
    return {
        {"std::mutex ring (baseline)",
         [](long n) {
             MutexRing ring(64 * 1024);
             return ThreadPair(
                 n, [&] { return ring.Push(rec, kRecord); }, [&] { return ring.Pop(out); });
         }},
        {"TQRecQueue",
         [](long n) {
             TQRecQueue q(64);
             return ThreadPair(
                 n, [&] { return q.PushData(rec, kRecord) != 0; },
                 [&] {
                     unsigned long len;
                     return q.PopData(out, len) != 0;
                 });
         }},
        {"TQByteQueue",
         [](long n) {
             TQByteQueue q(64);
             return ThreadPair(
                 n, [&] { return q.PushData(rec, kRecord) != 0; },
                 [&] { return q.PopData(out, kRecord) != 0; });
         }},
    };
}

}  // namespace

// Two threads race through a queue however the scheduler lets them, and the rate of one run
// depends on how long each thread gets to run alone: so the queues run in turns, and each is
// compared with the std::mutex ring of the same round.
void RunThreads(const Settings& settings) {
    std::vector<InProcess> all = Contenders();
    std::string before = LoadAverage();
    for (InProcess& c : all) {
        double probe = c.run(100000);
        c.count = static_cast<long>(100000 * settings.roundSeconds / probe) + 1;
        c.run(c.count);  // warm-up
    }
    for (int round = 0; round < settings.rounds; ++round) {
        for (std::size_t i = 0; i < all.size(); ++i) {
            InProcess& c = all[(i + static_cast<std::size_t>(round)) % all.size()];
            double seconds = c.run(c.count);
            for (int again = 0; again < 3 && seconds < kMinRoundSeconds; ++again) {
                c.count = static_cast<long>(c.count * settings.roundSeconds / seconds) + 1;
                seconds = c.run(c.count);
            }
            c.ns.push_back(seconds * 1e9 / static_cast<double>(c.count));
        }
    }
    std::printf(
        "\n== threads of one process, 64-byte records\n   %d rounds after a warm-up, in "
        "turns; %s before, %s after\n   %-32s %-22s %s\n",
        settings.rounds, before.c_str(), LoadAverage().c_str(), "queue", "ns/record [min-max]",
        "x std::mutex ring [min-max]");
    for (const InProcess& c : all) {
        std::vector<double> ratio;
        for (std::size_t r = 0; r < c.ns.size(); ++r) ratio.push_back(all[0].ns[r] / c.ns[r]);
        Spread ns = SpreadOf(c.ns), x = SpreadOf(ratio);
        std::printf("   %-32s %5.0f [%.0f-%.0f]        %.2f [%.2f-%.2f]\n", c.label, ns.median,
                    ns.min, ns.max, x.median, x.min, x.max);
    }
}

}  // namespace halcyon::bench::queue
