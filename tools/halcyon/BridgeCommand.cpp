// halcyon bridge: shared queues over NATS JetStream (built where the NATS C client is found).
#include "Command.h"

#include "Bridge.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>

namespace halcyon::tool {
namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnStop(int) { g_stop = true; }

int RunBridge(const Invocation& call) {
    const std::string& queue = call.Operands()[0];
    if (queue.empty() || queue.size() > 31)
        return call.BadArgument(queue, "a queue name has 1 to 31 characters");
    bridge::Settings settings;
    settings.queue = queue;
    settings.url = call.Value("--nats");
    settings.subject = call.Value("--subject");
    settings.stream = call.Value("--stream");
    settings.state = call.Value("--state");
    settings.durable = call.Value("--durable");
    if (settings.url.empty()) return UsageError("bridge", "missing option --nats URL");
    if (settings.subject.empty()) return UsageError("bridge", "missing option --subject S");
    settings.progress = isatty(fileno(stderr)) != 0;
    std::signal(SIGINT, OnStop);
    std::signal(SIGTERM, OnStop);
    std::signal(SIGPIPE, SIG_IGN);
    const bool out = std::string(call.Chosen().verb) == "out";
    int code = out ? bridge::RunOut(settings, g_stop) : bridge::RunIn(settings, g_stop);
    return code == 0 ? kExitOk : kExitFailure;
}

const Option kNats{"--nats", "URL", "the NATS server (nats://host:port)"};
const Option kSubject{"--subject", "S", "the subject the records travel on"};
const Option kStream{"--stream", "NAME", "the JetStream stream (default HALCYON_<S>)"};
const Option kState{"--state", "FILE",
                    "the state file (default: the installation's TEMP folder, "
                    "BRIDGE_<out|in>_<QUEUE>.DAT)"};

const CommandSpec kBridgeSpec{
    "bridge",
    "carry a shared queue to other machines over NATS JetStream",
    "",
    {{"out",
      "QUEUE",
      "takes every record from shared queue QUEUE on this machine and publishes it to the "
      "JetStream stream over subject S on the NATS server at URL; it must be the queue's only "
      "reader. The stream is created if missing.",
      {kNats, kSubject, kStream, kState},
      RunBridge},
     {"in",
      "QUEUE",
      "consumes the stream with a durable consumer and writes each record into shared queue "
      "QUEUE on this machine; it must be the queue's only writer, and waits while the queue is "
      "full.",
      {kNats,
       kSubject,
       {"--durable", "NAME", "the durable consumer (default HALCYON_IN_<QUEUE>)"},
       kStream,
       kState},
      RunBridge}},
    "Every record arrives once and in order, also when either bridge or the server is killed "
    "and restarted. Each bridge keeps its place in its state file; keep it with the queue. Both "
    "run until interrupted (Ctrl-C), report a lost connection and reconnect by themselves, and "
    "show their progress when standard error is a terminal."};
const Registration kBridge{kBridgeSpec};

}  // namespace
}  // namespace halcyon::tool
