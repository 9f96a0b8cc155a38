// The test program's environment.
//
// Every run of the test program gets a fresh installation root: the program links itself (or
// copies itself) into <root>/BIN in a new temporary folder and re-runs from there, with its own
// HALCYON_KERNEL_DIR and the current directory <root>/BIN; the folder is removed afterwards.
// Tests that need other processes start the same program in a child role (ChildRole below).
#pragma once

#include <string>
#include <vector>

namespace halcyon::test {

// The host path of this run's installation root, and the root as the library names it.
const std::string& RootHostPath();
std::string RootWindowsPath();

// A fresh empty folder below the root for one test's files (host path).
std::string MakeScratchFolder(const std::string& name);

// Writes `bytes` to host file `path`, replacing it; reads a whole file ("" when missing).
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// A role a child process can play: registered at static initialisation, started by name.
using RoleMain = int (*)(const std::vector<std::string>& args);
struct ChildRole {
    ChildRole(const char* name, RoleMain main);
};

// Starts this program as a child playing `role` with `args`; returns its process id.
int StartChild(const std::string& role, const std::vector<std::string>& args = {});
// Waits for a child; returns its exit code, or 128 + signal number when a signal ended it.
int WaitChild(int pid);
// Kills a child with SIGKILL and reaps it.
void KillChild(int pid);

// Runs `command` (through /bin/sh) and returns its exit code; output is captured in `output`.
int RunCommand(const std::string& command, std::string& output);

}  // namespace halcyon::test
