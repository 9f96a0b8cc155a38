// SPDX-License-Identifier: Apache-2.0
// The test program's main, and the roles it plays as a child on one "machine": the producer
// that writes a run's records into a shared queue, and the consumer that reads them on the other
// side and checks every byte and the order. Record i of a run is a function of the run's seed and
// i, 1-3095 bytes of pseudo-random data, so that the consumer needs no copy of what was sent.
#include <HalcyonCommon.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::string TestRecord(std::uint64_t seed, std::uint64_t index) {
    std::mt19937_64 random(seed * 0x100000001B3ULL + index);
    std::string bytes(1 + random() % 3095, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

short OpenQueue(const char* name) {
    short id = s_MapFile_WaitingOpenQue(name);
    if (id < 0) std::fprintf(stderr, "cannot open queue %s\n", name);
    return id;
}

// producer QUEUE COUNT SEED [RATE]: writes the run's records, sleeping while the queue is full,
// and with a RATE (records per second) no faster than that. A write that fails (a mutex abandoned
// by a killed bridge fails one call; a copy it left unfinished fails until the bridge is back) is
// tried again.
int Producer(const char* queue, std::uint64_t count, std::uint64_t seed, std::uint64_t rate) {
    short id = OpenQueue(queue);
    const auto start = Clock::now();
    for (std::uint64_t i = 0; id >= 0 && i < count; ++i) {
        if (rate > 0)
            std::this_thread::sleep_until(start + std::chrono::microseconds(i * 1000000 / rate));
        std::string record = TestRecord(seed, i);
        while (halcyon::WriteQueueWaiting(id, reinterpret_cast<unsigned char*>(&record[0]),
                                          static_cast<unsigned short>(record.size()), 1000) != 1) {
        }
    }
    return id >= 0 ? 0 : 2;
}

// consumer QUEUE COUNT SEED: reads until COUNT records came, checking each, then watches for a
// second and a half more: any further record is a repeat. Gives up after a minute without one.
int Consumer(const char* queue, std::uint64_t count, std::uint64_t seed) {
    short id = OpenQueue(queue);
    unsigned char buf[3095];
    std::uint64_t next = 0;
    auto last = Clock::now();
    while (id >= 0 &&
           Clock::now() - last < std::chrono::milliseconds(next < count ? 60000 : 1500)) {
        short length = halcyon::ReadQueueWaiting(id, buf, 100);
        if (length <= 0) {
            if (length < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        std::string expected = next < count ? TestRecord(seed, next) : std::string();
        if (expected.size() != static_cast<std::size_t>(length) ||
            std::memcmp(expected.data(), buf, expected.size()) != 0) {
            std::printf("record %llu: %d bytes, %zu expected\n",
                        static_cast<unsigned long long>(next), length, expected.size());
            return 3;
        }
        ++next;
        last = Clock::now();
    }
    std::printf("received %llu of %llu\n", static_cast<unsigned long long>(next),
                static_cast<unsigned long long>(count));
    return next == count ? 0 : 5;
}

}  // namespace

int main(int argc, char** argv) {
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
