// SPDX-License-Identifier: Apache-2.0
#include "queue/Contenders.h"

namespace halcyon::bench::queue {

// The pipe whose reader takes one frame per read is the baseline of every ratio: what a
// program that hands records to another process does without this library.
const std::vector<Contender>& ThroughputContenders() {
    static const std::vector<Contender> all = {
        {"pipe", "pipe, one frame per read (baseline)", Transport::kPipe, false, false, false, 0},
        {"legacy", "legacy queue, waiting calls", Transport::kLegacy, false, false, false, 0},
        {"legacy-br", "legacy queue, waiting writes + batch reads", Transport::kLegacy, false, true,
         false, 0},
        {"legacy-bb", "legacy queue, batches of 32 + batch reads", Transport::kLegacy, true, true,
         false, 0},
        {"lockfree", "lock-free queue, waiting calls", Transport::kLockFree, false, false, false,
         0},
        {"lockfree-bb", "lock-free queue, batches of 32 + batch reads", Transport::kLockFree, true,
         true, false, 0},
        {"floor", "floor: minimal lock-free ring, both sides spinning", Transport::kFloor, false,
         false, false, 0},
        {"pipe64k", "pipe, reader takes up to 64 KiB per read", Transport::kPipe, false, false,
         true, 0},
        {"seqpacket", "Unix seqpacket socket, one record per call", Transport::kSeqpacket, false,
         false, false, 0},
    };
    return all;
}

const std::vector<Contender>& LatencyContenders() {
    static const std::vector<Contender> all = {
        {"pipe", "pipe (baseline)", Transport::kPipe, false, false, false, 0},
        {"seqpacket", "Unix seqpacket socket", Transport::kSeqpacket, false, false, false, 0},
        {"legacy", "legacy queue, ReadQueueWaiting", Transport::kLegacy, false, false, false, 0},
        {"legacy-spin", "legacy queue, read spin 100 us", Transport::kLegacy, false, false, false,
         100},
        {"lockfree", "lock-free queue, ReadQueueWaiting", Transport::kLockFree, false, false, false,
         0},
        {"lockfree-spin", "lock-free queue, read spin 100 us", Transport::kLockFree, false, false,
         false, 100},
    };
    return all;
}

const Contender* FindContender(const std::string& id) {
    for (const auto* list : {&ThroughputContenders(), &LatencyContenders()}) {
        for (const Contender& c : *list) {
            if (id == c.id) return &c;
        }
    }
    return nullptr;
}

// Quiet with the scheduler's choice, and with the producer and the consumer on a CPU each (the
// placement a spinning reader, and the floor, are made for); then beside two busy neighbours,
// one pinned to each CPU, with the producer and the consumer on one CPU or on two: the
// placements the scheduler otherwise picks between from round to round.
const std::vector<Placement>& ThroughputPlacements() {
    static const std::vector<Placement> all = {
        {"quiet", -1, -1, 0},
        {"quiet, producer on CPU 0, consumer on CPU 1", 0, 1, 0},
        {"loaded, producer and consumer on CPU 0", 0, 0, 2},
        {"loaded, producer on CPU 0, consumer on CPU 1", 0, 1, 2},
    };
    return all;
}

const std::vector<Placement>& LatencyPlacements() {
    static const std::vector<Placement> all = {
        {"quiet", -1, -1, 0},
        {"quiet, producer on CPU 0, consumer on CPU 1", 0, 1, 0},
        {"loaded, producer on CPU 0, consumer on CPU 1", 0, 1, 2},
    };
    return all;
}

}  // namespace halcyon::bench::queue
