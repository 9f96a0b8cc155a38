// halcyon queue: the shared-memory queues from the shell.
#include "Command.h"
#include "Json.h"
#include "QueueWatch.h"

#include <HalcyonCommon.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace halcyon::tool {
namespace {

constexpr unsigned short kMaxRecord = 3095;
constexpr unsigned long kInterruptCheckMs = 200;  // a waiting push or pop notices Ctrl-C so soon
std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted = true; }

// The queue named by the first operand; false after a usage error.
bool QueueName(const Invocation& call, std::string& name, int& code) {
    name = call.Operands()[0];
    if (!name.empty() && name.size() <= 31) return true;
    code = call.BadArgument(name, "a queue name has 1 to 31 characters");
    return false;
}

// Clients wait without limit for a registry; a shell user is told instead when there is none.
bool RegistryRunning() {
    void* lock = s_MutexOpen("QS_SHARED_QUEUE");
    if (lock == nullptr) return false;
    s_MutexClose(lock);
    return true;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "halcyon queue: %s\n", message.c_str());
    return kExitFailure;
}

// Opens queue `name` as a client; -1 with a message when it cannot.
short OpenExisting(const std::string& name) {
    if (!RegistryRunning()) {
        Fail("no queue registry is running: start 'halcyon queue host NAME' first");
        return -1;
    }
    std::string mutex = "QS_" + name;
    void* probe = s_MutexOpen(mutex.c_str());
    if (probe == nullptr) {
        Fail("no queue named '" + name + "'");
        return -1;
    }
    s_MutexClose(probe);
    short id = s_MapFile_WaitingOpenQue(name.c_str());
    if (id < 0) Fail("cannot open queue '" + name + "'");
    return id;
}

int Host(const Invocation& call) {
    std::string name;
    int code = kExitUsage;
    if (!QueueName(call, name, code)) return code;
    const long size = call.Number("--size", 64);
    const bool lockFree = call.Has("--lock-free");
    s_MapFile_Initialize(true);
    short id = halcyon::CreateQueue(name.c_str(), static_cast<unsigned char>(size),
                                    lockFree ? halcyon::kQueueLockFree : halcyon::kQueueLegacy);
    if (id < 0) return Fail("cannot create queue '" + name + "'");
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::printf("%squeue '%s' id %d, ring %ld KiB: hosting until interrupted\n",
                lockFree ? "lock-free " : "", name.c_str(), id, size);
    std::fflush(stdout);
    while (!g_interrupted) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    s_MapFile_CloseQue(id, true);
    return kExitOk;
}

// Writes one record, sleeping while the queue has no room for it (woken by its readers) until
// it is written or the user interrupts.
bool Push(short id, const std::string& record) {
    if (record.empty() || record.size() > kMaxRecord) return false;
    const auto* data = reinterpret_cast<const unsigned char*>(record.data());
    const auto length = static_cast<unsigned short>(record.size());
    int written = 0;
    while (written == 0 && !g_interrupted)
        written = halcyon::WriteQueueWaiting(id, data, length, kInterruptCheckMs);
    return written == 1;
}

int PushRecords(const Invocation& call) {
    std::string name;
    int code = kExitUsage;
    if (!QueueName(call, name, code)) return code;
    const Args& args = call.Operands();
    short id = OpenExisting(name);
    if (id < 0) return kExitFailure;
    long written = 0;
    if (args.size() > 1) {
        for (size_t i = 1; i < args.size(); ++i) {
            std::ifstream in(args[i], std::ios::binary);
            if (!in) return Fail("cannot read '" + args[i] + "'");
            std::string record((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
            if (!Push(id, record))
                return Fail("'" + args[i] +
                            "' is not a record of 1-3095 bytes, or the write failed");
            ++written;
        }
    } else {
        std::string line;
        char buf[kMaxRecord + 2];
        while (std::fgets(buf, sizeof buf, stdin) != nullptr) {
            line = buf;
            if (!line.empty() && line.back() == '\n') line.pop_back();
            if (line.empty()) continue;
            if (!Push(id, line)) return Fail("record " + std::to_string(written + 1) + " failed");
            ++written;
        }
    }
    std::fprintf(stderr, "halcyon queue: %ld record(s) written to '%s'\n", written, name.c_str());
    return kExitOk;
}

int PopRecords(const Invocation& call) {
    std::string name;
    int code = kExitUsage;
    if (!QueueName(call, name, code)) return code;
    const long count = call.Number("--count", -1);
    const bool wait = call.Has("--wait");
    short id = OpenExisting(name);
    if (id < 0) return kExitFailure;
    std::signal(SIGINT, OnInterrupt);
    unsigned char buf[kMaxRecord];
    for (long n = 0; count < 0 || n < count;) {
        // Waiting, the process sleeps until a writer wakes it (or it looks for Ctrl-C).
        short length = halcyon::ReadQueueWaiting(id, buf, wait ? kInterruptCheckMs : 0);
        if (length > 0) {
            std::fwrite(buf, 1, static_cast<size_t>(length), stdout);
            std::fputc('\n', stdout);
            if (wait) std::fflush(stdout);  // a reader at the other end sees each as it comes
            ++n;
        } else if (length < 0) {
            return Fail(
                "read failed (the queue was damaged and has been reset, or a process "
                "died while copying into it)");
        } else if (!wait || g_interrupted) {
            break;
        }
    }
    return kExitOk;
}

// A lock-free queue has no legacy header: its counters, as they stand.
int StatLockFree(const Invocation& call, const std::string& name, short id) {
    halcyon::QueueState q = {};
    if (!halcyon::QueryQueueState(id, &q)) return Fail("the queue's offsets are damaged");
    if (call.Has("--json")) {
        std::printf("%s\n", JsonObject()
                                .Text("name", name)
                                .Number("id", static_cast<long long>(id))
                                .Text("kind", "lock-free")
                                .Number("ring_kib", static_cast<long long>(q.ringBytes / 1024))
                                .Number("used_bytes", static_cast<long long>(q.usedBytes))
                                .Number("count", static_cast<long long>(q.records))
                                .Number("written", static_cast<long long>(q.writeCount))
                                .Number("read", static_cast<long long>(q.readCount))
                                .Str()
                                .c_str());
        return kExitOk;
    }
    std::printf(
        "queue       %s (id %d)\nkind        lock-free\nring        %lu KiB\n"
        "used        %lu bytes\ncount       %lu\nwritten     %lu\nread        %lu\n",
        name.c_str(), id, q.ringBytes / 1024, q.usedBytes, q.records, q.writeCount, q.readCount);
    return kExitOk;
}

int Stat(const Invocation& call) {
    std::string name;
    int code = kExitUsage;
    if (!QueueName(call, name, code)) return code;
    short id = OpenExisting(name);
    if (id < 0) return kExitFailure;
    if (halcyon::QueryQueueKind(id) == halcyon::kQueueLockFree) return StatLockFree(call, name, id);
    tagSHMHEADER h = {};
    if (!s_MapFile_QueryQueHeader(id, &h)) return Fail("cannot read the queue's header");
    bool valid = h.H1 == 0x8E && h.H2 == 0x8F;
    const unsigned long used = s_MapFile_QueryQueUseSize(id);
    if (call.Has("--json")) {
        std::printf("%s\n", JsonObject()
                                .Text("name", name)
                                .Number("id", static_cast<long long>(id))
                                .Flag("header_valid", valid)
                                .Number("h1", static_cast<long long>(h.H1))
                                .Number("h2", static_cast<long long>(h.H2))
                                .Number("ring_kib", static_cast<long long>(h.size))
                                .Number("used_bytes", static_cast<long long>(used))
                                .Number("count", static_cast<long long>(h.count))
                                .Number("put", static_cast<long long>(h.put))
                                .Number("take", static_cast<long long>(h.take))
                                .Number("sync", static_cast<long long>(h.sync))
                                .Number("errcount", static_cast<long long>(h.errcount))
                                .Number("written", static_cast<long long>(h.WriteCount))
                                .Number("read", static_cast<long long>(h.ReadCount))
                                .Str()
                                .c_str());
        return kExitOk;
    }
    std::printf("queue       %s (id %d)\n", name.c_str(), id);
    std::printf("header      %s (H1 0x%02X, H2 0x%02X)\n", valid ? "valid" : "DAMAGED", h.H1, h.H2);
    std::printf("ring        %u KiB\n", static_cast<unsigned>(h.size));
    std::printf("used        %lu bytes\n", used);
    std::printf("count       %u\n", static_cast<unsigned>(h.count));
    std::printf("put / take  %u / %u\n", static_cast<unsigned>(h.put),
                static_cast<unsigned>(h.take));
    std::printf("sync        %u\n", static_cast<unsigned>(h.sync));
    std::printf("errcount    %u\n", static_cast<unsigned>(h.errcount));
    std::printf("written     %u\n", static_cast<unsigned>(h.WriteCount));
    std::printf("read        %u\n", static_cast<unsigned>(h.ReadCount));
    return kExitOk;
}

int List(const Invocation& call) {
    if (!RegistryRunning()) return Fail("no queue registry is running");
    short block = s_MapFile_OpenShm("SHARED_QUEUE");
    unsigned char registry[4096];
    if (block < 0 || !s_MapFile_ReadShm(block, registry, sizeof registry))
        return Fail("cannot read the queue registry");
    const bool json = call.Has("--json");
    std::vector<std::string> queues;
    int shown = 0;
    for (int id = 0; id < 128; ++id) {
        const char* slot = reinterpret_cast<const char*>(registry + 32 * id);
        if (slot[0] == '\0') continue;
        ++shown;
        const std::string name(slot, strnlen(slot, 31));
        if (json)
            queues.push_back(JsonObject().Number("id", id).Text("name", name).Str());
        else
            std::printf("%3d  %s\n", id, name.c_str());
    }
    if (json) {
        std::printf(
            "%s\n",
            JsonObject().Number("slots", 128).Json("queues", JsonArray(queues)).Str().c_str());
    } else {
        std::fprintf(stderr, "halcyon queue: %d of 128 slots in use\n", shown);
    }
    return kExitOk;
}

int Watch(const Invocation& call) {
    if (!RegistryRunning()) return Fail("no queue registry is running");
    return WatchQueues(call.Number("--interval", 1000), call.Number("--count", -1),
                       call.Has("--json"));
}

const Option kJson{"--json", nullptr, "print one JSON object (docs/cli-json.md)"};

const CommandSpec kQueueSpec{
    "queue",
    "host, fill, drain and inspect shared-memory queues",
    "",
    {{"host",
      "NAME",
      "makes this process the owner of the queue registry, creates queue NAME and keeps it alive "
      "until interrupted (Ctrl-C).",
      {{"--size", "KIB", "the queue's ring, in KiB (1-255, default 64)", 1, 255},
       {"--lock-free", nullptr,
        "a lock-free queue: one writing and one reading process at a time, which the "
        "s_MapFile_ reads and writes refuse (docs/queues.md)"}},
      Host},
     {"push",
      "NAME [FILE...]",
      "writes records to queue NAME: each line of standard input is one record, or each FILE "
      "whole is one record (1-3095 bytes). Into a full queue it sleeps until a reader makes room.",
      {},
      PushRecords},
     {"pop",
      "NAME",
      "reads records from queue NAME and prints each on a line of its own: all that are queued, "
      "or N of them.",
      {{"--count", "N", "read N records (1-2147483647)", 1, 2147483647L},
       {"--wait", nullptr, "sleep until records arrive (Ctrl-C stops)"}},
      PopRecords},
     {"stat",
      "NAME",
      "prints the queue's header: counters, offsets and the ring's used size.",
      {kJson},
      Stat},
     {"list",
      "",
      "prints the registry's slots: the id and name of every registered queue.",
      {kJson},
      List},
     {"watch",
      "",
      "shows every registered queue, one line each, under a line with the time and the "
      "column heads: id and name, the ring's fill, records waiting, records written and read "
      "per second, errcount, and SYNC STUCK when a process died while copying (the queue then "
      "needs s_MapFile_ResetQue). Redrawn in place on a terminal; plain lines, a blank line "
      "after each refresh, otherwise. Stops on Ctrl-C, or after N refreshes.",
      {{"--interval", "MS", "refresh every MS milliseconds (50-3600000, default 1000)", 50,
        3600000L},
       {"--count", "N", "stop after N refreshes (1-2147483647)", 1, 2147483647L},
       {"--json", nullptr, "print JSON Lines instead, one object per refresh (docs/cli-json.md)"}},
      Watch}},
    "Queue names have at most 31 characters. A registry owner ('halcyon queue host', or a "
    "terminal process) must be running for the other subcommands."};
const Registration kQueue{kQueueSpec};

}  // namespace
}  // namespace halcyon::tool
