// SPDX-License-Identifier: Apache-2.0
// What the test program asks of its operating system, one implementation per system side by side:
// TestProcess_posix.cpp (fork and exec, hard links) and TestProcess_win32.cpp (CreateProcess,
// copies, PATH), with the functions of TestEnv.h that start processes and place programs.
// TestMain.cpp builds the fresh installation root and the child roles on top of them.
#pragma once

#include <string>
#include <vector>

namespace halcyon::test {

// The first argument of a child process: the flag, then the role's name.
extern const char kRoleFlag[];

namespace os {

// This program's own file (host path).
std::string SelfPath();

// Prepares this process (and the processes it starts) for testing: standard output and error
// carry the program's bytes unchanged, so that both systems print the same lines (Windows would
// write CR LF for LF), and a crash ends the process at once instead of opening Windows' error
// reporting dialog (Wine starts its debugger all the same; .ci/windows sets its prefix up so that
// none starts).
void PrepareProcess();

// Sets environment variable `name` for this process and the processes it starts.
void SetVariable(const char* name, const std::string& value);

// Removes `path` and everything below it; a missing path is no error.
void RemoveTree(const std::string& path);

// Runs `exe` with the arguments `argv` (argv[0] is the program's name as called) in folder `cwd`,
// waits for it and returns its exit status as WaitChild reports it.
int RunProgram(const std::string& exe, const std::vector<std::string>& argv,
               const std::string& cwd);

}  // namespace os
}  // namespace halcyon::test
