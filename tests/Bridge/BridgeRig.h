// What the bridge's tests run on: child processes with their own environment, a nats-server of
// the test's own (JetStream, a store folder, a free loopback port), and "machines": an
// installation root with the tools linked into its BIN folder and a kernel-object folder of its
// own, so that two sets of processes on one host share no queue.
#pragma once

#include <nats/nats.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace halcyon::bridge_test {

class Child {
  public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { Kill(); }

    // Starts argv[0] with `env` added to this process's environment, in folder `cwd`, standard
    // output and error appended to file `log`.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& cwd, const std::string& log);
    // Sends `signal` to the process when it runs (Kill: SIGKILL, Stop: SIGTERM) and reaps it;
    // returns its exit code (128 + signal when a signal ended it).
    void Kill() { End(SIGKILL); }
    int Stop() { return End(SIGTERM); }
    int End(int signal);
    int Wait();
    // True while the process has not ended; an ended one is reaped and its exit code kept for
    // Wait.
    bool Running();

  private:
    int pid_ = -1;
    int exit_ = -1;  // the exit code of a process Running reaped
};

class NatsServer {
  public:
    // Starts nats-server with JetStream on store folder `store` and the further arguments
    // `options`; the server chooses a free port on the first start, and a restart keeps it, so
    // that it is the same server to its clients. True once its log says it is ready.
    bool Start(const std::string& store, const std::string& log,
               const std::vector<std::string>& options = {});
    void Kill() { process_.Kill(); }
    std::string Url() const { return "nats://127.0.0.1:" + std::to_string(port_); }
    int Port() const { return port_; }

  private:
    Child process_;
    int port_ = 0;
};

struct Machine {
    // Makes <base>/<name> with BIN (the halcyon tool and this program, hard-linked) and TEMP, and
    // a private kernel-object folder <base>/<name>-kernel.
    Machine(const std::string& base, const std::string& name);
    std::string Tool() const { return root + "/BIN/halcyon"; }
    std::string Self() const { return root + "/BIN/halcyon_bridge_tests"; }
    // Starts `argv` as a process of this machine: in its BIN folder, with its kernel-object folder.
    bool Run(Child& child, const std::vector<std::string>& argv, const std::string& log) const {
        return child.Start(argv, {"HALCYON_KERNEL_DIR=" + kernel}, root + "/BIN", log);
    }

    std::string root;
    std::string kernel;
};

// Looks at a stream and its consumers from the outside, reconnecting as the bridges do.
class StreamWatch {
  public:
    StreamWatch(const StreamWatch&) = delete;
    StreamWatch& operator=(const StreamWatch&) = delete;
    explicit StreamWatch(const std::string& url);
    ~StreamWatch();
    // Messages in the stream; 0 when it cannot be asked.
    std::uint64_t Messages(const std::string& stream);
    // Stream sequence below which consumer `durable` has everything acknowledged.
    std::uint64_t Acked(const std::string& stream, const std::string& durable);

  private:
    natsConnection* conn_ = nullptr;
    jsCtx* js_ = nullptr;
};

// A fresh folder below TEST_TMPDIR (or /tmp) for one test; RemoveTree removes it.
std::string MakeBaseFolder();
void RemoveTree(const std::string& path);
std::string ReadText(const std::string& path);
void SleepMs(int ms);

}  // namespace halcyon::bridge_test
