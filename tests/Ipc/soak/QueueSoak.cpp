// SPDX-License-Identifier: Apache-2.0
// Kill soak of the shared queues: producers and a consumer in processes of their own, killed
// (SIGKILL) at random moments and started again, for a legacy queue and for a lock-free one.
//
// Every producer incarnation writes its own series of records, numbered from 0, whose bytes
// follow from the series and the number, singly and in batches, sleeping when the queue is full.
// The consumer takes records singly and in batches and writes, after each call, what it took to
// a log of its own incarnation. At the end the logs must show no record damaged, none twice,
// and each series in order. Records taken by a consumer killed before it logged them, and the
// queue's records dropped when a legacy queue is reset after a writer died in its copy (`sync`
// left at 1), are counted as lost: the queue never promised them to anyone.
//
//   queue_soak [--kind legacy|lockfree|both] [--seconds N] [--producers N]
//
// It runs in a fresh installation root and kernel-object folder under $TMPDIR (removed when it
// passes), never touching a live registry.
#include <HalcyonCommon.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr char kQueue[] = "SOAK";
constexpr unsigned long kForever = halcyon::kQueueWaitForever;
constexpr std::uint32_t kCorrupt = 0xFFFFFFFF;

using Bytes = std::vector<unsigned char>;

// Record `seq` of series `series`: the two numbers, then bytes that follow from them.
Bytes Record(std::uint32_t series, std::uint32_t seq) {
    std::uint32_t state = series * 2654435761u ^ (seq + 1) * 40503u;
    Bytes r(8 + (state >> 8) % 900);
    std::memcpy(r.data(), &series, 4);
    std::memcpy(r.data() + 4, &seq, 4);
    for (std::size_t i = 8; i < r.size(); ++i) {
        state = state * 1103515245u + 12345u;
        r[i] = static_cast<unsigned char>(state >> 16);
    }
    return r;
}

void AppendFrame(Bytes& frames, const Bytes& r) {
    frames.push_back(static_cast<unsigned char>(r.size()));
    frames.push_back(static_cast<unsigned char>(r.size() >> 8));
    frames.insert(frames.end(), r.begin(), r.end());
}

// A producer: series `series`, until killed. Exits 3 on a failure it cannot explain.
int Produce(std::uint32_t series) {
    short id = s_MapFile_WaitingOpenQue(kQueue);
    if (id < 0) return 2;
    std::mt19937 rng(series);
    for (std::uint32_t seq = 0;;) {
        int batch = rng() % 3 == 0 ? 1 + static_cast<int>(rng() % 16) : 0;
        Bytes frames, single = Record(series, seq);
        for (int k = 0; k < batch; ++k) AppendFrame(frames, Record(series, seq + k));
        unsigned long used = 0;
        long done =
            batch == 0
                ? halcyon::WriteQueueWaiting(id, single.data(),
                                             static_cast<unsigned short>(single.size()), kForever)
                : halcyon::WriteQueueBatch(id, frames.data(), frames.size(), &used, kForever);
        // A legacy queue whose copy a killed writer left unfinished fails until it is reset
        // (the consumer does that); the records not written are written again.
        if (done < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        seq += static_cast<std::uint32_t>(done);
    }
}

// The consumer of incarnation `n`: logs (series, seq) of each record after each call, a
// kCorrupt entry for a record whose bytes are wrong; ends once `stopFile` exists and the queue
// has been empty for a while.
int Consume(int n, const std::string& folder) {
    short id = s_MapFile_WaitingOpenQue(kQueue);
    if (id < 0) return 2;
    int log = open((folder + "/consumer-" + std::to_string(n) + ".log").c_str(),
                   O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (log < 0) return 2;
    std::mt19937 rng(static_cast<unsigned>(n) * 7919u);
    Bytes buf(16384);
    std::vector<std::uint32_t> entries;
    for (;;) {
        entries.clear();
        auto take = [&](const unsigned char* r, std::size_t length) {
            std::uint32_t series = 0, seq = 0;
            if (length >= 8) std::memcpy(&series, r, 4), std::memcpy(&seq, r + 4, 4);
            bool good = length >= 8 && Record(series, seq) == Bytes(r, r + length);
            entries.push_back(good ? series : kCorrupt);
            entries.push_back(seq);
        };
        long got;
        if (rng() % 2 == 0) {
            got = halcyon::ReadQueueWaiting(id, buf.data(), 200);
            if (got > 0) take(buf.data(), static_cast<std::size_t>(got));
        } else {
            unsigned long used = 0;
            got = halcyon::ReadQueueBatch(id, buf.data(), buf.size(), &used, 200);
            for (unsigned long at = 0; got > 0 && at < used;) {
                std::size_t length = buf[at] | buf[at + 1] << 8;
                take(&buf[at + 2], length);
                at += 2 + length;
            }
        }
        if (!entries.empty() && write(log, entries.data(), entries.size() * 4) !=
                                    static_cast<ssize_t>(entries.size() * 4))
            return 3;
        if (got < 0) s_MapFile_ResetQue(id);  // a legacy queue a killed writer left mid-copy
        if (got == 0 && access((folder + "/stop").c_str(), F_OK) == 0) return 0;
    }
}

int RunRole(char** argv) {
    std::string role = argv[2];
    if (role == "producer") return Produce(static_cast<std::uint32_t>(std::stoul(argv[3])));
    return Consume(std::stoi(argv[3]), argv[4]);
}

struct Outcome {
    long records = 0, corrupt = 0, duplicated = 0, reordered = 0, lost = 0;
};

// Reads every consumer's log: per log each series must rise; over all logs no record twice.
Outcome Check(const std::string& folder, int consumers) {
    Outcome o;
    std::map<std::uint32_t, std::set<std::uint32_t>> seen;
    for (int n = 0; n < consumers; ++n) {
        std::ifstream in(folder + "/consumer-" + std::to_string(n) + ".log", std::ios::binary);
        std::map<std::uint32_t, long> last;
        std::uint32_t pair[2];
        while (in.read(reinterpret_cast<char*>(pair), sizeof pair)) {
            ++o.records;
            if (pair[0] == kCorrupt) {
                ++o.corrupt;
                continue;
            }
            if (!seen[pair[0]].insert(pair[1]).second) ++o.duplicated;
            auto it = last.find(pair[0]);
            if (it != last.end() && static_cast<long>(pair[1]) <= it->second) ++o.reordered;
            last[pair[0]] = pair[1];
        }
    }
    for (const auto& [series, seqs] : seen)
        o.lost += static_cast<long>(*seqs.rbegin() + 1 - seqs.size());
    return o;
}

pid_t Start(const std::string& self, const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    std::vector<char*> argv = {const_cast<char*>(self.c_str()), const_cast<char*>("--role")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(self.c_str(), argv.data());
    _exit(127);
}

// True when the child ended by our SIGKILL, or by itself with 0 once asked to stop.
bool EndedAsExpected(pid_t pid, bool killed) {
    int status = 0;
    waitpid(pid, &status, 0);
    return killed ? WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL
                  : WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int Soak(const std::string& self, const std::string& folder, int kind, int seconds, int producers) {
    s_MapFile_Initialize(true);
    short id = halcyon::CreateQueue(kQueue, 8, kind);  // 8 KiB: writers wait for room often
    if (id < 0) {
        std::fprintf(stderr, "queue_soak: cannot create the queue\n");
        return 1;
    }
    std::mt19937 rng(static_cast<unsigned>(getpid()));
    std::uint32_t series = 1;
    int consumers = 0, kills = 0;
    bool childFailed = false;
    std::vector<pid_t> writers;
    for (int p = 0; p < producers; ++p)
        writers.push_back(Start(self, {"producer", std::to_string(series++)}));
    pid_t reader = Start(self, {"consumer", std::to_string(consumers++), folder});
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 300));
        std::size_t victim = rng() % (writers.size() + 1);
        pid_t& pid = victim < writers.size() ? writers[victim] : reader;
        kill(pid, SIGKILL);
        childFailed |= !EndedAsExpected(pid, true);
        ++kills;
        pid = victim < writers.size()
                  ? Start(self, {"producer", std::to_string(series++)})
                  : Start(self, {"consumer", std::to_string(consumers++), folder});
    }
    for (pid_t pid : writers) kill(pid, SIGKILL);
    for (pid_t pid : writers) childFailed |= !EndedAsExpected(pid, true);
    std::ofstream(folder + "/stop") << "stop\n";
    childFailed |= !EndedAsExpected(reader, false);
    s_MapFile_CloseQue(id, true);
    Outcome o = Check(folder, consumers);
    std::printf(
        "queue_soak: %s queue, %d s: %ld records from %u producers through %d consumers, "
        "%d kills; corrupt %ld, duplicated %ld, reordered %ld; lost %ld (taken by a killed "
        "consumer before it logged them, or dropped by a reset)%s\n",
        kind == halcyon::kQueueLockFree ? "lock-free" : "legacy", seconds, o.records, series - 1,
        consumers, kills, o.corrupt, o.duplicated, o.reordered, o.lost,
        childFailed ? "; A CHILD FAILED" : "");
    return o.corrupt + o.duplicated + o.reordered == 0 && !childFailed && o.records > 0 ? 0 : 1;
}

std::string Self() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

int main(int argc, char** argv) {
    // In the fresh root: "--role run KIND SECONDS PRODUCERS FOLDER".
    bool role = argc >= 4 && std::strcmp(argv[1], "--role") == 0;
    if (role && argc == 7 && std::strcmp(argv[2], "run") == 0)
        return Soak(Self(), argv[6], std::stoi(argv[3]), std::stoi(argv[4]), std::stoi(argv[5]));
    if (role) return RunRole(argv);
    std::string kinds = "both";
    int seconds = 60, producers = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string arg = argv[i];
        if (arg == "--kind")
            kinds = argv[i + 1];
        else if (arg == "--seconds")
            seconds = std::atoi(argv[i + 1]);
        else if (arg == "--producers")
            producers = std::atoi(argv[i + 1]);
    }
    if ((kinds != "both" && kinds != "legacy" && kinds != "lockfree") || seconds <= 0 ||
        producers <= 0 || argc % 2 == 0) {
        std::fprintf(stderr,
                     "usage: queue_soak [--kind legacy|lockfree|both] [--seconds N] "
                     "[--producers N (legacy; a lock-free queue has one)]\n");
        return 2;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/queue-soak.XXXXXX";
    std::vector<char> base(pattern.begin(), pattern.end());
    base.push_back('\0');
    if (mkdtemp(base.data()) == nullptr) {
        std::fprintf(stderr, "queue_soak: cannot make a folder in %s (set TMPDIR)\n",
                     pattern.c_str());
        return 1;
    }
    std::string root = base.data(), bin = root + "/BIN/queue_soak", kernel = root + "/kernel";
    mkdir((root + "/BIN").c_str(), 0700);
    mkdir(kernel.c_str(), 0700);
    if (link(Self().c_str(), bin.c_str()) != 0 && symlink(Self().c_str(), bin.c_str()) != 0)
        return 1;
    setenv("HALCYON_KERNEL_DIR", kernel.c_str(), 1);
    int failed = 0;
    for (int kind : {halcyon::kQueueLegacy, halcyon::kQueueLockFree}) {
        if (kinds != "both" && (kind == halcyon::kQueueLockFree) != (kinds == "lockfree")) continue;
        std::string folder = root + "/run" + std::to_string(kind);
        mkdir(folder.c_str(), 0700);
        const std::string each = std::to_string(kind == halcyon::kQueueLockFree ? 1 : producers);
        pid_t pid =
            Start(bin, {"run", std::to_string(kind), std::to_string(seconds), each, folder});
        failed += EndedAsExpected(pid, false) ? 0 : 1;
    }
    if (failed == 0) {
        std::string command = "rm -rf '" + root + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "queue_soak: %s left\n", root.c_str());
    } else {
        std::fprintf(stderr, "queue_soak: FAILED; logs in %s\n", root.c_str());
    }
    return failed == 0 ? 0 : 1;
}
