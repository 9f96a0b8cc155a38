// SPDX-License-Identifier: Apache-2.0
// Queue throughput, each against what a user would otherwise pick, in the same run:
//
// - records per second from one, two or four producer processes to one consumer process through
//   a shared queue (255 KiB ring), against a pipe moving the same records between the same
//   processes, quiet and with CPU-bound neighbours beside them (--busy-neighbours=N, default 2;
//   0 leaves the loaded cases out); the shared queue's producers and consumer sleep on its
//   wake-ups (halcyon::WriteQueueWaiting, halcyon::ReadQueueWaiting) as a pipe's do in the kernel;
// - the same shared queue while `halcyon queue watch --interval 100` looks at it, against the
//   queue unwatched;
// - a POSIX message queue, one producer, quiet;
// - records per second between two threads through TQRecQueue and TQByteQueue, against a ring
//   guarded by a std::mutex.
//
// Every process of a case is this program run again ("--child"). Each tells the parent through a
// pipe that it is ready and waits for the start, so that starting processes is not timed. The
// shared queue and the pipe run in turns, round after round, and each round's ratio is taken:
// the load of a shared machine drifts, and a ratio of runs seconds apart would measure the drift.
#include <HalcyonCommon.h>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <mqueue.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kQueueName[] = "BENCH_QUEUE";
constexpr char kMqName[] = "/halcyon-bench";

long RecordsFor(long size) { return size <= 64 ? 400000 : size <= 512 ? 200000 : 60000; }

// Results by name, for the summary printed at the end: every round's value.
std::map<std::string, std::vector<double>>& Results() {
    static std::map<std::string, std::vector<double>> results;
    return results;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string g_self;
int g_neighbours = 2;

// ---- the processes of a case ------------------------------------------------------------------

// A child: "--child <role> <transport> <size> <records> <dataFd> <readyFd> <goFd>".
struct ChildArgs {
    std::string role, transport;
    long size, records;
    int dataFd, readyFd, goFd;
};

// Tells the parent this child is ready, then waits for the start (the go pipe's end).
void ReadyThenWait(const ChildArgs& a) {
    char c = 1;
    if (write(a.readyFd, &c, 1) != 1) _exit(5);
    while (read(a.goFd, &c, 1) > 0) {
    }
}

int ConsumeShared(const ChildArgs& a) {
    short id = s_MapFile_WaitingOpenQue(kQueueName);
    ReadyThenWait(a);
    unsigned char buf[3095];
    for (long n = 0; n < a.records; ++n) {
        if (halcyon::ReadQueueWaiting(id, buf, halcyon::kQueueWaitForever) != a.size) return 1;
    }
    return 0;
}

int ProduceShared(const ChildArgs& a) {
    short id = s_MapFile_WaitingOpenQue(kQueueName);
    std::vector<unsigned char> rec(static_cast<size_t>(a.size), 0x5A);
    ReadyThenWait(a);
    for (long n = 0; n < a.records; ++n) {
        if (halcyon::WriteQueueWaiting(id, rec.data(), static_cast<unsigned short>(a.size),
                                       halcyon::kQueueWaitForever) != 1)
            return 1;
    }
    return 0;
}

int ConsumePipe(const ChildArgs& a) {
    ReadyThenWait(a);
    std::vector<unsigned char> buf(1 << 16);
    size_t have = 0;
    long n = 0;
    const size_t frame = 2 + static_cast<size_t>(a.size);
    while (n < a.records) {
        ssize_t got = read(a.dataFd, buf.data() + have, buf.size() - have);
        if (got <= 0) return 1;
        have += static_cast<size_t>(got);
        size_t at = 0;
        while (have - at >= frame) {
            if ((buf[at] | buf[at + 1] << 8) != a.size) return 1;
            at += frame;
            ++n;
        }
        std::memmove(buf.data(), buf.data() + at, have - at);
        have -= at;
    }
    return 0;
}

// Frames of at most 3002 bytes: each write is atomic (below PIPE_BUF), so producers never mix.
int ProducePipe(const ChildArgs& a) {
    std::vector<unsigned char> frame(2 + static_cast<size_t>(a.size), 0x5A);
    frame[0] = static_cast<unsigned char>(a.size);
    frame[1] = static_cast<unsigned char>(a.size >> 8);
    ReadyThenWait(a);
    for (long n = 0; n < a.records; ++n) {
        if (write(a.dataFd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            return 1;
    }
    return 0;
}

int ConsumeMq(const ChildArgs& a) {
    mqd_t mq = mq_open(kMqName, O_RDONLY);
    if (mq == static_cast<mqd_t>(-1)) return 1;
    ReadyThenWait(a);
    std::vector<char> buf(8192);
    for (long n = 0; n < a.records; ++n) {
        if (mq_receive(mq, buf.data(), buf.size(), nullptr) != a.size) return 1;
    }
    mq_close(mq);
    return 0;
}

int ProduceMq(const ChildArgs& a) {
    mqd_t mq = mq_open(kMqName, O_WRONLY);
    if (mq == static_cast<mqd_t>(-1)) return 1;
    std::vector<char> rec(static_cast<size_t>(a.size), 0x5A);
    ReadyThenWait(a);
    for (long n = 0; n < a.records; ++n) mq_send(mq, rec.data(), rec.size(), 0);
    mq_close(mq);
    return 0;
}

int RunChild(char** argv) {
    ChildArgs a{argv[2],
                argv[3],
                std::stol(argv[4]),
                std::stol(argv[5]),
                std::stoi(argv[6]),
                std::stoi(argv[7]),
                std::stoi(argv[8])};
    bool consume = a.role == "consume";
    if (a.transport == "shared") return consume ? ConsumeShared(a) : ProduceShared(a);
    if (a.transport == "pipe") return consume ? ConsumePipe(a) : ProducePipe(a);
    return consume ? ConsumeMq(a) : ProduceMq(a);
}

pid_t StartChild(const char* role, const std::string& transport, long size, long records,
                 int dataFd, int readyFd, int goFd) {
    pid_t pid = fork();
    if (pid == 0) {
        for (int fd : {dataFd, readyFd, goFd}) {
            if (fd >= 0) fcntl(fd, F_SETFD, 0);  // the pipes are made close-on-exec
        }
        std::string args[] = {role,
                              transport,
                              std::to_string(size),
                              std::to_string(records),
                              std::to_string(dataFd),
                              std::to_string(readyFd),
                              std::to_string(goFd)};
        execl(g_self.c_str(), g_self.c_str(), "--child", args[0].c_str(), args[1].c_str(),
              args[2].c_str(), args[3].c_str(), args[4].c_str(), args[5].c_str(), args[6].c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

bool Reap(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// CPU-bound processes beside the case, as charts and feeds keep a trading desk's cores busy.
class Neighbours {
  public:
    explicit Neighbours(int count) {
        for (int i = 0; i < count; ++i) {
            pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long spin = 0;
                for (;;) spin = spin + 1;
            }
            m_pids.push_back(pid);
        }
    }
    ~Neighbours() {
        for (pid_t pid : m_pids) kill(pid, SIGKILL);
        for (pid_t pid : m_pids) waitpid(pid, nullptr, 0);
    }

  private:
    std::vector<pid_t> m_pids;
};

// A watcher beside the case: the halcyon tool's live view, redrawing every 100 ms. It is
// started before the run and waited for until it has shown the queue once, so that the run
// meets its steady state (one copy of the header every 100 ms), not its start.
class Watcher {
  public:
    Watcher() {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            execl(HALCYON_TOOL_PATH, "halcyon", "queue", "watch", "--interval", "100",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        m_out = out[0];
        char c = 0;
        while (c != '\n' && read(m_out, &c, 1) == 1) {
        }
    }
    ~Watcher() {
        if (m_pid > 0) {
            kill(m_pid, SIGINT);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) close(m_out);
    }

  private:
    pid_t m_pid = -1;
    int m_out = -1;  // its output: the first line read, the rest left in the pipe
};

// One timed run of `producers` producers and one consumer over `transport`; records per second,
// or 0 when a process failed.
double RunOnce(const std::string& transport, long size, int producers, bool watched = false) {
    const long records = RecordsFor(size) / producers * producers;
    int data[2] = {-1, -1}, ready[2], go[2];
    if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(go, O_CLOEXEC) != 0) return 0;
    short id = -1;
    if (transport == "shared") {
        // Closing the last queue closes the registry too: each run owns a new one.
        s_MapFile_Initialize(true);
        id = s_MapFile_CreateQue(kQueueName, 255);
    } else if (transport == "pipe") {
        if (pipe2(data, O_CLOEXEC) != 0) return 0;
    } else {
        mq_unlink(kMqName);
        mq_attr attr = {};
        attr.mq_maxmsg = 10;  // the system's default limit for unprivileged queues
        attr.mq_msgsize = 4096;
        mqd_t mq = mq_open(kMqName, O_RDWR | O_CREAT, 0600, &attr);
        if (mq == static_cast<mqd_t>(-1)) return 0;
        mq_close(mq);
    }
    std::unique_ptr<Watcher> watcher(watched ? new Watcher : nullptr);
    std::vector<pid_t> children;
    children.push_back(StartChild("consume", transport, size, records, data[0], ready[1], go[0]));
    for (int p = 0; p < producers; ++p)
        children.push_back(
            StartChild("produce", transport, size, records / producers, data[1], ready[1], go[0]));
    for (int fd : {data[0], data[1], ready[1], go[0]}) {
        if (fd >= 0) close(fd);
    }
    char c;
    for (size_t n = 0; n < children.size(); ++n) {
        if (read(ready[0], &c, 1) != 1) break;
    }
    auto start = Clock::now();
    close(go[1]);  // the start
    bool ok = true;
    for (pid_t pid : children) ok = Reap(pid) && ok;
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(ready[0]);
    watcher.reset();
    if (id >= 0) s_MapFile_CloseQue(id, true);
    if (transport == "mq") mq_unlink(kMqName);
    return ok ? records / seconds : 0;
}

std::string Key(const char* what, long size, int producers, bool loaded) {
    return std::string(what) + "/" + std::to_string(size) + "/" + std::to_string(producers) +
           (loaded ? "/loaded" : "/quiet");
}

// One round: the shared queue, then the pipe, under the same load.
void BM_SharedVsPipe(benchmark::State& state) {
    const long size = state.range(0);
    const int producers = static_cast<int>(state.range(1));
    const bool loaded = state.range(2) != 0;
    if (loaded && g_neighbours == 0) {
        state.SkipWithError("no neighbours (--busy-neighbours=0)");
        return;
    }
    for (auto _ : state) {
        Neighbours neighbours(loaded ? g_neighbours : 0);
        auto start = Clock::now();
        double shared = RunOnce("shared", size, producers);
        double pipe = RunOnce("pipe", size, producers);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (shared == 0 || pipe == 0) state.SkipWithError("a process failed");
        Results()[Key("shared", size, producers, loaded)].push_back(shared);
        Results()[Key("pipe", size, producers, loaded)].push_back(pipe);
        Results()[Key("ratio", size, producers, loaded)].push_back(shared / pipe);
        state.counters["shared/s"] = shared;
        state.counters["pipe/s"] = pipe;
        state.counters["shared/pipe"] = shared / pipe;
    }
}

// One round: the shared queue unwatched, then watched by `halcyon queue watch`.
void BM_Watched(benchmark::State& state) {
    const long size = state.range(0);
    for (auto _ : state) {
        auto start = Clock::now();
        double alone = RunOnce("shared", size, 1);
        double watched = RunOnce("shared", size, 1, true);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (alone == 0 || watched == 0) state.SkipWithError("a process failed");
        Results()[Key("watched ratio", size, 1, false)].push_back(watched / alone);
        state.counters["watched/alone"] = watched / alone;
    }
}

void BM_PosixMq(benchmark::State& state) {
    const long size = state.range(0);
    for (auto _ : state) {
        auto start = Clock::now();
        double mq = RunOnce("mq", size, 1);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (mq == 0) state.SkipWithError("a process failed");
        Results()[Key("mq", size, 1, false)].push_back(mq);
        state.counters["records/s"] = mq;
    }
}

// ---- in-process queues
// ----------------------------------------------------------------------------

// The baseline a user would write: a ring of length-prefixed records under one std::mutex.
class MutexRing {
  public:
    explicit MutexRing(size_t size) : m_ring(size) {}
    bool Push(const unsigned char* data, std::uint32_t len) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_used + len + 4 > m_ring.size() - 1) return false;
        Put(reinterpret_cast<unsigned char*>(&len), 4);
        Put(data, len);
        return true;
    }
    bool Pop(unsigned char* out, std::uint32_t& len) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_used < 4) return false;
        Take(reinterpret_cast<unsigned char*>(&len), 4);
        Take(out, len);
        return true;
    }

  private:
    void Put(const unsigned char* data, size_t n) {
        size_t first = std::min(n, m_ring.size() - m_put);
        std::memcpy(&m_ring[m_put], data, first);
        std::memcpy(&m_ring[0], data + first, n - first);
        m_put = (m_put + n) % m_ring.size();
        m_used += n;
    }
    void Take(unsigned char* out, size_t n) {
        size_t first = std::min(n, m_ring.size() - m_take);
        std::memcpy(out, &m_ring[m_take], first);
        std::memcpy(out + first, &m_ring[0], n - first);
        m_take = (m_take + n) % m_ring.size();
        m_used -= n;
    }
    std::mutex m_mutex;
    std::vector<unsigned char> m_ring;
    size_t m_put = 0, m_take = 0, m_used = 0;
};

template <typename PushFn, typename PopFn>
double ThreadPair(long records, PushFn push, PopFn pop) {
    auto start = Clock::now();
    std::thread consumer([&] {
        for (long n = 0; n < records;) {
            if (pop()) {
                ++n;
            } else {
                std::this_thread::yield();
            }
        }
    });
    for (long n = 0; n < records;) {
        if (push()) {
            ++n;
        } else {
            std::this_thread::yield();
        }
    }
    consumer.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr long kThreadRecords = 1000000;
constexpr std::uint32_t kThreadRecord = 64;
constexpr int kRounds = 7;

double RecQueueRun() {
    TQRecQueue q(64);
    unsigned char rec[kThreadRecord] = {}, out[kThreadRecord];
    return ThreadPair(
        kThreadRecords, [&] { return q.PushData(rec, kThreadRecord); },
        [&] {
            unsigned long len;
            return q.PopData(out, len);
        });
}

double ByteQueueRun() {
    TQByteQueue q(64);
    unsigned char rec[kThreadRecord] = {}, out[kThreadRecord];
    return ThreadPair(
        kThreadRecords, [&] { return q.PushData(rec, kThreadRecord); },
        [&] { return q.PopData(out, kThreadRecord); });
}

double StdMutexRingRun() {
    MutexRing ring(64 * 1024);
    unsigned char rec[kThreadRecord] = {}, out[kThreadRecord];
    return ThreadPair(
        kThreadRecords, [&] { return ring.Push(rec, kThreadRecord); },
        [&] {
            std::uint32_t len;
            return ring.Pop(out, len);
        });
}

// Two threads race through the queue however the scheduler lets them, and the rate of one run
// depends on how long each thread gets to run alone: it varies by half from run to run and drifts
// over seconds. So the three queues run in turns, round after round, and each queue's rate is
// compared with the std::mutex ring's of the same round; the median of those ratios is reported.
void BM_InProcessRounds(benchmark::State& state) {
    std::vector<double> rec, byte, base, recRatio, byteRatio;
    for (auto _ : state) {
        double total = 0;
        for (int round = 0; round < kRounds; ++round) {
            double seconds[3] = {RecQueueRun(), ByteQueueRun(), StdMutexRingRun()};
            total += seconds[0] + seconds[1] + seconds[2];
            rec.push_back(kThreadRecords / seconds[0]);
            byte.push_back(kThreadRecords / seconds[1]);
            base.push_back(kThreadRecords / seconds[2]);
            recRatio.push_back(seconds[2] / seconds[0]);
            byteRatio.push_back(seconds[2] / seconds[1]);
        }
        state.SetIterationTime(total);
    }
    Results()["TQRecQueue"] = rec;
    Results()["TQByteQueue"] = byte;
    Results()["std::mutex ring"] = base;
    Results()["TQRecQueue ratio"] = recRatio;
    Results()["TQByteQueue ratio"] = byteRatio;
    state.counters["TQRecQueue/std::mutex"] = Median(recRatio);
    state.counters["TQByteQueue/std::mutex"] = Median(byteRatio);
}

// Each round is one iteration, timed by the case itself; three rounds per case.
void Rounds(benchmark::internal::Benchmark* b) {
    b->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void CrossProcessCases(benchmark::internal::Benchmark* b) {
    for (int loaded : {0, 1})
        for (int producers : {1, 2, 4})
            for (long size : {64, 512, 3000}) b->Args({size, producers, loaded});
    Rounds(b);
}

BENCHMARK(BM_SharedVsPipe)->Apply(CrossProcessCases);
BENCHMARK(BM_Watched)->Arg(64)->Arg(3000)->Apply(Rounds);
BENCHMARK(BM_PosixMq)->Arg(64)->Arg(512)->Arg(3000)->Apply(Rounds);
BENCHMARK(BM_InProcessRounds)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

double MedianOf(const std::string& key) { return Median(Results()[key]); }

void PrintRatios() {
    std::printf("\nrecords/s and ratios, medians of the rounds (neighbours when loaded: %d):\n",
                g_neighbours);
    for (bool loaded : {false, true}) {
        for (int producers : {1, 2, 4}) {
            for (long size : {64L, 512L, 3000L}) {
                if (Results()[Key("ratio", size, producers, loaded)].empty()) continue;
                std::printf(
                    "  %-6s %d producer%s %4ld bytes: shared queue %9.0f  pipe %9.0f   "
                    "shared/pipe %.2f\n",
                    loaded ? "loaded" : "quiet", producers, producers > 1 ? "s" : " ", size,
                    MedianOf(Key("shared", size, producers, loaded)),
                    MedianOf(Key("pipe", size, producers, loaded)),
                    MedianOf(Key("ratio", size, producers, loaded)));
            }
        }
    }
    for (long size : {64L, 3000L})
        std::printf(
            "  watched by 'halcyon queue watch --interval 100', %4ld bytes: "
            "watched/unwatched %.2f\n",
            size, MedianOf(Key("watched ratio", size, 1, false)));
    for (long size : {64L, 512L, 3000L})
        std::printf("  POSIX message queue %4ld bytes: %9.0f\n", size,
                    MedianOf(Key("mq", size, 1, false)));
    std::printf(
        "  threads, 64 bytes (median of %d rounds): TQRecQueue %.0f  TQByteQueue %.0f  "
        "std::mutex ring %.0f   ratios %.2f / %.2f\n",
        kRounds, MedianOf("TQRecQueue"), MedianOf("TQByteQueue"), MedianOf("std::mutex ring"),
        MedianOf("TQRecQueue ratio"), MedianOf("TQByteQueue ratio"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 9 && std::strcmp(argv[1], "--child") == 0) return RunChild(argv);
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    g_self.assign(self, n > 0 ? static_cast<size_t>(n) : 0);
    // Our own flag; the rest are Google Benchmark's.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--busy-neighbours=", 18) == 0) {
            g_neighbours = std::max(0, std::atoi(argv[i] + 18));
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintRatios();
    return 0;
}
