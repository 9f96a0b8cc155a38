// halcyon queue: the shared-memory queues from the shell.
#include "Command.h"
#include "QueueWatch.h"

#include <HalcyonCommon.h>
#if !defined(_WIN32)
#include <Platform/KernelDiagnostics.h>
#endif

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace halcyon::tool {
namespace {

const char kHelp[] =
    "usage: halcyon queue host NAME [--size KIB]\n"
    "       halcyon queue push NAME [FILE...]\n"
    "       halcyon queue pop NAME [--count N] [--wait]\n"
    "       halcyon queue stat NAME\n"
    "       halcyon queue list\n"
    "       halcyon queue watch [--interval MS] [--count N]\n"
    "\n"
    "host  makes this process the owner of the queue registry, creates queue NAME with a ring\n"
    "      of KIB KiB (1-255, default 64) and keeps it alive until interrupted (Ctrl-C).\n"
    "push  writes records to queue NAME: each line of standard input is one record, or each\n"
    "      FILE whole is one record (1-3095 bytes).\n"
    "      Into a full queue it sleeps until a reader makes room.\n"
    "pop   reads records from queue NAME and prints each on a line of its own: all that are\n"
    "      queued, or N of them; with --wait, sleeps until records arrive (Ctrl-C stops).\n"
    "stat  prints the queue's header: counters, offsets and the ring's used size.\n"
    "list  prints the registry's slots: the id and name of every registered queue.\n"
    "watch shows every registered queue, one line each, every MS milliseconds (default 1000):\n"
    "      id and name, the ring's fill, records waiting, records written and read per second,\n"
    "      errcount, and SYNC STUCK when a process died while copying (the queue then needs\n"
    "      s_MapFile_ResetQue). Redrawn in place on a terminal; plain lines, a blank line after\n"
    "      each refresh, otherwise. Stops on Ctrl-C, or after N refreshes.\n"
    "\n"
    "Queue names have at most 31 characters. A registry owner ('halcyon queue host', or a\n"
    "terminal process) must be running for the other subcommands.\n";

constexpr unsigned short kMaxRecord = 3095;
constexpr unsigned long kInterruptCheckMs = 200;  // a waiting push or pop notices Ctrl-C so soon
std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted = true; }

bool ValidQueueName(const std::string& name) { return !name.empty() && name.size() <= 31; }

// Clients wait without limit for a registry; a shell user is told instead when there is none.
bool RegistryRunning() {
    void* lock = s_MutexOpen("QS_SHARED_QUEUE");
    if (lock == nullptr) return false;
    s_MutexClose(lock);
    return true;
}

// The message, and why it failed when the cause is the kernel-object folder.
int Fail(const std::string& message) {
    std::fprintf(stderr, "halcyon queue: %s\n", message.c_str());
#if !defined(_WIN32)
    std::string folder = win::posix::KernelFolderProblem();
    if (!folder.empty()) std::fprintf(stderr, "halcyon queue: %s\n", folder.c_str());
#endif
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

int Host(const Args& args) {
    long size = 64;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--size" && i + 1 < args.size()) {
            if (!ParseNumber(args[++i], 1, 255, size))
                return UsageError("queue", "--size takes 1 to 255 (KiB)");
        } else {
            return UsageError("queue", "unexpected argument '" + args[i] + "'");
        }
    }
    s_MapFile_Initialize(true);
    short id = s_MapFile_CreateQue(args[1].c_str(), static_cast<unsigned char>(size));
    if (id < 0) return Fail("cannot create queue '" + args[1] + "'");
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::printf("queue '%s' id %d, ring %ld KiB: hosting until interrupted\n", args[1].c_str(), id,
                size);
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

int PushRecords(const Args& args) {
    short id = OpenExisting(args[1]);
    if (id < 0) return kExitFailure;
    long written = 0;
    if (args.size() > 2) {
        for (size_t i = 2; i < args.size(); ++i) {
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
    std::fprintf(stderr, "halcyon queue: %ld record(s) written to '%s'\n", written,
                 args[1].c_str());
    return kExitOk;
}

int PopRecords(const Args& args) {
    long count = -1;
    bool wait = false;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--wait") {
            wait = true;
        } else if (args[i] == "--count" && i + 1 < args.size()) {
            if (!ParseNumber(args[++i], 1, 2147483647L, count))
                return UsageError("queue", "--count takes a positive number");
        } else {
            return UsageError("queue", "unexpected argument '" + args[i] + "'");
        }
    }
    short id = OpenExisting(args[1]);
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

int Stat(const Args& args) {
    short id = OpenExisting(args[1]);
    if (id < 0) return kExitFailure;
    tagSHMHEADER h = {};
    if (!s_MapFile_QueryQueHeader(id, &h)) return Fail("cannot read the queue's header");
    bool valid = h.H1 == 0x8E && h.H2 == 0x8F;
    std::printf("queue       %s (id %d)\n", args[1].c_str(), id);
    std::printf("header      %s (H1 0x%02X, H2 0x%02X)\n", valid ? "valid" : "DAMAGED", h.H1, h.H2);
    std::printf("ring        %u KiB\n", static_cast<unsigned>(h.size));
    std::printf("used        %lu bytes\n", s_MapFile_QueryQueUseSize(id));
    std::printf("count       %u\n", static_cast<unsigned>(h.count));
    std::printf("put / take  %u / %u\n", static_cast<unsigned>(h.put),
                static_cast<unsigned>(h.take));
    std::printf("sync        %u\n", static_cast<unsigned>(h.sync));
    std::printf("errcount    %u\n", static_cast<unsigned>(h.errcount));
    std::printf("written     %u\n", static_cast<unsigned>(h.WriteCount));
    std::printf("read        %u\n", static_cast<unsigned>(h.ReadCount));
    return kExitOk;
}

int List() {
    if (!RegistryRunning()) return Fail("no queue registry is running");
    short block = s_MapFile_OpenShm("SHARED_QUEUE");
    unsigned char registry[4096];
    if (block < 0 || !s_MapFile_ReadShm(block, registry, sizeof registry))
        return Fail("cannot read the queue registry");
    int shown = 0;
    for (int id = 0; id < 128; ++id) {
        const char* name = reinterpret_cast<const char*>(registry + 32 * id);
        if (name[0] == '\0') continue;
        std::printf("%3d  %.31s\n", id, name);
        ++shown;
    }
    std::fprintf(stderr, "halcyon queue: %d of 128 slots in use\n", shown);
    return kExitOk;
}

int Watch(const Args& args) {
    long interval = 1000, count = -1;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--interval" && i + 1 < args.size()) {
            if (!ParseNumber(args[++i], 50, 3600000L, interval))
                return UsageError("queue", "--interval takes 50 to 3600000 (milliseconds)");
        } else if (args[i] == "--count" && i + 1 < args.size()) {
            if (!ParseNumber(args[++i], 1, 2147483647L, count))
                return UsageError("queue", "--count takes a positive number");
        } else {
            return UsageError("queue", "unexpected argument '" + args[i] + "'");
        }
    }
    if (!RegistryRunning()) return Fail("no queue registry is running");
    return WatchQueues(interval, count);
}

int RunQueue(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (args.empty())
        return UsageError("queue", "missing subcommand (host, push, pop, stat, list, watch)");
    const std::string& verb = args[0];
    if (verb == "list")
        return args.size() == 1 ? List() : UsageError("queue", "list takes no arguments");
    if (verb == "watch") return Watch(args);
    if (verb != "host" && verb != "push" && verb != "pop" && verb != "stat")
        return UsageError("queue", "unknown subcommand '" + verb + "'");
    if (args.size() < 2 || !ValidQueueName(args[1]))
        return UsageError("queue", verb + " needs a queue name of 1-31 characters");
    if (verb == "host") return Host(args);
    if (verb == "push") return PushRecords(args);
    if (verb == "pop") return PopRecords(args);
    return args.size() == 2 ? Stat(args) : UsageError("queue", "stat takes only a name");
}

const Registration kQueue{"queue", "host, fill, drain and inspect shared-memory queues", RunQueue};

}  // namespace
}  // namespace halcyon::tool
