// SPDX-License-Identifier: Apache-2.0
// The bridge end to end: a producer on machine A, `halcyon bridge out` on A, a nats-server of the
// test's own, `halcyon bridge in` on B and a consumer on B, with the out bridge, the in bridge
// and the server killed (SIGKILL) and restarted mid-stream.
#include "BridgeRig.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace halcyon::bridge_test {
namespace {

const char kQueue[] = "FEED";
const char kSubject[] = "desk.feed";
const char kStream[] = "HALCYON_desk_feed";
const char kDurable[] = "HALCYON_IN_FEED";
constexpr std::uint64_t kSeed = 20261206;
constexpr std::uint64_t kRecords = 100000;

// Two machines, a server, the queue hosts; the bridges, producer and consumer on demand.
struct Deployment {
    Deployment() : base(MakeBaseFolder()), a(base, "A"), b(base, "B") {}
    ~Deployment() {
        for (Child* c : {&producer, &consumer, &out, &in, &hostA, &hostB}) c->Kill();
        server.Kill();
        RemoveTree(base);
    }

    bool Up() {
        return server.Start(base + "/store", Log("server")) && Host(hostA, a, "hostA") &&
               Host(hostB, b, "hostB");
    }

    bool Host(Child& host, const Machine& m, const std::string& name) {
        m.Run(host, {m.Tool(), "queue", "host", kQueue, "--size", "255"}, Log(name));
        for (int i = 0; i < 400 && host.Running(); ++i) {
            if (ReadText(Log(name)).find("hosting") != std::string::npos) return true;
            SleepMs(25);
        }
        return false;
    }

    std::vector<std::string> Bridge(const Machine& m, const char* direction) const {
        return {m.Tool(), "bridge",     direction,   kQueue,
                "--nats", server.Url(), "--subject", kSubject};
    }
    void StartOut() { a.Run(out, Bridge(a, "out"), Log("out")); }
    void StartIn() { b.Run(in, Bridge(b, "in"), Log("in")); }
    void StartEnds(std::uint64_t count) {
        std::string n = std::to_string(count), seed = std::to_string(kSeed);
        b.Run(consumer, {b.Self(), "--role=consumer", kQueue, n, seed}, Log("consumer"));
        a.Run(producer, {a.Self(), "--role=producer", kQueue, n, seed}, Log("producer"));
    }

    std::string Log(const std::string& name) const { return base + "/" + name + ".log"; }
    std::string Logs() const {
        std::string all;
        for (const char* name : {"consumer", "producer", "out", "in"})
            all += std::string("--- ") + name + ":\n" + ReadText(Log(name)).substr(0, 4000);
        return all;
    }

    std::string base;
    Machine a, b;
    NatsServer server;
    Child hostA, hostB, out, in, producer, consumer;
};

enum class Victim { kOut, kIn, kServer };

// Each in turn, the server twice: a crash and a restart mid-stream, at a share of the run:
// messages stored (kOut), or acknowledged by the in bridge (kIn, kServer: so that a bridge
// restarted just before is connected again when the server goes).
TEST(BridgeEndToEnd, EveryRecordOnceAndInOrderAcrossCrashes) {
    const std::pair<Victim, double> crashes[] = {
        {Victim::kOut, 0.2}, {Victim::kServer, 0.4}, {Victim::kIn, 0.6}, {Victim::kServer, 0.8}};
    const std::uint64_t count = kRecords;
    Deployment d;
    ASSERT_TRUE(d.Up()) << ReadText(d.Log("server")) << ReadText(d.Log("hostA"));
    StreamWatch watch(d.server.Url());
    d.StartIn();
    d.StartOut();
    d.StartEnds(count);
    for (auto [victim, at] : crashes) {
        std::uint64_t seen = 0;
        while (d.consumer.Running() && seen < at * count) {
            seen =
                victim == Victim::kOut ? watch.Messages(kStream) : watch.Acked(kStream, kDurable);
            SleepMs(5);
        }
        ASSERT_LT(seen, count) << "the crash came too late to be mid-stream";
        if (victim == Victim::kOut) {
            d.out.Kill();
            d.StartOut();
        } else if (victim == Victim::kIn) {
            d.in.Kill();
            d.StartIn();
        } else {
            d.server.Kill();
            ASSERT_TRUE(d.server.Start(d.base + "/store", d.Log("server")));
        }
    }
    // A bridge that gives up leaves the consumer waiting for ever: stop the run there.
    while (d.consumer.Running()) {
        ASSERT_TRUE(d.out.Running() && d.in.Running()) << "a bridge exited\n" << d.Logs();
        SleepMs(20);
    }
    EXPECT_EQ(0, d.consumer.Wait()) << d.Logs();
    EXPECT_EQ(0, d.producer.Wait()) << d.Logs();
    EXPECT_EQ(count, watch.Messages(kStream)) << "the stream holds a repeat or misses one";
    EXPECT_EQ(0, d.out.Stop()) << d.Logs();
    EXPECT_EQ(0, d.in.Stop()) << d.Logs();
}

void WriteSecret(const std::string& path, const std::string& text, mode_t mode) {
    std::ofstream(path) << text << "\n";
    chmod(path.c_str(), mode);
}

// A CA and a certificate of it for localhost and 127.0.0.1, made by openssl in `folder`.
bool MakeCertificates(const std::string& folder) {
    std::ofstream(folder + "/san.ext") << "subjectAltName=DNS:localhost,IP:127.0.0.1\n";
    const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    const std::string commands =
        "cd '" + folder + "' && openssl req -x509" + ec +
        " -keyout ca.key -out ca.pem -days 2 -subj /CN=HalcyonTestCA && openssl req" + ec +
        " -keyout server.key -out server.csr -subj /CN=localhost && openssl x509 -req -in "
        "server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 2 -extfile "
        "san.ext";
    return std::system(("(" + commands + ") > '" + folder + "/openssl.log' 2>&1").c_str()) == 0;
}

// Bad arguments, a missing registry or queue, an unreachable server, credentials and TLS: a
// server that wants a token, one that wants a user and password, one that speaks TLS only. A
// bridge given what it needs connects and keeps running; otherwise it ends at once with a clear
// message and a non-zero exit, before anything is touched, saying whether the credentials were
// refused or the handshake failed; secret files others can read are refused before anything is
// tried. In the arguments, URL stands for the test's server, DEAD for a port nobody listens on.
TEST(BridgeEndToEnd, RefusesWhatItCannotServe) {
    Deployment d;
    ASSERT_TRUE(d.Up());
    Machine lonely(d.base, "C");  // no registry runs there
    NatsServer token, user, tls;
    ASSERT_TRUE(token.Start(d.base + "/token", d.Log("token"), {"--auth", "s3cret"}));
    ASSERT_TRUE(
        user.Start(d.base + "/user", d.Log("user"), {"--user", "alice", "--pass", "wonder"}));
    const std::string& dir = d.base;
    WriteSecret(dir + "/token.ok", "s3cret", 0600);
    WriteSecret(dir + "/token.bad", "guess", 0600);
    WriteSecret(dir + "/token.open", "s3cret", 0644);
    WriteSecret(dir + "/password", "wonder", 0600);
    const bool certificates = MakeCertificates(dir);
    if (certificates) {
        chmod((dir + "/server.key").c_str(), 0600);
        ASSERT_TRUE(tls.Start(
            d.base + "/tls", d.Log("tls"),
            {"--tls", "--tlscert", dir + "/server.pem", "--tlskey", dir + "/server.key"}));
    }
    const std::string tlsUrl = "tls://127.0.0.1:" + std::to_string(tls.Port());
    const std::string out = "out FEED --subject s ";
    struct Case {
        const Machine* machine;
        std::string args;
        int exit;  // 0: connects and keeps running until it is stopped
        const char* message;
        std::string natsUrl = "";  // the environment's NATS_URL
        bool tls = false;
    } cases[] = {
        {&d.a, "out FEED --subject s", 2, "missing option --nats URL"},
        {&d.a, "out FEED --nats nats//127.0.0.1 --subject s", 2, "malformed NATS URL 'nats//"},
        {&d.a, "out FEED --nats URL,nats://h:0 --subject s", 2, "'nats://h:0': its port is not"},
        {&d.a, "out NOSUCH --nats URL --subject s", 1, "no queue named 'NOSUCH'"},
        {&lonely, "in FEED --nats URL --subject s", 1, "no queue registry is running"},
        {&d.b, "in FEED --nats DEAD --subject s", 1, "cannot reach the NATS server"},
        {&d.a, out + "--nats " + token.Url() + " --token-file " + dir + "/token.ok", 0, ""},
        {&d.a, out + "--token-file " + dir + "/token.ok", 0, "", token.Url()},
        {&d.a, out + "--nats " + token.Url() + " --token-file " + dir + "/token.bad", 1,
         "refused the credentials"},
        {&d.a, out + "--nats " + token.Url() + " --token-file " + dir + "/token.open", 1,
         "can be read or changed by other users: chmod 600"},
        {&d.a, out + "--nats " + user.Url() + " --user alice --password-file " + dir + "/password",
         0, ""},
        {&d.a, out + "--nats " + tlsUrl + " --tls-ca " + dir + "/ca.pem", 0, "", "", true},
        {&d.a,
         out + "--nats " + tls.Url() + " --tls-ca " + dir + "/ca.pem --tls-hostname localhost", 0,
         "", "", true},
        {&d.a, out + "--nats " + tlsUrl, 1, "TLS handshake with the NATS server", "", true},
        {&d.a,
         out + "--nats " + tlsUrl + " --tls-ca " + dir + "/ca.pem --tls-hostname elsewhere.example",
         1, "TLS handshake with the NATS server", "", true},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.tls && !certificates) continue;
        std::vector<std::string> argv = {c.machine->Tool(), "bridge"};
        std::istringstream words(c.args);
        for (std::string w; words >> w;)
            argv.push_back(w == "URL" ? d.server.Url() : w == "DEAD" ? "nats://127.0.0.1:1" : w);
        std::vector<std::string> env = {"HALCYON_KERNEL_DIR=" + c.machine->kernel};
        if (!c.natsUrl.empty()) env.push_back("NATS_URL=" + c.natsUrl);
        const std::string log = d.Log("case" + std::to_string(n++));
        Child bridge;
        ASSERT_TRUE(bridge.Start(argv, env, c.machine->root + "/BIN", log));
        if (c.exit == 0) {
            for (int i = 0; i < 30 && bridge.Running(); ++i) SleepMs(50);
            EXPECT_TRUE(bridge.Running()) << c.args << ": " << ReadText(log);
            EXPECT_EQ(bridge.Stop(), 0) << c.args << ": " << ReadText(log);
        } else {
            EXPECT_EQ(bridge.Wait(), c.exit) << c.args;
            EXPECT_NE(ReadText(log).find(c.message), std::string::npos)
                << c.args << ": " << ReadText(log);
        }
    }
    EXPECT_TRUE(certificates) << "openssl could not make the TLS cases' certificates: "
                              << ReadText(dir + "/openssl.log");
}

}  // namespace
}  // namespace halcyon::bridge_test
