// SPDX-License-Identifier: Apache-2.0
// The private namespace on Linux: the folder is made, the process forks, the child runs the body
// and the parent removes the folder after it (and every process it started) has ended. The
// parent makes no kernel call: the library's own clean-up at the child's exit, which runs after
// everything else, finds its folder still in place.
#include "PrivateNamespace.h"

#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace halcyon::tool {
namespace {

pid_t g_child = 0;

extern "C" void ForwardSignal(int signal) {
    if (g_child > 0) kill(g_child, signal);
}

bool IsOwnFolder(const char* path) {
    struct stat st;
    return path != nullptr && path[0] == '/' && lstat(path, &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

// Memory-backed places first: the objects' files hold the queues' bytes.
std::string BaseFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (IsOwnFolder(runtime)) return runtime;
    struct stat st;
    if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    const char* temp = std::getenv("TMPDIR");
    return temp != nullptr && temp[0] == '/' ? temp : "/tmp";
}

extern "C" int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path) == 0 || errno == ENOENT ? 0 : -1;
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1;
}

}  // namespace

bool HasPrivateNamespaces() { return true; }

int RunInPrivateNamespace(const std::function<int()>& body, bool& made, std::string& error) {
    std::string folder = BaseFolder() + "/halcyon-private.XXXXXX";
    made = mkdtemp(&folder[0]) != nullptr;
    if (!made) {
        error = "cannot make a private folder for the kernel objects (" + folder +
                "): " + std::strerror(errno);
        return 1;
    }
    setenv("HALCYON_KERNEL_DIR", folder.c_str(), 1);
    std::fflush(nullptr);
    g_child = fork();
    if (g_child == 0) return body();
    int code = 1;
    if (g_child < 0) {
        error = std::string("cannot start the demonstration's process: ") + std::strerror(errno);
        made = false;
    } else {
        // Ctrl-C reaches the child from the terminal; the parent stays to clean up.
        std::signal(SIGINT, SIG_IGN);
        std::signal(SIGQUIT, SIG_IGN);
        std::signal(SIGTERM, ForwardSignal);
        std::signal(SIGHUP, ForwardSignal);
        int status = 0;
        while (waitpid(g_child, &status, 0) < 0 && errno == EINTR) {
        }
        code = ExitCodeOf(status);
    }
    nftw(folder.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    return code;
}

}  // namespace halcyon::tool
