// Records per second end to end through the NATS bridge, against the NATS C client's own
// publish-and-consume loop, on the same server (a nats-server with JetStream started here) and
// with the same records (64, 512 and 3000 bytes):
//
// - bridge: this process writes the records into shared queue BENCH_OUT; `halcyon bridge out`
//   publishes them to a stream; `halcyon bridge in` writes them into shared queue BENCH_IN, from
//   which this process reads them. Timed from the first write to the last read.
// - raw client: one connection publishes the records asynchronously to a stream (file storage,
//   as the bridge's), another takes them with a durable pull consumer and acknowledges each.
//
// Each case runs on a stream of its own, deleted afterwards.
#include "BenchSupport.h"
#include "BridgeRig.h"
#include "NatsLink.h"

#include <HalcyonCommon.h>
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace halcyon::bridge_test;
using Clock = std::chrono::steady_clock;

constexpr char kOutQueue[] = "BENCH_OUT";
constexpr char kInQueue[] = "BENCH_IN";

long RecordsFor(long size) { return size <= 64 ? 60000 : size <= 512 ? 40000 : 15000; }

std::string Record(long size, long i) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (long j = 0; j < size; ++j) bytes[static_cast<std::size_t>(j)] = static_cast<char>(i + j);
    return bytes;
}

// The server and the two queues, made once in main().
std::string g_base;
NatsServer g_server;
short g_out = -1;
short g_in = -1;
int g_round = 0;

// Writes `n` records of `size` bytes into BENCH_OUT, sleeping while it is full.
void Produce(long size, long n) {
    for (long i = 0; i < n; ++i) {
        std::string record = Record(size, i);
        while (halcyon::WriteQueueWaiting(g_out, reinterpret_cast<unsigned char*>(&record[0]),
                                          static_cast<unsigned short>(record.size()),
                                          halcyon::kQueueWaitForever) != 1) {
        }
    }
}

// Reads `n` records from BENCH_IN, sleeping while it is empty; false when one differs from what
// was written.
bool Consume(long size, long n) {
    unsigned char buf[3095];
    for (long i = 0; i < n;) {
        short length = halcyon::ReadQueueWaiting(g_in, buf, halcyon::kQueueWaitForever);
        if (length <= 0) continue;
        std::string expected = Record(size, i++);
        if (static_cast<std::size_t>(length) != expected.size() ||
            std::memcmp(buf, expected.data(), expected.size()) != 0)
            return false;
    }
    return true;
}

void DeleteStream(const std::string& stream) {
    natsConnection* conn = nullptr;
    jsCtx* js = nullptr;
    if (natsConnection_ConnectTo(&conn, g_server.Url().c_str()) == NATS_OK &&
        natsConnection_JetStream(&js, conn, nullptr) == NATS_OK)
        js_DeleteStream(js, stream.c_str(), nullptr, nullptr);
    jsCtx_Destroy(js);
    natsConnection_Destroy(conn);
}

void BM_Bridge(benchmark::State& state) {
    long size = state.range(0), n = RecordsFor(size);
    std::string subject = "bench.bridge." + std::to_string(++g_round);
    Child out, in;
    auto bridge = [&](Child& child, const char* direction, const char* queue) {
        child.Start({HALCYON_TOOL_PATH, "bridge", direction, queue, "--nats", g_server.Url(),
                     "--subject", subject, "--state", g_base + "/" + direction + subject},
                    {}, g_base, g_base + "/bridges.log");
    };
    bridge(out, "out", kOutQueue);
    bridge(in, "in", kInQueue);
    // One record through both bridges first: both are connected and the stream exists.
    Produce(1, 1);
    Consume(1, 1);
    for (auto _ : state) {
        auto start = Clock::now();
        std::thread producer(Produce, size, n);
        bool same = Consume(size, n);
        producer.join();
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (!same) state.SkipWithError("a record arrived changed");
        state.counters["records/s"] = static_cast<double>(n) / seconds;
    }
    out.Stop();
    in.Stop();
    DeleteStream("HALCYON_bench_bridge_" + std::to_string(g_round));
}

// The client's own loop: asynchronous publishes on one connection, a pull consumer that fetches
// in batches and acknowledges each message on another.
void BM_RawClient(benchmark::State& state) {
    long size = state.range(0), n = RecordsFor(size);
    std::string subject = "bench.raw." + std::to_string(++g_round);
    std::string stream = "RAW_" + std::to_string(g_round);
    natsConnection *pubConn = nullptr, *subConn = nullptr;
    jsCtx *pubJs = nullptr, *subJs = nullptr;
    natsConnection_ConnectTo(&pubConn, g_server.Url().c_str());
    natsConnection_ConnectTo(&subConn, g_server.Url().c_str());
    natsConnection_JetStream(&pubJs, pubConn, nullptr);
    natsConnection_JetStream(&subJs, subConn, nullptr);
    // The stream the bridges make, so that both sides store alike.
    halcyon::bridge::AddStream(pubJs, stream, subject, nullptr);
    natsSubscription* sub = nullptr;
    jsSubOptions options;
    jsSubOptions_Init(&options);
    options.Config.AckPolicy = js_AckExplicit;
    options.Config.MaxAckPending = 1024;
    js_PullSubscribe(&sub, subJs, subject.c_str(), "RAW", nullptr, &options, nullptr);
    for (auto _ : state) {
        auto start = Clock::now();
        std::thread publisher([&] {
            for (long i = 0; i < n; ++i) {
                std::string record = Record(size, i);
                js_PublishAsync(pubJs, subject.c_str(), record.data(),
                                static_cast<int>(record.size()), nullptr);
            }
            js_PublishAsyncComplete(pubJs, nullptr);
        });
        long got = 0;
        std::string copy;
        while (got < n) {
            natsMsgList list{};
            if (natsSubscription_Fetch(&list, sub, 256, 1000, nullptr) != NATS_OK) continue;
            for (int i = 0; i < list.Count; ++i, ++got) {
                copy.assign(natsMsg_GetData(list.Msgs[i]),
                            static_cast<std::size_t>(natsMsg_GetDataLength(list.Msgs[i])));
                natsMsg_Ack(list.Msgs[i], nullptr);
            }
            natsMsgList_Destroy(&list);
        }
        publisher.join();
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["records/s"] = static_cast<double>(n) / seconds;
    }
    natsSubscription_Destroy(sub);
    js_DeleteStream(pubJs, stream.c_str(), nullptr, nullptr);
    jsCtx_Destroy(pubJs);
    jsCtx_Destroy(subJs);
    natsConnection_Destroy(pubConn);
    natsConnection_Destroy(subConn);
}

void RecordSizes(benchmark::internal::Benchmark* b) {
    b->Arg(64)->Arg(512)->Arg(3000);
    b->Iterations(1)->Repetitions(3)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_RawClient)->Apply(RecordSizes);
BENCHMARK(BM_Bridge)->Apply(RecordSizes);

// Records/s of each case from its median time per run, and the ratio of the two.
void PrintRatios(const halcyon::bench::TimeKeeper& times) {
    std::printf("\nrecords/s end to end (median of the repetitions) and ratios:\n");
    for (long size : {64L, 512L, 3000L}) {
        auto rate = [&](const char* name) {
            const auto* t = times.Find(std::string(name) + "/" + std::to_string(size));
            return t != nullptr && t->real > 0 ? RecordsFor(size) / (t->real / 1e3) : 0.0;
        };
        double bridge = rate("BM_Bridge"), raw = rate("BM_RawClient");
        std::printf("  %4ld bytes: bridge %8.0f  raw client %8.0f   bridge/raw %.2f\n", size,
                    bridge, raw, raw > 0 ? bridge / raw : 0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    g_base = MakeBaseFolder();
    std::string kernel = g_base + "/kernel";
    if (g_base.empty() || mkdir(kernel.c_str(), 0700) != 0) {
        std::fprintf(stderr, "bridge_bench: cannot make a scratch folder\n");
        return 1;
    }
    setenv("HALCYON_KERNEL_DIR", kernel.c_str(), 1);
    if (!g_server.Start(g_base + "/store", g_base + "/server.log")) {
        std::fprintf(stderr, "bridge_bench: cannot start %s\n", HALCYON_NATS_SERVER);
        return 1;
    }
    s_MapFile_Initialize(true);
    g_out = s_MapFile_CreateQue(kOutQueue, 255);
    g_in = s_MapFile_CreateQue(kInQueue, 255);
    benchmark::Initialize(&argc, argv);
    halcyon::bench::TimeKeeper times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();
    PrintRatios(times);
    s_MapFile_CloseQue(g_out, true);
    s_MapFile_CloseQue(g_in, true);
    g_server.Kill();
    RemoveTree(g_base);
    return 0;
}
