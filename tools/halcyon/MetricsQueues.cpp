// SPDX-License-Identifier: Apache-2.0
// The queues' gauges and counters, from the registry and each queue's 26-byte header.
//
// As `halcyon queue watch` does, a scrape reads the registry and copies each header with
// s_MapFile_QueryQueHeader, which holds the queue's mutex for that copy only. Queues are opened
// once and closed when they leave the registry. The reader becomes a client of the registry only
// once an owner runs (a client would otherwise wait for one without limit); from then on it keeps
// the registry's objects open, as every client does.
#include "Metrics.h"
#include "QueueOwner.h"
#include "QueueSlots.h"

#include <HalcyonCommon.h>

#include <chrono>
#include <thread>

namespace halcyon::tool::metrics {

struct QueueReader::Queue {
    std::string name;  // empty: a free slot
    short id = -1;     // the id this process opened it under, -1 when it could not
    bool up = false;   // the header was read and is valid
    bool stuck = false;
    tagSHMHEADER header{};
};

namespace {

using Queue = QueueReader::Queue;

// A copy in progress is never seen under the mutex; `sync` still set a moment later was left by a
// process that died in the middle of one.
constexpr auto kSyncRecheck = std::chrono::milliseconds(50);

// The registry's names, slot by slot; false when no registry can be read.
bool ReadNames(short& block, std::vector<std::string>& names) {
    if (block < 0 && !RegistryExists()) return false;
    return ReadRegistryAsClient(block, names);
}

void Read(Queue& q) {
    const tagSHMHEADER& h = q.header;
    q.up = q.id >= 0 && s_MapFile_QueryQueHeader(q.id, &q.header) != 0 && h.H1 == 0x8E &&
           h.H2 == 0x8F && h.size != 0;
    q.stuck = false;
    if (!q.up || h.sync == 0) return;
    std::this_thread::sleep_for(kSyncRecheck);
    tagSHMHEADER again{};
    q.stuck = s_MapFile_QueryQueHeader(q.id, &again) != 0 && again.sync != 0;
}

std::uint32_t RingBytes(const tagSHMHEADER& h) { return h.size * 1024U; }

std::uint32_t UsedBytes(const tagSHMHEADER& h) {
    const std::uint32_t ring = RingBytes(h);
    return h.put >= h.take ? h.put - h.take : ring - h.take + h.put;
}

double FillRatio(const tagSHMHEADER& h) {
    const double used = UsedBytes(h);
    return used < RingBytes(h) ? used / RingBytes(h) : 1.0;
}

// One family whose samples are the readable queues' values.
struct QueueFamily {
    const char* name;
    const char* type;
    const char* unit;
    const char* help;
    double (*value)(const Queue& q);
};

const QueueFamily kQueueFamilies[] = {
    {"halcyon_queue_ring_bytes", "gauge", "bytes", "Size of the queue's ring.",
     [](const Queue& q) -> double { return RingBytes(q.header); }},
    {"halcyon_queue_used_bytes", "gauge", "bytes",
     "Ring bytes in use, records' length fields included.",
     [](const Queue& q) -> double { return UsedBytes(q.header); }},
    {"halcyon_queue_fill_ratio", "gauge", "ratio", "Used bytes over ring bytes, 0 to 1.",
     [](const Queue& q) { return FillRatio(q.header); }},
    {"halcyon_queue_records", "gauge", "", "Records waiting in the queue.",
     [](const Queue& q) -> double { return q.header.count; }},
    {"halcyon_queue_written_records", "counter", "",
     "Records written into the queue (the header's WriteCount, which wraps at 2^32).",
     [](const Queue& q) -> double { return q.header.WriteCount; }},
    {"halcyon_queue_read_records", "counter", "",
     "Records read from the queue (the header's ReadCount, which wraps at 2^32).",
     [](const Queue& q) -> double { return q.header.ReadCount; }},
    {"halcyon_queue_errors", "counter", "",
     "Reads and writes that gave up after their pauses (the header's errcount).",
     [](const Queue& q) -> double { return q.header.errcount; }},
    {"halcyon_queue_sync_stuck", "gauge", "",
     "1 when a process died while copying a record: the queue needs halcyon queue reset.",
     [](const Queue& q) -> double { return q.stuck ? 1 : 0; }},
};

}  // namespace

QueueReader::QueueReader() : queues_(kRegistrySlots) {}

QueueReader::~QueueReader() {
    for (Queue& q : queues_) CloseQueue(q.id);
}

void QueueReader::Collect(Exposition& out) {
    std::vector<std::string> names;
    const bool registry = ReadNames(block_, names);
    // A queue whose mutex is gone (its creator died) is not opened.
    if (registry) FollowRegistry(names, queues_);
    int registered = 0;
    for (Queue& q : queues_) {
        if (!registry || q.name.empty()) continue;
        ++registered;
        Read(q);
    }
    out.Family("halcyon_registry_up", "gauge", "", "1 when a queue registry runs.");
    out.Sample({}, registry ? 1 : 0);
    out.Family("halcyon_registry_queues", "gauge", "", "Queues registered (of 128 slots).");
    out.Sample({}, registered);
    out.Family("halcyon_queue_up", "gauge", "",
               "1 when the queue's header was read and is valid; 0 for a queue that cannot be "
               "opened or whose header is damaged (its other values are then left out).");
    for (const Queue& q : queues_) {
        if (registry && !q.name.empty()) out.Sample({{"queue", q.name}}, q.up ? 1 : 0);
    }
    for (const QueueFamily& family : kQueueFamilies) {
        out.Family(family.name, family.type, family.unit, family.help);
        for (const Queue& q : queues_) {
            if (registry && q.up) out.Sample({{"queue", q.name}}, family.value(q));
        }
    }
}

}  // namespace halcyon::tool::metrics
