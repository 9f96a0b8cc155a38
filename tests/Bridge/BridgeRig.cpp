#include "BridgeRig.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace halcyon::bridge_test {
namespace {

int StatusOf(int status) {
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// A loopback port nobody listens on now.
int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), size) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

bool Answers(const std::string& url) {
    natsConnection* conn = nullptr;
    natsStatus s = natsConnection_ConnectTo(&conn, url.c_str());
    natsConnection_Destroy(conn);
    return s == NATS_OK;
}

}  // namespace

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool Child::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  const std::string& cwd, const std::string& log) {
    Kill();
    std::vector<std::string> words = argv, vars = env;
    std::vector<char*> args;
    for (auto& w : words) args.push_back(w.data());
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        for (auto& v : vars) putenv(v.data());
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0 || chdir(cwd.c_str()) != 0) _exit(127);
        dup2(fd, 1);
        dup2(fd, 2);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid_ > 0;
}

void Child::Kill() {
    if (Running()) kill(pid_, SIGKILL);
    Wait();
}

int Child::Stop() {
    if (Running()) kill(pid_, SIGTERM);
    return Wait();
}

int Child::Wait() {
    int status = 0;
    while (pid_ > 0 && waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    if (pid_ > 0) exit_ = StatusOf(status);
    pid_ = -1;
    return exit_;
}

bool Child::Running() {
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) != 0) {
        exit_ = StatusOf(status);
        pid_ = -1;
    }
    return pid_ > 0;
}

bool NatsServer::Start(const std::string& store, const std::string& log) {
    if (port_ == 0) port_ = FreePort();
    std::vector<std::string> argv = {
        HALCYON_NATS_SERVER, "-js", "-sd", store, "-a", "127.0.0.1", "-p", std::to_string(port_)};
    if (!process_.Start(argv, {}, store.substr(0, store.find_last_of('/')), log)) return false;
    for (int i = 0; i < 200; ++i) {
        if (Answers(Url())) return true;
        if (!process_.Running()) return false;
        SleepMs(50);
    }
    return false;
}

Machine::Machine(const std::string& base, const std::string& name)
    : root(base + "/" + name), kernel(base + "/" + name + "-kernel") {
    namespace fs = std::filesystem;
    fs::create_directories(root + "/BIN");
    fs::create_directories(root + "/TEMP");
    mkdir(kernel.c_str(), 0700);
    for (auto [from, to] :
         {std::pair<std::string, std::string>{HALCYON_TOOL_PATH, Tool()}, {SelfPath(), Self()}}) {
        std::error_code error;
        fs::create_hard_link(from, to, error);
        if (error) fs::copy_file(from, to, error);
    }
}

StreamWatch::StreamWatch(const std::string& url) {
    natsOptions* options = nullptr;
    natsOptions_Create(&options);
    natsOptions_SetURL(options, url.c_str());
    natsOptions_SetMaxReconnect(options, -1);
    natsOptions_SetReconnectWait(options, 100);
    natsOptions_SetTimeout(options, 1000);
    if (natsConnection_Connect(&conn_, options) == NATS_OK)
        natsConnection_JetStream(&js_, conn_, nullptr);
    natsOptions_Destroy(options);
}

StreamWatch::~StreamWatch() {
    jsCtx_Destroy(js_);
    natsConnection_Destroy(conn_);
}

std::uint64_t StreamWatch::Messages(const std::string& stream) {
    jsStreamInfo* info = nullptr;
    if (js_ == nullptr || js_GetStreamInfo(&info, js_, stream.c_str(), nullptr, nullptr) != NATS_OK)
        return 0;
    std::uint64_t count = info->State.Msgs;
    jsStreamInfo_Destroy(info);
    return count;
}

std::uint64_t StreamWatch::Acked(const std::string& stream, const std::string& durable) {
    jsConsumerInfo* info = nullptr;
    if (js_ == nullptr || js_GetConsumerInfo(&info, js_, stream.c_str(), durable.c_str(), nullptr,
                                             nullptr) != NATS_OK)
        return 0;
    std::uint64_t acked = info->AckFloor.Stream;
    jsConsumerInfo_Destroy(info);
    return acked;
}

std::string MakeBaseFolder() {
    const char* tmp = std::getenv("TEST_TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/halcyon-bridge.XXXXXX";
    return mkdtemp(&pattern[0]) != nullptr ? pattern : std::string();
}

void RemoveTree(const std::string& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SelfPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace halcyon::bridge_test
