// The test program's main, and the roles it plays as a child on one "machine": the producer
// that writes a run's records into a shared queue, and the consumer that reads them on the other
// side and checks every byte and the order.
#include "BridgeRecords.h"

#include <HalcyonCommon.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace halcyon::bridge_test {
namespace {

using Clock = std::chrono::steady_clock;

void Nap() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

short OpenQueue(const char* name) {
    short id = s_MapFile_WaitingOpenQue(name);
    if (id < 0) std::fprintf(stderr, "cannot open queue %s\n", name);
    return id;
}

// producer QUEUE COUNT SEED [RATE]: writes the run's records (at most RATE a second), sleeping
// while the queue is full.
int Producer(const char* queue, std::uint64_t count, std::uint64_t seed, std::uint64_t rate) {
    short id = OpenQueue(queue);
    if (id < 0) return 2;
    auto start = Clock::now();
    for (std::uint64_t i = 0; i < count; ++i) {
        while (rate > 0 && Clock::now() < start + std::chrono::microseconds(i * 1000000 / rate))
            Nap();
        std::string record = TestRecord(seed, i);
        // A write that fails (a mutex abandoned by a killed bridge fails one call; a copy it left
        // unfinished fails until the bridge is back) is tried again.
        while (halcyon::WriteQueueWaiting(id, reinterpret_cast<unsigned char*>(&record[0]),
                                          static_cast<unsigned short>(record.size()), 1000) != 1) {
        }
    }
    std::printf("produced %llu\n", static_cast<unsigned long long>(count));
    return 0;
}

// consumer QUEUE COUNT SEED: reads until COUNT records came, checking each, then watches for a
// second and a half more: any further record is a repeat. Gives up after a minute without one.
int Consumer(const char* queue, std::uint64_t count, std::uint64_t seed) {
    short id = OpenQueue(queue);
    if (id < 0) return 2;
    unsigned char buf[3095];
    std::uint64_t next = 0;
    auto last = Clock::now();
    std::chrono::milliseconds limit(60000);
    for (;;) {
        short length = halcyon::ReadQueueWaiting(id, buf, 100);
        if (length > 0) {
            if (next >= count) {
                std::printf("extra record after %llu\n", static_cast<unsigned long long>(count));
                return 4;
            }
            std::string expected = TestRecord(seed, next);
            if (expected.size() != static_cast<std::size_t>(length) ||
                std::memcmp(expected.data(), buf, expected.size()) != 0) {
                std::printf("record %llu differs: %d bytes, %zu expected\n",
                            static_cast<unsigned long long>(next), length, expected.size());
                return 3;
            }
            ++next;
            last = Clock::now();
            if (next == count) limit = std::chrono::milliseconds(1500);
            continue;
        }
        if (Clock::now() - last > limit) break;
        if (length < 0) Nap();
    }
    std::printf("received %llu of %llu\n", static_cast<unsigned long long>(next),
                static_cast<unsigned long long>(count));
    return next == count ? 0 : 5;
}

}  // namespace
}  // namespace halcyon::bridge_test

int main(int argc, char** argv) {
    using namespace halcyon::bridge_test;
    if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "--role=producer") == 0)
        return Producer(argv[2], std::strtoull(argv[3], nullptr, 10),
                        std::strtoull(argv[4], nullptr, 10),
                        argc == 6 ? std::strtoull(argv[5], nullptr, 10) : 0);
    if (argc == 5 && std::strcmp(argv[1], "--role=consumer") == 0)
        return Consumer(argv[2], std::strtoull(argv[3], nullptr, 10),
                        std::strtoull(argv[4], nullptr, 10));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
