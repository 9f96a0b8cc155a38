// The test program on Linux: fork and exec, the program hard-linked into its root.
#include "support/TestEnv.h"
#include "support/TestProcess.h"

#include "posix/Files.h"

#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace halcyon::test {
namespace {

std::vector<char*> ArgvOf(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return argv;
}

int StatusOf(int status) {
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

}  // namespace

namespace os {

const char kSeparator = '/';

std::string SelfPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

void PrepareProcess() {}

void SetVariable(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    return std::filesystem::absolute(path, error).string();
}

std::string MakeUniqueFolder(const std::string& prefix) {
    std::string pattern = prefix + "XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) return {};
    return buf.data();
}

void RemoveTree(const std::string& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
}

int RunProgram(const std::string& exe, const std::vector<std::string>& argv,
               const std::string& cwd) {
    std::vector<std::string> words = argv;
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(127);
        execv(exe.c_str(), ArgvOf(words).data());
        _exit(127);
    }
    return WaitChild(pid);
}

}  // namespace os

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolder(const std::string& path) {
    if (IsFolder(path)) return true;
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) MakeFolder(path.substr(0, slash));
    return mkdir(path.c_str(), 0755) == 0 || IsFolder(path);
}

bool RemoveFolder(const std::string& path) { return rmdir(path.c_str()) == 0; }

std::string WindowsPath(const std::string& hostPath) { return win::posix::ToWindowsPath(hostPath); }

std::string ProgramFileName(const std::string& name) { return name; }

std::string PlaceProgram(const std::string& program, const std::string& folder,
                         const std::string& name) {
    std::string own = program.substr(program.find_last_of('/') + 1);
    std::string placed = folder + "/" + (name.empty() ? own : ProgramFileName(name));
    std::error_code error;
    if (link(program.c_str(), placed.c_str()) != 0 &&
        !std::filesystem::copy_file(program, placed, error)) {
        return {};
    }
    return placed;
}

bool UnderWine() { return false; }

int StartChild(const std::string& role, const std::vector<std::string>& args) {
    std::string self = os::SelfPath();
    std::vector<std::string> words = {self, kRoleFlag + role};
    words.insert(words.end(), args.begin(), args.end());
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        execv(self.c_str(), ArgvOf(words).data());
        _exit(127);
    }
    return pid;
}

int WaitChild(int pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return StatusOf(status);
}

void KillChild(int pid) {
    kill(pid, SIGKILL);
    WaitChild(pid);
}

int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) output.append(buf, n);
    return StatusOf(pclose(pipe));
}

}  // namespace halcyon::test
