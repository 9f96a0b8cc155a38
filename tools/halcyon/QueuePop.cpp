// SPDX-License-Identifier: Apache-2.0
// halcyon queue pop: records from a shared queue to standard output, none of them lost.
//
// Each record is read from the front of the queue without taking it (QueueFront), written out,
// and taken only then. Into a file or a terminal the record is written and taken while the
// queue's mutex is held, so that no other reader can take it meanwhile. Into a pipe or a socket
// a written record is the reader's only once read: the mutex is let go while pop waits for that
// (a slow reader must not stall the queue's writers), and the record is taken afterwards if it is
// still in front; when another reader took it meanwhile, it went to both.
#include "ByteFiles.h"
#include "QueueFront.h"
#include "QueueVerbs.h"
#include "RecordSink.h"

#include <HalcyonCommon.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace halcyon::tool {
namespace {

struct Popping {
    std::string name;
    short id = -1;
    QueueFront front;
    RecordSink sink;
    Framing framing = Framing::kLines;
    long written = 0;
};

int Stop(const Popping& p, const std::string& why) {
    return QueueFailure(why + "; " + std::to_string(p.written) + " record(s) written before it, " +
                        "the rest stay in '" + p.name + "'");
}

// Takes the record just written if it is still in front (the mutex is held).
void TakeIfInFront(Popping& p, const std::string& record, std::uint32_t reads) {
    std::string now;
    std::uint32_t readsNow = 0;
    if (p.front.Peek(now, readsNow) != Front::kRecord || readsNow != reads || now != record)
        return;  // another reader took it
    unsigned char buffer[kMaxRecordBytes];
    s_MapFile_ReadQue(p.id, buffer, 0);
}

enum class Step { kDone, kEmpty, kFailed };

// Why a peek found no record to write; nullptr for a record or an empty queue.
const char* Trouble(Front state) {
    switch (state) {
        case Front::kDamaged:
            return "the queue is damaged";
        case Front::kStuck:
            return "a process died while copying into the queue (SYNC STUCK)";
        default:
            return nullptr;
    }
}

// Writes out and takes the front record. kEmpty: none is queued.
Step PopOne(Popping& p, int& code) {
    const std::string which = "record " + std::to_string(p.written + 1);
    std::string record, framed, why, error;
    std::uint32_t reads = 0;
    if (!p.front.Lock()) {
        code = Stop(p, "the queue's mutex cannot be had");
        return Step::kFailed;
    }
    const Front state = p.front.Peek(record, reads);
    const bool framedOk = state == Front::kRecord && Frame(record, p.framing, framed, why);
    const bool writtenOk = framedOk && p.sink.Write(framed, error);
    if (writtenOk && !p.sink.HandsOver()) TakeIfInFront(p, record, reads);
    p.front.Unlock();
    if (state == Front::kEmpty) return Step::kEmpty;
    if (const char* trouble = Trouble(state)) {
        code = Stop(p, std::string(trouble) + ": 'halcyon queue reset " + p.name +
                           "' clears it (its records are dropped)");
        return Step::kFailed;
    }
    if (!framedOk || !writtenOk) {
        code = Stop(p, !framedOk ? which + " " + why
                                 : "cannot write " + which + " to standard output: " + error);
        return Step::kFailed;
    }
    if (p.sink.HandsOver()) {
        if (!p.sink.AwaitReader(Interrupted, error)) {
            code = Stop(p, which + " was not read: " + error);
            return Step::kFailed;
        }
        if (!p.front.Lock()) {
            code = Stop(p, "the queue's mutex cannot be had");
            return Step::kFailed;
        }
        TakeIfInFront(p, record, reads);
        p.front.Unlock();
    }
    ++p.written;
    return Step::kDone;
}

}  // namespace

int PopRecords(const Invocation& call) {
    Popping p;
    int code = kExitUsage;
    if (!QueueNameOf(call, 0, p.name, code) || !FramingOf(call, p.framing, code)) return code;
    const long count = call.Number("--count", -1);
    const bool wait = call.Has("--wait");
    BinaryStandardStreams();
    std::fflush(stdout);
    p.id = OpenAsClient(call, p.name);
    if (p.id < 0) return kExitFailure;
    if (halcyon::QueryQueueKind(p.id) == halcyon::kQueueLockFree) {
        // A record is taken only once written out, which needs a look at the front record that
        // only the legacy layout gives another process.
        return QueueFailure("'" + p.name +
                            "' is a lock-free queue, which pop cannot read "
                            "without risking a record: read it with its one reading process "
                            "(halcyon::ReadQueueWaiting, or Python's halcyon.Queue)");
    }
    if (!p.front.Open(p.name, p.id)) return QueueFailure("cannot map queue '" + p.name + "'");
    CatchInterrupts();
#if !defined(_WIN32)
    std::signal(SIGPIPE, SIG_IGN);  // a reader that went away is a write error, not the end
#endif
    while ((count < 0 || p.written < count) && !Interrupted()) {
        code = kExitOk;
        Step step = PopOne(p, code);
        if (step == Step::kFailed) return code;
        if (step == Step::kEmpty) {
            if (!wait) break;
            // Sleeps until a writer wakes it, looking for Ctrl-C every so often.
            if (halcyon::WaitQueueRecord(p.id, kInterruptCheckMs) < 0)
                return Stop(p, "the queue cannot be read");
        }
    }
    return kExitOk;
}

}  // namespace halcyon::tool
