// SPDX-License-Identifier: Apache-2.0
// What the queue benchmark compares: the transports, how each side of each uses them, and where
// the processes run.
#pragma once

#include <string>
#include <vector>

namespace halcyon::bench::queue {

enum class Transport { kLegacy, kLockFree, kPipe, kSeqpacket, kFloor };

struct Contender {
    const char* id;     // on the command line of a child, and in --only
    const char* label;  // in the tables and the chart
    Transport transport;
    bool batchWrite;           // the producer writes 32 records per call (WriteQueueBatch)
    bool batchRead;            // the consumer takes what is queued per call (ReadQueueBatch)
    bool bigReads;             // pipe: the reader takes up to 64 KiB per read, not one frame
    unsigned long spinMicros;  // the reader's spin before it sleeps (SetQueueReadSpin)
};

// Records a batch-writing producer gathers before it writes them.
constexpr int kBatchRecords = 32;
// The rings of the queues and the floor, and the pipes' and the socket's buffers.
constexpr unsigned char kQueueKiB = 255;
constexpr int kChannelBytes = 256 * 1024;

const std::vector<Contender>& ThroughputContenders();
const std::vector<Contender>& LatencyContenders();
const Contender* FindContender(const std::string& id);

// Where a case's processes run. A CPU of -1 leaves the process to the scheduler.
struct Placement {
    const char* name;
    int producerCpu;
    int consumerCpu;
    int neighbours;  // CPU-bound processes beside the case, one pinned to each CPU in turn
};

const std::vector<Placement>& ThroughputPlacements();
const std::vector<Placement>& LatencyPlacements();

}  // namespace halcyon::bench::queue
