// halcyon bridge: shared queues over NATS JetStream (built where the NATS C client is found).
#include "Command.h"

#include "Bridge.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>

namespace halcyon::tool {
namespace {

const char kHelp[] =
    "usage: halcyon bridge out QUEUE --nats URL --subject S [--stream NAME] [--state FILE]\n"
    "       halcyon bridge in QUEUE --nats URL --subject S [--durable NAME] [--stream NAME]\n"
    "                         [--state FILE]\n"
    "\n"
    "out  takes every record from shared queue QUEUE on this machine and publishes it to the\n"
    "     JetStream stream over subject S on the NATS server at URL (nats://host:port); it must\n"
    "     be the queue's only reader. The stream (default HALCYON_<S>) is created if missing.\n"
    "in   consumes the stream with the durable consumer NAME (default HALCYON_IN_<QUEUE>) and\n"
    "     writes each record into shared queue QUEUE on this machine; it must be the queue's\n"
    "     only writer, and waits while the queue is full.\n"
    "\n"
    "Every record arrives once and in order, also when either bridge or the server is killed\n"
    "and restarted. Each bridge keeps its place in a state file (default: the installation's\n"
    "TEMP folder, BRIDGE_<out|in>_<QUEUE>.DAT); keep it with the queue. Both run until\n"
    "interrupted (Ctrl-C), report a lost connection and reconnect by themselves, and show\n"
    "their progress when standard error is a terminal.\n";

std::atomic<bool> g_stop{false};

extern "C" void OnStop(int) { g_stop = true; }

int RunBridge(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (args.empty() || (args[0] != "out" && args[0] != "in"))
        return UsageError("bridge", "the first argument is 'out' or 'in'");
    if (args.size() < 2 || args[1].empty() || args[1].size() > 31 || args[1][0] == '-')
        return UsageError("bridge", "a queue name of 1-31 characters follows '" + args[0] + "'");
    bridge::Settings settings;
    settings.queue = args[1];
    std::map<std::string, std::string*> options = {{"--nats", &settings.url},
                                                   {"--subject", &settings.subject},
                                                   {"--stream", &settings.stream},
                                                   {"--state", &settings.state}};
    if (args[0] == "in") options["--durable"] = &settings.durable;
    for (size_t i = 2; i < args.size(); i += 2) {
        auto it = options.find(args[i]);
        if (it == options.end())
            return UsageError("bridge", "unexpected argument '" + args[i] + "'");
        if (i + 1 >= args.size() || args[i + 1].empty())
            return UsageError("bridge", args[i] + " needs a value");
        *it->second = args[i + 1];
    }
    if (settings.url.empty()) return UsageError("bridge", "--nats URL is required");
    if (settings.subject.empty()) return UsageError("bridge", "--subject S is required");
    settings.progress = isatty(fileno(stderr)) != 0;
    std::signal(SIGINT, OnStop);
    std::signal(SIGTERM, OnStop);
    std::signal(SIGPIPE, SIG_IGN);
    int code =
        args[0] == "out" ? bridge::RunOut(settings, g_stop) : bridge::RunIn(settings, g_stop);
    return code == 0 ? kExitOk : kExitFailure;
}

const Registration kBridge{"bridge", "carry a shared queue to other machines over NATS JetStream",
                           RunBridge};

}  // namespace
}  // namespace halcyon::tool
