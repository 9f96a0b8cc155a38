// SPDX-License-Identifier: Apache-2.0
// halcyon queue: the shared-memory queues from the shell.
#include "Command.h"
#include "Json.h"
#include "QueueOwner.h"
#include "QueueSlots.h"
#include "QueueVerbs.h"
#include "QueueWatch.h"

#include <HalcyonCommon.h>
#if !defined(_WIN32)
#include <Platform/KernelDiagnostics.h>
#endif

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace halcyon::tool {
namespace {

constexpr long kDefaultWaitOwner = 3;  // seconds a client waits for a registry
std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted = true; }

// The queue named by the first operand, opened as a client; -1 with `code` the exit code when
// the name is refused or the queue cannot be opened.
short OpenOperandQueue(const Invocation& call, std::string& name, int& code) {
    code = kExitUsage;
    if (!QueueNameOf(call, 0, name, code)) return -1;
    code = kExitFailure;
    return OpenAsClient(call, name);
}

// Values, not references: the legacy header is packed.
using Counters = std::vector<std::pair<const char*, long long>>;

// One JSON line: `head` (the name, the id and what tells the kind) and the counters.
int PrintStatJson(JsonObject head, const Counters& counters) {
    for (const auto& [key, value] : counters) head.Number(key, value);
    std::printf("%s\n", head.Str().c_str());
    return kExitOk;
}

// A lock-free queue has no legacy header: its counters, as they stand.
int StatLockFree(const Invocation& call, const std::string& name, short id) {
    halcyon::QueueState q = {};
    if (!halcyon::QueryQueueState(id, &q)) return QueueFailure("the queue's offsets are damaged");
    if (call.Has("--json")) {
        return PrintStatJson(
            JsonObject().Text("name", name).Number("id", id).Text("kind", "lock-free"),
            {{"ring_kib", q.ringBytes / 1024},
             {"used_bytes", q.usedBytes},
             {"count", q.records},
             {"written", q.writeCount},
             {"read", q.readCount}});
    }
    std::printf(
        "queue       %s (id %d)\nkind        lock-free\nring        %lu KiB\n"
        "used        %lu bytes\ncount       %lu\nwritten     %lu\nread        %lu\n",
        name.c_str(), id, q.ringBytes / 1024, q.usedBytes, q.records, q.writeCount, q.readCount);
    return kExitOk;
}

int Stat(const Invocation& call) {
    std::string name;
    int code = kExitOk;
    short id = OpenOperandQueue(call, name, code);
    if (id < 0) return code;
    if (halcyon::QueryQueueKind(id) == halcyon::kQueueLockFree) return StatLockFree(call, name, id);
    tagSHMHEADER h = {};
    if (!s_MapFile_QueryQueHeader(id, &h)) return QueueFailure("cannot read the queue's header");
    bool valid = h.H1 == 0x8E && h.H2 == 0x8F;
    const unsigned long used = s_MapFile_QueryQueUseSize(id);
    if (call.Has("--json")) {
        return PrintStatJson(
            JsonObject().Text("name", name).Number("id", id).Flag("header_valid", valid),
            {{"h1", static_cast<long long>(h.H1)},
             {"h2", static_cast<long long>(h.H2)},
             {"ring_kib", static_cast<long long>(h.size)},
             {"used_bytes", used},
             {"count", static_cast<long long>(h.count)},
             {"put", static_cast<long long>(h.put)},
             {"take", static_cast<long long>(h.take)},
             {"sync", static_cast<long long>(h.sync)},
             {"errcount", static_cast<long long>(h.errcount)},
             {"written", static_cast<long long>(h.WriteCount)},
             {"read", static_cast<long long>(h.ReadCount)}});
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
    if (!AwaitRegistry(call.Number("--wait-owner", kDefaultWaitOwner), "queue"))
        return kExitFailure;
    short block = -1;
    std::vector<std::string> names;
    if (!ReadRegistryAsClient(block, names)) return QueueFailure("cannot read the queue registry");
    const bool json = call.Has("--json");
    std::vector<std::string> queues;
    int shown = 0;
    for (int id = 0; id < kRegistrySlots; ++id) {
        const std::string& name = names[id];
        if (name.empty()) continue;
        ++shown;
        if (json)
            queues.push_back(JsonObject().Number("id", id).Text("name", name).Str());
        else
            std::printf("%3d  %s\n", id, name.c_str());
    }
    if (json) {
        std::printf("%s\n", JsonObject()
                                .Number("slots", kRegistrySlots)
                                .Json("queues", JsonArray(queues))
                                .Str()
                                .c_str());
    } else {
        std::fprintf(stderr, "halcyon queue: %d of %d slots in use\n", shown, kRegistrySlots);
    }
    return kExitOk;
}

int Watch(const Invocation& call) {
    if (!AwaitRegistry(call.Number("--wait-owner", kDefaultWaitOwner), "queue"))
        return kExitFailure;
    return WatchQueues(call.Number("--interval", 1000), call.Number("--count", -1),
                       call.Has("--json"));
}

// Clears a queue whose copy was left unfinished (SYNC STUCK) or whose header is damaged.
int Reset(const Invocation& call) {
    std::string name;
    int code = kExitOk;
    short id = OpenOperandQueue(call, name, code);
    if (id < 0) return code;
    if (halcyon::QueryQueueKind(id) == halcyon::kQueueLockFree)
        return QueueFailure("'" + name +
                            "' is a lock-free queue: it has no unfinished copy to "
                            "clear, and a killed writer's record is dropped by the next writer");
    tagSHMHEADER h = {};
    s_MapFile_QueryQueHeader(id, &h);
    s_MapFile_ResetQue(id);
    std::fprintf(stderr, "halcyon queue: '%s' reset: %u record(s) dropped%s\n", name.c_str(),
                 static_cast<unsigned>(h.count), h.sync != 0 ? ", unfinished copy cleared" : "");
    return kExitOk;
}

}  // namespace

void CatchInterrupts() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted() { return g_interrupted; }

int QueueFailure(const std::string& message) {
    std::fprintf(stderr, "halcyon queue: %s\n", message.c_str());
#if !defined(_WIN32)
    // When the cause is the kernel-object folder (another user's, or open to others): which, and
    // the way out.
    std::string folder = win::posix::KernelFolderProblem();
    if (!folder.empty()) std::fprintf(stderr, "halcyon queue: %s\n", folder.c_str());
#endif
    return kExitFailure;
}

bool ValidQueueName(const std::string& name) { return !name.empty() && name.size() <= 31; }

bool QueueNameOf(const Invocation& call, size_t index, std::string& name, int& code) {
    name = call.Operands()[index];
    if (ValidQueueName(name)) return true;
    code = call.BadArgument(name, "a queue name has 1 to 31 characters");
    return false;
}

short OpenAsClient(const Invocation& call, const std::string& name) {
    return OpenQueueWithin(name, call.Number("--wait-owner", kDefaultWaitOwner), "queue");
}

bool FramingOf(const Invocation& call, Framing& framing, int& code) {
    if (call.Has("--null") && call.Has("--hex")) {
        code = UsageError("queue", "--null and --hex exclude each other");
        return false;
    }
    framing = call.Has("--null")  ? Framing::kNull
              : call.Has("--hex") ? Framing::kHex
                                  : Framing::kLines;
    return true;
}

namespace {

const Option kJson{"--json", nullptr, "print one JSON object (docs/cli-json.md)"};
const Option kWaitOwner{"--wait-owner", "SECONDS",
                        "wait so long for a registry owner (0-3600, default 3), then say how to "
                        "start one",
                        0, 3600};
const Option kNull{"--null", nullptr, "records end with a NUL byte instead of a line feed"};
const Option kHex{"--hex", nullptr,
                  "one record a line, in hexadecimal (two digits a byte): any bytes at all"};

const CommandSpec kQueueSpec{
    "queue",
    "host, fill, drain and inspect shared-memory queues",
    "",
    {{"host",
      "NAME...",
      "makes this process the owner of the queue registry, creates the queues NAME... and keeps "
      "them alive until interrupted (Ctrl-C). When another owner is alive (another 'queue host', "
      "a demo, or a terminal holding queues), says which and exits 1 instead: a second owner "
      "would empty the registry, and every queue of the first would vanish for every process.",
      {{"--size", "KIB", "each queue's ring, in KiB (1-255, default 64)", 1, 255},
       {"--take-over", nullptr,
        "become the owner even so: the other owner's queues vanish from the registry"},
       {"--lock-free", nullptr,
        "lock-free queues: one writing and one reading process at a time, which the s_MapFile_ "
        "reads and writes refuse (docs/queues.md)"}},
      HostQueues},
     {"push",
      "NAME [FILE...]",
      "writes records to queue NAME: each line of standard input is one record (empty ones are "
      "skipped), or each FILE whole is one record (1-3095 bytes). Into a full queue it sleeps "
      "until a reader makes room. Stops at the first record it cannot write (exit 1), after "
      "saying how many it wrote.",
      {kNull, kHex, kWaitOwner},
      PushRecords},
     {"pop",
      "NAME",
      "reads records from queue NAME and prints each on a line of its own: all that are queued, "
      "or N of them. A record is taken off the queue only once it is written out, and into a "
      "pipe only once the reader has read it: when writing fails, or the reader goes away, pop "
      "stops with exit code 1 and the record and those after it stay queued. A record that the "
      "framing cannot carry (a line break in a line) stays queued too. With another reader on "
      "the same queue, a record handed to a pipe may reach both.",
      {{"--count", "N", "read N records (1-2147483647)", 1, 2147483647L},
       {"--wait", nullptr, "sleep until records arrive (Ctrl-C stops)"},
       kNull,
       kHex,
       kWaitOwner},
      PopRecords},
     {"stat",
      "NAME",
      "prints the queue's header: counters, offsets and the ring's used size.",
      {kJson, kWaitOwner},
      Stat},
     {"list",
      "",
      "prints the registry's slots: the id and name of every registered queue.",
      {kJson, kWaitOwner},
      List},
     {"watch",
      "",
      "shows every registered queue, one line each, under a line with the time and the "
      "column heads: id and name, the ring's fill, records waiting, records written and read "
      "per second, errcount, and SYNC STUCK when a process died while copying (the queue then "
      "needs 'halcyon queue reset NAME'). Redrawn in place on a terminal; plain lines, a blank "
      "line after each refresh, otherwise. Stops on Ctrl-C, or after N refreshes.",
      {{"--interval", "MS", "refresh every MS milliseconds (50-3600000, default 1000)", 50,
        3600000L},
       {"--count", "N", "stop after N refreshes (1-2147483647)", 1, 2147483647L},
       {"--json", nullptr, "print JSON Lines instead, one object per refresh (docs/cli-json.md)"},
       kWaitOwner},
      Watch},
     {"reset",
      "NAME",
      "empties queue NAME and clears a copy left unfinished by a process that died in it (SYNC "
      "STUCK in watch): its records are dropped, and reads and writes work again.",
      {kWaitOwner},
      Reset}},
    "Queue names have at most 31 characters. Every subcommand but host needs a registry owner "
    "('halcyon queue host', or a terminal process); it waits for one at most --wait-owner "
    "seconds. docs/queues-from-the-shell.md tells more."};
const Registration kQueue{kQueueSpec};

}  // namespace
}  // namespace halcyon::tool
