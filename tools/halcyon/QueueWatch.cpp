// SPDX-License-Identifier: Apache-2.0
// halcyon queue watch: a live view of every registered shared queue, one line each.
//
// Each refresh reads the registry and, for every queue in it, the 26 bytes of its header
// (s_MapFile_QueryQueHeader: the queue's mutex is held for that copy only), so watching costs
// the queues one short hold of their mutex per refresh and nothing else.
#include "QueueWatch.h"

#include "HostFiles.h"
#include "Json.h"
#include "QueueSlots.h"

#include <HalcyonCommon.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace halcyon::tool {
namespace {

constexpr int kQueues = kRegistrySlots;
constexpr int kBarWidth = 20;
using Clock = std::chrono::steady_clock;

std::atomic<bool> g_stop{false};
extern "C" void OnWatchInterrupt(int) { g_stop = true; }

// What the view remembers of one queue between refreshes.
struct Watched {
    std::string name;     // empty: not open here
    short id = -1;        // the id this process opened it under
    tagSHMHEADER last{};  // the header at the previous refresh
    bool seen = false;    // `last` holds a header
};

// Records per second from one count to the next (the counts wrap at 2^32).
double PerSecond(std::uint32_t now, std::uint32_t before, double seconds) {
    return seconds > 0 ? static_cast<std::uint32_t>(now - before) / seconds : 0;
}

// What one refresh shows of one queue.
struct Row {
    enum State { kOk, kUnopened, kDamaged };
    int slot = 0;
    std::string name;
    State state = kOk;
    tagSHMHEADER header{};
    std::uint32_t used = 0;  // bytes in the ring
    double fill = 0;         // percent
    bool rates = false;      // the per-second rates are known (from the second refresh on)
    double writtenPerSecond = 0, readPerSecond = 0;
    bool stuck = false;
};

// The header of queue `id`. A lock-free queue has none (the s_MapFile_… calls refuse it): its
// counters are put in the same shape, its bytes in use as `put` from a `take` of 0.
bool ReadHeader(short id, tagSHMHEADER& h) {
    if (halcyon::QueryQueueKind(id) != halcyon::kQueueLockFree)
        return s_MapFile_QueryQueHeader(id, &h) != 0;
    halcyon::QueueState state = {};
    if (!halcyon::QueryQueueState(id, &state)) return false;
    h = tagSHMHEADER{};
    h.H1 = 0x8E;
    h.size = static_cast<std::uint8_t>(state.ringBytes / 1024);
    h.count = static_cast<std::uint32_t>(state.records);
    h.put = static_cast<std::uint32_t>(state.usedBytes);
    h.WriteCount = static_cast<std::uint32_t>(state.writeCount);
    h.ReadCount = static_cast<std::uint32_t>(state.readCount);
    h.H2 = 0x8F;
    return true;
}

Row Sample(int slot, Watched& w, double seconds) {
    Row row;
    row.slot = slot;
    row.name = w.name;
    tagSHMHEADER& h = row.header;
    if (w.id < 0 || !ReadHeader(w.id, h)) {
        row.state = Row::kUnopened;
        w.seen = false;
        return row;
    }
    if (h.H1 != 0x8E || h.H2 != 0x8F || h.size == 0) {
        row.state = Row::kDamaged;
        w.seen = false;
        return row;
    }
    const std::uint32_t ring = h.size * 1024U;
    row.used = h.put >= h.take ? h.put - h.take : ring - h.take + h.put;
    row.fill = row.used < ring ? 100.0 * row.used / ring : 100.0;
    row.rates = w.seen && seconds > 0;
    if (row.rates) {
        row.writtenPerSecond = PerSecond(h.WriteCount, w.last.WriteCount, seconds);
        row.readPerSecond = PerSecond(h.ReadCount, w.last.ReadCount, seconds);
    }
    // A copy in progress is never seen under the mutex: `sync` still 1 a refresh later was left
    // by a process that died in the middle of it.
    row.stuck = w.seen && h.sync != 0 && w.last.sync != 0;
    w.last = h;
    w.seen = true;
    return row;
}

std::string TextLine(const Row& row) {
    char text[256];
    if (row.state == Row::kUnopened) {
        std::snprintf(text, sizeof text, "%3d %-31s  (cannot be opened)", row.slot,
                      row.name.c_str());
        return text;
    }
    if (row.state == Row::kDamaged) {
        std::snprintf(text, sizeof text, "%3d %-31s  DAMAGED header", row.slot, row.name.c_str());
        return text;
    }
    const int marks = static_cast<int>(row.fill * kBarWidth / 100.0 + 0.5);
    char bar[kBarWidth + 1];
    for (int k = 0; k < kBarWidth; ++k) bar[k] = k < marks ? '#' : '-';
    bar[kBarWidth] = '\0';
    char rates[64] = "      - w/s       - r/s";
    if (row.rates) {
        std::snprintf(rates, sizeof rates, "%7.0f w/s %7.0f r/s", row.writtenPerSecond,
                      row.readPerSecond);
    }
    std::snprintf(text, sizeof text, "%3d %-31s [%s] %5.1f%% %8u rec %s  err %u%s%s", row.slot,
                  row.name.c_str(), bar, row.fill, static_cast<unsigned>(row.header.count), rates,
                  static_cast<unsigned>(row.header.errcount),
                  row.stuck ? "  SYNC STUCK: halcyon queue reset " : "",
                  row.stuck ? row.name.c_str() : "");
    return text;
}

std::string JsonRow(const Row& row) {
    static const char* const kStates[] = {"ok", "unopened", "damaged"};
    JsonObject object;
    object.Number("id", static_cast<long long>(row.slot))
        .Text("name", row.name)
        .Text("state", kStates[row.state]);
    if (row.state != Row::kOk) {
        for (const char* field : {"ring_kib", "used_bytes", "fill_percent", "waiting", "written",
                                  "read", "written_per_s", "read_per_s", "errcount"})
            object.Null(field);
        return object.Flag("sync_stuck", false).Str();
    }
    const tagSHMHEADER& h = row.header;
    object.Number("ring_kib", static_cast<long long>(h.size))
        .Number("used_bytes", static_cast<long long>(row.used))
        .Number("fill_percent", row.fill, 1)
        .Number("waiting", static_cast<long long>(h.count))
        .Number("written", static_cast<long long>(h.WriteCount))
        .Number("read", static_cast<long long>(h.ReadCount));
    if (row.rates) {
        object.Number("written_per_s", row.writtenPerSecond, 1)
            .Number("read_per_s", row.readPerSecond, 1);
    } else {
        object.Null("written_per_s").Null("read_per_s");
    }
    return object.Number("errcount", static_cast<long long>(h.errcount))
        .Flag("sync_stuck", row.stuck)
        .Str();
}

// The wall clock: "2026-12-05 09:30:00" local for the text, ISO 8601 UTC with milliseconds
// ("2026-12-05T01:30:00.250Z") for JSON.
std::string Stamp(std::chrono::system_clock::time_point when, bool utc) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const std::tm* parts = utc ? std::gmtime(&seconds) : std::localtime(&seconds);
    char text[64] = "";
    if (parts == nullptr) return text;
    std::strftime(text, sizeof text, utc ? "%Y-%m-%dT%H:%M:%S" : "%Y-%m-%d %H:%M:%S", parts);
    if (!utc) return text;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() %
        1000;
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, ".%03dZ", static_cast<int>(ms < 0 ? ms + 1000 : ms));
    return text + std::string(fraction);
}

// One refresh as text: a time stamp, the column heads, a line per queue.
std::vector<std::string> TextFrame(const std::vector<Row>& rows, long intervalMs) {
    char line[256];
    std::snprintf(line, sizeof line, "%s  every %ld ms, %u queue%s",
                  Stamp(std::chrono::system_clock::now(), false).c_str(), intervalMs,
                  static_cast<unsigned>(rows.size()), rows.size() == 1 ? "" : "s");
    std::vector<std::string> lines{line};
    if (rows.empty()) {
        lines.push_back("(no queue is registered)");
        return lines;
    }
    std::snprintf(line, sizeof line, "%3s %-31s %-29s %12s %23s  %s", "id", "queue", "ring fill",
                  "waiting", "written/s    read/s", "errors");
    lines.push_back(line);
    for (const Row& row : rows) lines.push_back(TextLine(row));
    return lines;
}

std::string JsonFrame(const std::vector<Row>& rows, long refresh, long intervalMs) {
    std::vector<std::string> queues;
    for (const Row& row : rows) queues.push_back(JsonRow(row));
    return JsonObject()
        .Text("time", Stamp(std::chrono::system_clock::now(), true))
        .Number("refresh", static_cast<long long>(refresh))
        .Number("interval_ms", static_cast<long long>(intervalMs))
        .Json("queues", JsonArray(queues))
        .Str();
}

// Waits `ms`, waking early on Ctrl-C.
void Pause(long ms) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!g_stop && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms < 50 ? ms : 50));
}

// Draws a frame: in place on a terminal (over the `drawn` lines of the one before), else as
// plain lines and a blank line.
void Draw(const std::vector<std::string>& lines, bool terminal, size_t& drawn) {
    if (terminal && drawn > 0)
        std::printf("\x1b[%uA", static_cast<unsigned>(drawn));  // back to the frame's top
    for (const std::string& line : lines)
        std::printf(terminal ? "\x1b[2K%s\n" : "%s\n", line.c_str());
    if (terminal && drawn > lines.size()) std::printf("\x1b[J");  // queues that went
    if (!terminal) std::printf("\n");
    drawn = lines.size();
}

}  // namespace

int WatchQueues(long intervalMs, long refreshes, bool json) {
    const bool terminal = !json && IsTerminal(1);
    std::signal(SIGINT, OnWatchInterrupt);
    std::vector<Watched> queues(kQueues);
    std::vector<std::string> names;
    short registry = -1;  // the registry's block, once read
    size_t drawn = 0;     // lines of the previous frame on the terminal
    auto previous = Clock::now();
    for (long n = 0; !g_stop && (refreshes < 0 || n < refreshes); ++n) {
        if (n > 0) Pause(intervalMs);
        if (!ReadRegistryAsClient(registry, names)) {
            std::fprintf(stderr, "halcyon queue: the queue registry is gone\n");
            return 1;
        }
        // A queue whose mutex is gone already (a creator that died) is shown as one that cannot
        // be opened.
        FollowRegistry(names, queues);
        auto now = Clock::now();
        double seconds = std::chrono::duration<double>(now - previous).count();
        previous = now;
        std::vector<Row> rows;
        for (int id = 0; id < kQueues; ++id) {
            if (!queues[id].name.empty()) rows.push_back(Sample(id, queues[id], seconds));
        }
        if (json)
            std::printf("%s\n", JsonFrame(rows, n + 1, intervalMs).c_str());
        else
            Draw(TextFrame(rows, intervalMs), terminal, drawn);
        std::fflush(stdout);
    }
    for (Watched& w : queues) CloseQueue(w.id);
    return 0;
}

}  // namespace halcyon::tool
