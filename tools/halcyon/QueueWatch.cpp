// halcyon queue watch: a live view of every registered shared queue, one line each.
//
// Each refresh reads the registry and, for every queue in it, the 26 bytes of its header
// (s_MapFile_QueryQueHeader: the queue's mutex is held for that copy only), so watching costs
// the queues one short hold of their mutex per refresh and nothing else.
#include "QueueWatch.h"

#include <HalcyonCommon.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#define HALCYON_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define HALCYON_ISATTY(f) isatty(fileno(f))
#endif

namespace halcyon::tool {
namespace {

constexpr int kQueues = 128;
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

// The registry's names, slot by slot ("" for a free slot); false when it cannot be read.
bool ReadNames(std::vector<std::string>& names) {
    static short block = -1;
    if (block < 0) block = s_MapFile_OpenShm("SHARED_QUEUE");
    unsigned char registry[4096];
    if (block < 0 || !s_MapFile_ReadShm(block, registry, sizeof registry)) return false;
    names.assign(kQueues, std::string());
    for (int id = 0; id < kQueues; ++id) {
        const char* slot = reinterpret_cast<const char*>(registry + 32 * id);
        names[id].assign(slot, strnlen(slot, 31));
    }
    return true;
}

// Opens the queues newly registered and closes those that went.
void Follow(const std::vector<std::string>& names, std::vector<Watched>& queues) {
    for (int id = 0; id < kQueues; ++id) {
        Watched& w = queues[id];
        if (w.name == names[id]) continue;
        if (w.id >= 0) s_MapFile_CloseQue(w.id, false);
        w = Watched{};
        if (names[id].empty()) continue;
        // Its mutex may be gone already (a creator that died): then it is shown as such.
        std::string mutex = "QS_" + names[id];
        void* probe = s_MutexOpen(mutex.c_str());
        if (probe != nullptr) {
            s_MutexClose(probe);
            w.id = s_MapFile_OpenQue(names[id].c_str());
        }
        w.name = names[id];
    }
}

// Records per second from one count to the next (the counts wrap at 2^32).
double PerSecond(std::uint32_t now, std::uint32_t before, double seconds) {
    return seconds > 0 ? static_cast<std::uint32_t>(now - before) / seconds : 0;
}

std::string Line(int slot, Watched& w, double seconds) {
    char text[256];
    tagSHMHEADER h = {};
    if (w.id < 0 || s_MapFile_QueryQueHeader(w.id, &h) == 0) {
        std::snprintf(text, sizeof text, "%3d %-31s  (cannot be opened)", slot, w.name.c_str());
        w.seen = false;
        return text;
    }
    if (h.H1 != 0x8E || h.H2 != 0x8F || h.size == 0) {
        std::snprintf(text, sizeof text, "%3d %-31s  DAMAGED header", slot, w.name.c_str());
        w.seen = false;
        return text;
    }
    const std::uint32_t ring = h.size * 1024U;
    const std::uint32_t used = h.put >= h.take ? h.put - h.take : ring - h.take + h.put;
    const double fill = used < ring ? 100.0 * used / ring : 100.0;
    const int marks = static_cast<int>(fill * kBarWidth / 100.0 + 0.5);
    char bar[kBarWidth + 1];
    for (int k = 0; k < kBarWidth; ++k) bar[k] = k < marks ? '#' : '-';
    bar[kBarWidth] = '\0';
    char rates[64] = "      - w/s       - r/s";
    if (w.seen && seconds > 0) {
        std::snprintf(rates, sizeof rates, "%7.0f w/s %7.0f r/s",
                      PerSecond(h.WriteCount, w.last.WriteCount, seconds),
                      PerSecond(h.ReadCount, w.last.ReadCount, seconds));
    }
    // A copy in progress is never seen under the mutex: `sync` still 1 a refresh later was left
    // by a process that died in the middle of it.
    const bool stuck = w.seen && h.sync != 0 && w.last.sync != 0;
    std::snprintf(text, sizeof text, "%3d %-31s [%s] %5.1f%% %8u rec %s  err %u%s%s", slot,
                  w.name.c_str(), bar, fill, static_cast<unsigned>(h.count), rates,
                  static_cast<unsigned>(h.errcount),
                  stuck ? "  SYNC STUCK: halcyon queue reset " : "", stuck ? w.name.c_str() : "");
    w.last = h;
    w.seen = true;
    return text;
}

// Waits `ms`, waking early on Ctrl-C.
void Pause(long ms) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!g_stop && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms < 50 ? ms : 50));
}

}  // namespace

int WatchQueues(long intervalMs, long refreshes) {
    const bool terminal = HALCYON_ISATTY(stdout) != 0;
    std::signal(SIGINT, OnWatchInterrupt);
    std::vector<Watched> queues(kQueues);
    std::vector<std::string> names;
    size_t drawn = 0;  // lines of the previous frame on the terminal
    auto previous = Clock::now();
    for (long n = 0; !g_stop && (refreshes < 0 || n < refreshes); ++n) {
        if (n > 0) Pause(intervalMs);
        if (!ReadNames(names)) {
            std::fprintf(stderr, "halcyon queue: the queue registry is gone\n");
            return 1;
        }
        Follow(names, queues);
        auto now = Clock::now();
        double seconds = std::chrono::duration<double>(now - previous).count();
        previous = now;
        std::vector<std::string> lines;
        for (int id = 0; id < kQueues; ++id) {
            if (!queues[id].name.empty()) lines.push_back(Line(id, queues[id], seconds));
        }
        if (lines.empty()) lines.push_back("(no queue is registered)");
        if (terminal && drawn > 0)
            std::printf("\x1b[%uA", static_cast<unsigned>(drawn));  // back to the frame's top
        for (const std::string& line : lines)
            std::printf(terminal ? "\x1b[2K%s\n" : "%s\n", line.c_str());
        if (terminal && drawn > lines.size()) std::printf("\x1b[J");  // queues that went
        if (!terminal) std::printf("\n");
        drawn = lines.size();
        std::fflush(stdout);
    }
    for (Watched& w : queues) {
        if (w.id >= 0) s_MapFile_CloseQue(w.id, false);
    }
    return 0;
}

}  // namespace halcyon::tool
