// SPDX-License-Identifier: Apache-2.0
// The test program's environment.
//
// Every run of the test program gets a fresh installation root: the program links itself (or
// copies itself) into <root>/BIN in a new temporary folder and re-runs from there, with its own
// HALCYON_KERNEL_DIR and the current directory <root>/BIN; the folder is removed afterwards.
// Tests that need other processes start the same program in a child role (ChildRole below).
//
// The same tests run in the Linux build, against the library's stand-in for the Windows functions
// (Src/Platform/posix), and in the Windows build, against Windows' own. A test of the stand-in
// itself (its HALCYON_* settings, its host paths, win::posix::…) keeps that code inside
// `#if HALCYON_STAND_IN` and reports itself skipped otherwise:
//
//     #if HALCYON_STAND_IN
//         … the test …
//     #else
//         GTEST_SKIP() << "HALCYON_DRIVE_C is a setting of the Linux stand-in";
//     #endif
#pragma once

#include <string>
#include <vector>

#if defined(_WIN32)
#define HALCYON_STAND_IN 0
#else
#define HALCYON_STAND_IN 1
#endif

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

// Host folders: true when `path` is a folder; creates one with any missing parents and returns
// true when it exists afterwards; removes an empty one.
bool IsFolder(const std::string& path);
bool MakeFolder(const std::string& path);
bool RemoveFolder(const std::string& path);

// The library's name for host path `hostPath`: on Linux the drive path the stand-in gives it
// (win::posix::ToWindowsPath: "/opt/x" is "Z:\opt\x"), on Windows the path itself.
std::string WindowsPath(const std::string& hostPath);

// The file name of program `name` on this system: "name" on Linux, "name.exe" on Windows.
std::string ProgramFileName(const std::string& name);

// Places program `program` (a host path) into `folder`, hard-linked or copied, under its own file
// name or as ProgramFileName(`name`), so that it runs from there: on Linux it finds its libraries
// through the build tree's run path, on Windows through PATH, which gains the program's original
// folder; returns its new host path, or "" on failure.
std::string PlaceProgram(const std::string& program, const std::string& folder,
                         const std::string& name = "");

// True under Wine, whose few differences from Windows the tests allow for where they meet them
// (docs/portability.md); false on Windows and on Linux.
bool UnderWine();

// A role a child process can play: registered at static initialisation, started by name.
using RoleMain = int (*)(const std::vector<std::string>& args);
struct ChildRole {
    ChildRole(const char* name, RoleMain main);
};

// Starts this program as a child playing `role` with `args`; returns its process id.
int StartChild(const std::string& role, const std::vector<std::string>& args = {});
// Waits for a child; returns its exit code, or 128 + signal number when a signal ended it
// (on Windows: 137, as for SIGKILL, after KillChild; an exception's code after a crash).
int WaitChild(int pid);
// Kills a child (SIGKILL; TerminateProcess on Windows) and reaps it.
void KillChild(int pid);

// Runs `command` through the system's shell (/bin/sh; cmd.exe on Windows) and returns its exit
// code; standard output and error are captured in `output`, with LF line ends on both systems.
int RunCommand(const std::string& command, std::string& output);

// The command line that runs the halcyon tool with `args` (double quotes suit both shells).
inline std::string ToolCommand(const std::string& args) {
    return std::string("\"") + HALCYON_TOOL_PATH + "\" " + args;
}

inline int RunTool(const std::string& args, std::string& output) {
    return RunCommand(ToolCommand(args), output);
}

// The command line that runs this program, placed in the root's BIN folder, in child role `role`.
inline std::string ChildCommand(const std::string& role) {
    return "\"" + RootHostPath() + "/BIN/" + ProgramFileName("halcyon_tests") +
           "\" --halcyon-child=" + role;
}

}  // namespace halcyon::test
