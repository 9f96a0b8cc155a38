#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace halcyon::test {
namespace {

const char kRootVariable[] = "HALCYON_TEST_ROOT";
const char kRoleFlag[] = "--halcyon-child=";

std::map<std::string, RoleMain>& Roles() {
    static std::map<std::string, RoleMain> roles;
    return roles;
}

std::string SelfPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('/')); }

bool CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
    out.close();
    return in && out && chmod(to.c_str(), 0755) == 0;
}

void RemoveTree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* d = opendir(path.c_str())) {
            while (struct dirent* e = readdir(d)) {
                if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                    RemoveTree(path + "/" + e->d_name);
            }
            closedir(d);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

// Parent side: builds the fresh root, runs the program from it, cleans up.
int RunInFreshRoot(int argc, char** argv) {
    std::string self = SelfPath();
    const char* tmp = std::getenv("TEST_TMPDIR");
    std::string base = tmp != nullptr ? tmp : FolderOf(self);
    std::string pattern = base + "/halcyon-root.XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) {
        std::perror("halcyon_tests: cannot create a test root");
        return 1;
    }
    std::string root = buf.data();
    std::string bin = root + "/BIN";
    std::string exe = bin + "/" + self.substr(self.find_last_of('/') + 1);
    mkdir(bin.c_str(), 0755);
    if (link(self.c_str(), exe.c_str()) != 0 && !CopyFile(self, exe)) {
        std::perror("halcyon_tests: cannot place the test program in its root");
        RemoveTree(root);
        return 1;
    }
    setenv(kRootVariable, root.c_str(), 1);
    std::string kernel = root + "/kernel";
    setenv("HALCYON_KERNEL_DIR", kernel.c_str(), 1);

    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(bin.c_str()) != 0) _exit(127);
        execv(exe.c_str(), argv);
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    RemoveTree(root);
    (void)argc;
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

}  // namespace

ChildRole::ChildRole(const char* name, RoleMain main) { Roles()[name] = main; }

const std::string& RootHostPath() {
    static const std::string root = [] {
        const char* r = std::getenv(kRootVariable);
        return std::string(r != nullptr ? r : "");
    }();
    return root;
}

std::string RootWindowsPath() {
    std::string path = "Z:" + RootHostPath();
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string MakeScratchFolder(const std::string& name) {
    std::string path = RootHostPath() + "/scratch";
    mkdir(path.c_str(), 0755);
    path += "/" + name;
    RemoveTree(path);
    mkdir(path.c_str(), 0755);
    return path;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

int StartChild(const std::string& role, const std::vector<std::string>& args) {
    std::string self = SelfPath();
    std::vector<std::string> words = {self, kRoleFlag + role};
    words.insert(words.end(), args.begin(), args.end());
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        execv(self.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

int WaitChild(int pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
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
    int status = pclose(pipe);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

}  // namespace halcyon::test

int main(int argc, char** argv) {
    using namespace halcyon::test;
    if (argc >= 2 && std::strncmp(argv[1], kRoleFlag, std::strlen(kRoleFlag)) == 0) {
        std::string role = argv[1] + std::strlen(kRoleFlag);
        auto it = Roles().find(role);
        if (it == Roles().end()) {
            std::fprintf(stderr, "halcyon_tests: no child role '%s'\n", role.c_str());
            return 127;
        }
        return it->second(std::vector<std::string>(argv + 2, argv + argc));
    }
    // Listing the tests needs no root.
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing |= std::strcmp(argv[i], "--gtest_list_tests") == 0;
    if (!listing && std::getenv(kRootVariable) == nullptr) return RunInFreshRoot(argc, argv);

    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
