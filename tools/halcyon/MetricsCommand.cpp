// halcyon metrics serve: the installation's queues, logs and bridges for a monitoring system, over
// HTTP (civetweb) in the OpenMetrics text format. One worker thread answers the scrapes, so the
// library's per-process queue tables are used from one thread at a time.
#include "Command.h"
#include "Metrics.h"

#include <HalcyonCommon.h>

#include <civetweb.h>

#include "NimbusLog/LogRoot.h"
#include "Platform/Win.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace halcyon::tool {
namespace {


const char kContentType[] = "application/openmetrics-text; version=1.0.0; charset=utf-8";

std::atomic<bool> g_stop{false};
extern "C" void OnMetricsStop(int) { g_stop = true; }

// civetweb's last complaint, for the message when it cannot start.
std::mutex g_errorLock;
std::string g_lastError;

// An IPv4 address or a bracketed IPv6 one, a colon and a port of 0-65535.
bool ValidListen(const std::string& listen) {
    const size_t colon = listen.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    const std::string host = listen.substr(0, colon), port = listen.substr(colon + 1);
    long number;
    if (!ParseNumber(port, 0, 65535, number) || !std::isdigit(static_cast<unsigned char>(port[0])))
        return false;
    if (host.front() == '[') return host.size() > 2 && host.back() == ']';
    int dots = 0;
    for (char c : host) {
        if (c == '.') {
            ++dots;
        } else if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return dots == 3;
}

// What the handler needs: the readers and the folders they read.
struct Server {
    std::mutex lock;
    metrics::QueueReader queues;
    std::string logRoot;
    std::string tempFolder;

    std::string Scrape() {
        std::lock_guard<std::mutex> hold(lock);
        metrics::Exposition out;
        queues.Collect(out);
        metrics::CollectLogs(logRoot, out);
        metrics::CollectBridges(tempFolder, out);
        return out.Finish();
    }
};

int HandleMetrics(mg_connection* conn, void* data) {
    const mg_request_info* request = mg_get_request_info(conn);
    const bool head = std::strcmp(request->request_method, "HEAD") == 0;
    if (!head && std::strcmp(request->request_method, "GET") != 0) {
        mg_send_http_error(conn, 405, "only GET and HEAD are served here\n");
        return 405;
    }
    const std::string text = static_cast<Server*>(data)->Scrape();
    mg_send_http_ok(conn, kContentType, static_cast<long long>(text.size()));
    if (!head) mg_write(conn, text.data(), text.size());
    return 200;
}

int LogMessage(const mg_connection*, const char* message) {
    std::lock_guard<std::mutex> hold(g_errorLock);
    g_lastError = message;
    return 1;  // civetweb writes nothing itself
}

// The log root of this installation, as the log objects find it, and its TEMP folder.
void FindFolders(Server& server) {
    char exe[MAX_PATH] = "";
    win::GetModuleFileNameA(nullptr, exe, sizeof exe);
    server.logRoot = halcyon::HostPath(halcyon::nimbuslog::LogRootOf(exe));
    server.tempFolder = halcyon::HostPath(s_PathGetTempPath(0));
}

int Serve(const std::string& listen) {
    Server server;
    FindFolders(server);
    mg_init_library(0);
    mg_callbacks callbacks{};
    callbacks.log_message = LogMessage;
    const char* options[] = {"listening_ports",    listen.c_str(), "num_threads", "1",
                             "request_timeout_ms", "10000",        nullptr};
    mg_context* ctx = mg_start(&callbacks, &server, options);
    if (ctx == nullptr) {
        std::fprintf(stderr, "halcyon metrics: cannot listen on %s%s%s (is the port in use?)\n",
                     listen.c_str(), g_lastError.empty() ? "" : ": ", g_lastError.c_str());
        mg_exit_library();
        return kExitFailure;
    }
    mg_set_request_handler(ctx, "/metrics$", HandleMetrics, &server);
    mg_server_port port{};
    mg_get_server_ports(ctx, 1, &port);
    std::printf("halcyon metrics: serving http://%s:%d/metrics\n",
                listen.substr(0, listen.rfind(':')).c_str(), port.port);
    std::fflush(stdout);
    std::signal(SIGINT, OnMetricsStop);
    std::signal(SIGTERM, OnMetricsStop);
    while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    mg_stop(ctx);
    mg_exit_library();
    return kExitOk;
}

int ServeMetrics(const Invocation& call) {
    if (!call.Has("--listen"))
        return call.BadArgument("serve", "needs --listen ADDRESS:PORT (e.g. 127.0.0.1:9464)");
    std::string listen = call.Value("--listen");
    if (!ValidListen(listen))
        return call.BadArgument(listen,
                                "not ADDRESS:PORT (an IPv4 address or [IPv6], a port of 0-65535)");
    return Serve(listen);
}

const CommandSpec kMetricsSpec{
    "metrics",
    "serve queue, log and bridge values for a monitoring system",
    "",
    {{"serve",
      "",
      "Serves http://ADDRESS:PORT/metrics in the OpenMetrics text format until interrupted "
      "(Ctrl-C or SIGTERM), for Prometheus or any other scraper (docs/operations.md): every "
      "registered queue's ring and used bytes, fill, records waiting, records written and read, "
      "errcount and sync stuck, and whether a registry runs; each log's number of day files, the "
      "size of its newest one and when it was written last; the out bridges' records not yet "
      "stored in their stream and those stored, and the in bridges' last stream sequence.\n"
      "The first line on standard output names the address served.",
      {{"--listen", "ADDRESS:PORT",
        "an IPv4 address, or an IPv6 one in brackets, and a port; port 0 takes a free one. The "
        "address is required: the values name the installation's queues and logs, so listen on "
        "127.0.0.1 unless the network is trusted."}},
      ServeMetrics}}};
const Registration kMetrics{kMetricsSpec};

}  // namespace
}  // namespace halcyon::tool
