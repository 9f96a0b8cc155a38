// SPDX-License-Identifier: Apache-2.0
// The test program on Linux: fork and exec, the program hard-linked into its root.
#include "support/TestEnv.h"
#include "support/TestProcess.h"

#include "Platform/posix/files/Files.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace halcyon::test {
namespace {

// Starts `exe` with `words` (argv[0] first) in folder `cwd` ("": ours); returns its process id.
pid_t Spawn(const std::string& exe, std::vector<std::string> words, const std::string& cwd) {
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (cwd.empty() || chdir(cwd.c_str()) == 0) execv(exe.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

int StatusOf(int status) {
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

}  // namespace

namespace os {

std::string SelfPath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

void PrepareProcess() {}

void SetVariable(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }

int RunProgram(const std::string& exe, const std::vector<std::string>& argv,
               const std::string& cwd) {
    return WaitChild(Spawn(exe, argv, cwd));
}

}  // namespace os

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
    std::vector<std::string> words = {os::SelfPath(), kRoleFlag + role};
    words.insert(words.end(), args.begin(), args.end());
    return Spawn(words[0], words, "");
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
