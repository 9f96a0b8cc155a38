// SPDX-License-Identifier: Apache-2.0
// The test program's main: runs the tests from a fresh installation root, or plays a child role;
// and the host file helpers of TestEnv.h that both systems share.
#include "support/TestEnv.h"
#include "support/TestProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace halcyon::test {

const char kRoleFlag[] = "--halcyon-child=";

namespace {

namespace fs = std::filesystem;

const char kRootVariable[] = "HALCYON_TEST_ROOT";

std::map<std::string, RoleMain>& Roles() {
    static std::map<std::string, RoleMain> roles;
    return roles;
}

// A new folder named `prefix` and a number, private to this user ("" on failure).
std::string MakeUniqueFolder(const std::string& prefix) {
    std::error_code error;
    for (auto n = std::chrono::steady_clock::now().time_since_epoch().count(); !error; ++n) {
        std::string path = prefix + std::to_string(n % 1000000000);
        if (fs::create_directory(path, error)) {
            fs::permissions(path, fs::perms::owner_all, error);
            return path;
        }
    }
    return {};
}

// A clean run leaves no named kernel object and no temporary file behind (the per-market TEMP
// folders may stay): the processes' own closes and ends remove them, and what a killed child left
// the tests collect. The folder's note of the PID namespace it serves stays with the folder.
int CheckNothingLeft(const std::string& root) {
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
    std::error_code error;
    fs::path base =
        fs::absolute(tmp != nullptr ? fs::path(tmp) : fs::path(self).parent_path(), error);
    std::string root = MakeUniqueFolder((base / "halcyon-root.").string());
    std::string bin = (fs::path(root) / "BIN").string();
    std::string exe;
    if (!root.empty() && MakeFolder(bin)) exe = PlaceProgram(self, bin);
    if (exe.empty()) {
        std::perror("halcyon_tests: cannot place the test program in a fresh root");
        os::RemoveTree(root);
        return 1;
    }
    os::SetVariable(kRootVariable, root);
    os::SetVariable("HALCYON_KERNEL_DIR", (fs::path(root) / "kernel").string());

    int status = os::RunProgram(exe, std::vector<std::string>(argv, argv + argc), bin);
    if (status == 0) status = CheckNothingLeft(root);
    os::RemoveTree(root);
    return status;
}

}  // namespace

ChildRole::ChildRole(const char* name, RoleMain main) { Roles()[name] = main; }

const std::string& RootHostPath() {
    static const std::string root = std::getenv(kRootVariable) ? std::getenv(kRootVariable) : "";
    return root;
}

std::string RootWindowsPath() { return WindowsPath(RootHostPath()); }

std::string MakeScratchFolder(const std::string& name) {
    std::string path = (fs::path(RootHostPath()) / "scratch" / name).string();
    os::RemoveTree(path);
    MakeFolder(path);
    return path;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

bool MakeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    return IsFolder(path);
}

bool RemoveFolder(const std::string& path) {
    std::error_code error;
    return IsFolder(path) && fs::remove(path, error);
}

namespace os {

void RemoveTree(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
}

}  // namespace os
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
