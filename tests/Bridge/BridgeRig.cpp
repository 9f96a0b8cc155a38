// SPDX-License-Identifier: Apache-2.0
#include "BridgeRig.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

int Child::End(int signal) {
    if (Running()) kill(pid_, signal);
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

bool NatsServer::Start(const std::string& store, const std::string& log,
                       const std::vector<std::string>& options) {
    const std::string listening = "Listening for client connections on 127.0.0.1:";
    std::size_t logged = ReadText(log).size();  // a restart appends to the first start's log
    const std::string port = port_ != 0 ? std::to_string(port_) : "-1";
    std::vector<std::string> argv = {HALCYON_NATS_SERVER, "-js", "-sd", store, "-a",
                                     "127.0.0.1",         "-p",  port};
    argv.insert(argv.end(), options.begin(), options.end());
    if (!process_.Start(argv, {}, store.substr(0, store.find_last_of('/')), log)) return false;
    for (int i = 0; i < 200 && process_.Running(); ++i) {
        std::string text = ReadText(log).substr(logged);
        std::size_t at = text.find(listening);
        if (at != std::string::npos && text.find("Server is ready") != std::string::npos) {
            port_ = std::atoi(text.c_str() + at + listening.size());
            return true;
        }
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
    for (auto [from, to] : {std::pair<fs::path, std::string>{HALCYON_TOOL_PATH, Tool()},
                            {fs::read_symlink("/proc/self/exe"), Self()}}) {
        std::error_code error;
        fs::create_hard_link(from, to, error);
        if (error) fs::copy_file(from, to, error);
    }
}

// The client's default options reconnect, a server restarted by the test included.
StreamWatch::StreamWatch(const std::string& url) {
    if (natsConnection_ConnectTo(&conn_, url.c_str()) == NATS_OK)
        natsConnection_JetStream(&js_, conn_, nullptr);
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

}  // namespace halcyon::bridge_test
