// SPDX-License-Identifier: Apache-2.0
// halcyon demo: the road of a record through the terminal, with two real processes.
//
// The demonstration runs in a namespace of kernel objects of its own (PrivateNamespace.h) unless
// asked to use the session's (--live). There this process becomes the owner of the queue registry
// (or, beside a running owner, joins its registry as a client) and creates a shared queue; a
// second process (this program again, "demo --consume") opens it by name. This process generates
// market-data records, compresses each with the codec and writes it into the queue; the second
// reads, decodes and checks every record against what it should be, and converts the Big5 names
// of Traditional-Chinese markets to GB when the installation's language asks for it. Each
// process ends the road by logging its summary in the system log "demo" (one process at a time
// writes a log's day file: the consumer has ended before the producer logs).
#include "Command.h"
#include "DemoInstruments.h"
#include "LogTrouble.h"
#include "PrivateNamespace.h"
#include "Progress.h"
#include "QueueOwner.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace halcyon::tool {
namespace {

const char kQueueName[] = "HALCYON_DEMO";
constexpr unsigned char kQueueKiB = 255;
constexpr long kRawMax = 2600;  // compressed, a record must still fit the queue's 3095 bytes
constexpr unsigned long kPatienceMs = 20000;      // the other side is gone after so long a pause
constexpr unsigned long kKeptRecords = 100;       // left in the queue by --keep
constexpr unsigned long kBatchBytes = 64 * 1024;  // what the consumer takes per read, at most

std::atomic<bool> g_stop{false};
extern "C" void OnDemoInterrupt(int) { g_stop = true; }

using Clock = std::chrono::steady_clock;

// Record n: a quote line, and every 64th a five-level depth snapshot, the way the terminal's
// feeds look. The same n always gives the same bytes, so the consumer can check them.
std::string MarketRecord(unsigned long n) {
    const Instrument& instrument = DemoInstrument(n);
    double last = 17000.0 + static_cast<double>((n * 7919) % 4000) / 4.0;
    char line[kRawMax];
    int length = std::snprintf(
        line, sizeof line,
        "Q,%lu,%s,%02X,%s,2026-12-05 09:%02lu:%02lu.%03lu,%.2f,%.2f,%.2f,%lu,%lu", n,
        instrument.symbol, instrument.market, instrument.big5Name, (n / 60000) % 60,
        (n / 1000) % 60, n % 1000, last, last - 0.5, last + 0.5, 1 + n % 97, 100000 + n * 3);
    std::string record(line, static_cast<size_t>(length));
    if (n % 64 == 0) {
        for (int level = 1; level <= 5; ++level) {
            std::snprintf(line, sizeof line, ";B%d,%.2f,%lu;A%d,%.2f,%lu", level,
                          last - 0.5 * level, (n + level) % 500 + 1, level, last + 0.5 * level,
                          (n * level) % 500 + 1);
            record += line;
        }
    }
    return record;
}

std::string SelfPath() {
    char name[4096] = {};
    win::GetModuleFileNameA(nullptr, name, sizeof name);
    return halcyon::HostPath(name);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Logs a summary line in the system log "demo": INFO when all went well, else HIGH.
void LogSummary(bool ok, unsigned long value, const char* who, const char* summary) {
    CSystemLog* log = s_NimbusLogGetSystemLogObj("demo");
    errno = 0;
    if (log == nullptr || !log->Write(ok ? 0 : 3, static_cast<int>(value), who, summary)) {
        std::fprintf(
            stderr, "halcyon demo: %s: the summary was not logged: %s\n", who,
            LogWriteTrouble(log != nullptr ? log->GetLogFile() : nullptr, "demo", false, errno)
                .c_str());
    }
}

int Consume(unsigned long records) {
    short id = s_MapFile_WaitingOpenQue(kQueueName);
    if (id < 0) {
        std::fprintf(stderr, "halcyon demo: consumer: queue \"%s\" did not appear\n", kQueueName);
        return kExitFailure;
    }
    NameConversion names;
    std::vector<unsigned char> batch(kBatchBytes);
    std::string raw(kRawMax, '\0');
    unsigned long good = 0, bad = 0;
    for (unsigned long n = 0; n < records;) {
        // Sleeps until the producer's write wakes it, then takes every record queued under one
        // hold of the queue's mutex. A pause that long means the producer has gone; a failure
        // means the queue was damaged: what is missing is reported below.
        unsigned long used = 0;
        if (halcyon::ReadQueueBatch(id, batch.data(), batch.size(), &used, kPatienceMs) <= 0) break;
        for (unsigned long at = 0; at + 2 <= used && n < records;) {
            long length = batch[at] | batch[at + 1] << 8;
            char* packed = reinterpret_cast<char*>(&batch[at + 2]);
            at += 2 + static_cast<unsigned long>(length);
            long size = s_CodingDecode(packed, length, &raw[0], kRawMax);
            const Instrument& instrument = DemoInstrument(n);
            std::string want = MarketRecord(n++);
            if (size == static_cast<long>(want.size()) && raw.compare(0, want.size(), want) == 0 &&
                names.Check(raw.substr(0, want.size()), instrument)) {
                ++good;
            } else {
                ++bad;
            }
        }
    }
    std::printf(
        "consumer   opened \"%s\" as id %d; read, decoded and checked %lu records: "
        "%lu intact, %lu damaged, %lu missing\n"
        "consumer   %s\n",
        kQueueName, id, good + bad, good, bad, records - good - bad, names.Summary().c_str());
    s_MapFile_CloseQue(id, false);
    char summary[160];
    std::snprintf(summary, sizeof summary, "%lu intact, %lu damaged, %lu missing", good, bad,
                  records - good - bad);
    LogSummary(good == records, good, "consumer", summary);
    return good == records ? kExitOk : kExitFailure;
}

// Writes one packed record, sleeping while the queue is full until the consumer's read wakes
// the producer (without holding the queue's mutex meanwhile).
bool WriteWhenRoom(short id, const unsigned char* packed, long length) {
    return halcyon::WriteQueueWaiting(id, packed, static_cast<unsigned short>(length),
                                      kPatienceMs) == 1;
}

// Becomes the registry's owner when none runs; beside a running one, joins it as a client, which
// leaves the owner's queues as they are. Says which on standard output; false with a message when
// another demonstration has the queue.
bool TakeRegistry(OwnerMark& mark) {
    RegistryOwner other;
    if (!RegistryExists() && mark.Claim("halcyon demo", false, other) && !RegistryExists()) {
        s_MapFile_Initialize(true);
        std::printf("producer   owns the queue registry\n");
        return true;
    }
    mark.Release();
    for (const std::string& name : QueuesInUse()) {
        if (name == kQueueName) {
            std::fprintf(stderr,
                         "halcyon demo: queue \"%s\" is in use: another demonstration runs in "
                         "this namespace; wait for it to end (or stop its --keep)\n",
                         kQueueName);
            return false;
        }
    }
    std::printf("producer   joined the running queue registry (owner: %s)\n",
                FindOwner(other) ? Describe(other).c_str() : "not a halcyon host");
    return true;
}

// --keep: the first records once more, left in the queue for other programs to read, until
// the user interrupts.
void KeepQueue(short id, unsigned long records) {
    unsigned long kept = 0;
    unsigned char packed[3095];
    for (unsigned long n = 0; n < records && n < kKeptRecords; ++n, ++kept) {
        std::string raw = MarketRecord(n);
        long length = s_CodingEncode(&raw[0], static_cast<long>(raw.size()),
                                     reinterpret_cast<char*>(packed), sizeof packed);
        if (length <= 0 || !WriteWhenRoom(id, packed, length)) break;
    }
    std::signal(SIGINT, OnDemoInterrupt);
    std::signal(SIGTERM, OnDemoInterrupt);
    std::printf("kept       \"%s\" with %lu compressed records until interrupted (Ctrl-C)\n",
                kQueueName, kept);
    std::fflush(stdout);
    while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

int Produce(unsigned long records, bool keep) {
    OwnerMark mark;
    if (!TakeRegistry(mark)) return kExitFailure;
    short id = s_MapFile_CreateQue(kQueueName, kQueueKiB);
    if (id < 0) {
        std::fprintf(stderr, "halcyon demo: %s\n", WhyNotCreated(kQueueName).c_str());
        return kExitFailure;
    }
    std::printf("producer   created \"%s\" (id %d, %u KiB ring)\n", kQueueName, id, kQueueKiB);
    std::fflush(stdout);
    std::string command = "\"" + SelfPath() + "\" demo --consume " + std::to_string(records);
#if defined(_WIN32)
    command = "\"" + command + "\"";  // cmd.exe /c drops the outermost pair of quotes
#endif
    int consumerStatus = -1;
    std::thread consumer([&] { consumerStatus = std::system(command.c_str()); });

    unsigned long long rawBytes = 0, packedBytes = 0;
    unsigned char packed[3095];
    auto start = Clock::now();
    bool ok = true;
    Progress progress("halcyon demo", Progress::ToTerminal());
    progress.Phase("", Progress::Unit::kRecords, records);
    for (unsigned long n = 0; n < records && ok; ++n) {
        std::string raw = MarketRecord(n);
        long length = s_CodingEncode(&raw[0], static_cast<long>(raw.size()),
                                     reinterpret_cast<char*>(packed), sizeof packed);
        progress.Count(1, raw.size());
        // The consumer prints its summary once it has the last record: the line ends first.
        if (n + 1 == records) progress.End();
        ok = length > 0 && WriteWhenRoom(id, packed, length);
        rawBytes += raw.size();
        if (ok) packedBytes += static_cast<unsigned long long>(length);
    }
    progress.End();  // after a failed write
    consumer.join();
    double seconds = Seconds(Clock::now() - start);
    std::printf("producer   compressed and wrote %lu records: %.1f MB -> %.1f MB (%.1f%%)\n",
                records, rawBytes / 1e6, packedBytes / 1e6, 100.0 * packedBytes / rawBytes);
    std::printf("road       %lu records in %.2f s: %.0f records/s, %.1f MB/s of market data\n",
                records, seconds, records / seconds, rawBytes / 1e6 / seconds);
    if (keep && ok && consumerStatus == 0) KeepQueue(id, records);
    s_MapFile_CloseQue(id, true);
    char summary[160];
    std::snprintf(summary, sizeof summary, "%.2f s, %.0f records/s, %.1f MB -> %.1f MB", seconds,
                  records / seconds, rawBytes / 1e6, packedBytes / 1e6);
    LogSummary(ok && consumerStatus == 0, records, "road", summary);
    if (!ok || consumerStatus != 0) {
        std::fprintf(stderr, "halcyon demo: the road failed (%s)\n",
                     !ok ? "a record could not be compressed or written"
                         : "the consumer found damaged or missing records");
        return kExitFailure;
    }
    return kExitOk;
}

int RunDemo(const Invocation& call) {
    // The second process is this program again, started with the hidden --consume.
    if (call.Has("--consume"))
        return Consume(static_cast<unsigned long>(call.Number("--consume", 0)));
    const auto records = static_cast<unsigned long>(call.Number("--records", 200000));
    const bool keep = call.Has("--keep");
    if (keep || call.Has("--live") || !HasPrivateNamespaces()) return Produce(records, keep);
    bool made = false;
    std::string error;
    int code = RunInPrivateNamespace([records] { return Produce(records, false); }, made, error);
    if (made) return code;
    std::fprintf(stderr,
                 "halcyon demo: %s; --live runs the demonstration among your session's "
                 "queues\n",
                 error.c_str());
    return kExitFailure;
}

const CommandSpec kDemoSpec{
    "demo",
    "move compressed market records between two processes",
    "",
    {{"",
      "",
      "Runs the road of one record through the terminal with two processes: this one owns the "
      "queue registry (or joins a running one, see --live), creates the shared queue "
      "\"HALCYON_DEMO\", compresses generated "
      "market-data records and writes them; a second process opens the queue by name, reads, "
      "decodes and checks them. The records carry instrument names in Big5; when the "
      "installation's language is Simplified Chinese (number 2 in SYS\\Language\\Language.ini), "
      "the second process converts the names of the markets that need it to GB and checks them "
      "too. Prints the counts, the bytes before and after compression and the records per "
      "second.\n"
      "Exits non-zero when any record arrives damaged or missing.\n"
      "The demonstration keeps to a namespace of named objects of its own (a private folder as "
      "HALCYON_KERNEL_DIR, removed at the end), so that it never meets the queues of the "
      "terminals and hosts running in your session; on Windows, which has no such folder, it "
      "runs as with --live.",
      {{"--records", "N", "move N records (1-100000000, default 200000)", 1, 100000000L},
       {"--live", nullptr,
        "run among your session's queues: beside a running registry owner, join its registry "
        "as a client (its queues stay as they are) instead of owning one"},
       {"--keep", nullptr,
        "as --live, and afterwards leave the first 100 records (compressed) in \"HALCYON_DEMO\" "
        "and keep the queue until interrupted, for other programs to read"},
       {"--consume", "N", "the consuming process", 1, 100000000L, true}},
      RunDemo}}};
const Registration kDemo{kDemoSpec};

}  // namespace
}  // namespace halcyon::tool
