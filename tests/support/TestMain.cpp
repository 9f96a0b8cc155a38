// The test program's main: runs the tests from a fresh installation root, or plays a child role.
#include "support/TestEnv.h"
#include "support/TestProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace halcyon::test {

const char kRoleFlag[] = "--halcyon-child=";

namespace {

const char kRootVariable[] = "HALCYON_TEST_ROOT";

std::map<std::string, RoleMain>& Roles() {
    static std::map<std::string, RoleMain> roles;
    return roles;
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of(os::kSeparator));
}

// A clean run leaves no named kernel object and no temporary file behind (the per-market TEMP
// folders may stay): the processes' own closes and ends remove them, and what a killed child left
// the tests collect. The folder's note of the PID namespace it serves stays with the folder.
int CheckNothingLeft(const std::string& root) {
    namespace fs = std::filesystem;
    int left = 0;
    for (const char* folder : {"kernel", "TEMP"}) {
        std::error_code error;
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(root) / folder, error)) {
            if (entry.is_directory() || entry.path().filename() == ".pidns") continue;
            std::fprintf(stderr, "halcyon_tests: left behind by a clean run: %s\n",
                         entry.path().string().c_str());
            ++left;
        }
    }
    return left == 0 ? 0 : 1;
}

// Parent side: builds the fresh root, runs the program from it, cleans up.
int RunInFreshRoot(int argc, char** argv) {
    std::string self = os::SelfPath();
    const char* tmp = std::getenv("TEST_TMPDIR");
    std::string base = os::AbsolutePath(tmp != nullptr ? tmp : FolderOf(self));
    std::string root = os::MakeUniqueFolder(base + os::kSeparator + "halcyon-root.");
    if (root.empty()) {
        std::perror("halcyon_tests: cannot create a test root");
        return 1;
    }
    std::string bin = root + os::kSeparator + "BIN";
    std::string exe;
    if (MakeFolder(bin)) exe = PlaceProgram(self, bin);
    if (exe.empty()) {
        std::perror("halcyon_tests: cannot place the test program in its root");
        os::RemoveTree(root);
        return 1;
    }
    os::SetVariable(kRootVariable, root);
    os::SetVariable("HALCYON_KERNEL_DIR", root + os::kSeparator + "kernel");

    int status = os::RunProgram(exe, std::vector<std::string>(argv, argv + argc), bin);
    if (status == 0) status = CheckNothingLeft(root);
    os::RemoveTree(root);
    return status;
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

std::string RootWindowsPath() { return WindowsPath(RootHostPath()); }

std::string MakeScratchFolder(const std::string& name) {
    std::string path = RootHostPath() + os::kSeparator + "scratch";
    MakeFolder(path);
    path += os::kSeparator + name;
    os::RemoveTree(path);
    MakeFolder(path);
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

}  // namespace halcyon::test

int main(int argc, char** argv) {
    using namespace halcyon::test;
    os::PrepareProcess();
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
