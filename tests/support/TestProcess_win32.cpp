// SPDX-License-Identifier: Apache-2.0
// The test program on Windows: CreateProcess, and the program copied into its root, finding its
// DLLs through PATH.
#include "support/TestEnv.h"
#include "support/TestProcess.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

namespace halcyon::test {
namespace {

// Children started and not yet waited for, by process id.
std::mutex s_childrenLock;
std::map<int, HANDLE> s_children;

// The command line of `argv`, each argument quoted so that the C runtime's parser gives it back
// unchanged: the tests pass names, paths and numbers, none with a quote of its own, so only the
// backslashes before a closing quote need doubling.
std::string CommandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& arg : argv) {
        std::size_t backslashes = arg.size() - (arg.find_last_not_of('\\') + 1);
        line += (line.empty() ? "\"" : " \"") + arg + std::string(backslashes, '\\') + "\"";
    }
    return line;
}

// Starts command line `line` (of program `exe`, or of the program the line names when null) in
// folder `cwd` (null: ours), with our standard input and `out` (null: ours) as standard output and
// error; returns the process handle (null on failure) and its id in `pid`.
HANDLE Spawn(const char* exe, std::string line, const char* cwd, HANDLE out, DWORD* pid = nullptr) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out != nullptr ? out : GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = out != nullptr ? out : GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    PROCESS_INFORMATION info{};
    std::fflush(nullptr);
    if (!CreateProcessA(exe, line.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    if (pid != nullptr) *pid = info.dwProcessId;
    return info.hProcess;
}

int WaitFor(HANDLE process) {
    DWORD code = 0;
    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process, &code)) {
        code = static_cast<DWORD>(-1);
    }
    CloseHandle(process);
    return static_cast<int>(code);
}

// Through cmd.exe /c, which drops the first and the last quote of its command line when that
// starts with one: the extra pair keeps a quoted program name and quoted arguments intact. Started
// with CreateProcess rather than _popen, whose _pclose under Wine now and then reports -1 for a
// command that succeeded.
int RunCommandOnce(const std::string& command, std::string& output) {
    output.clear();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE process = Spawn(nullptr, "cmd.exe /c \"" + command + "\"", nullptr, writeEnd);
    CloseHandle(writeEnd);
    char buf[4096];
    DWORD n = 0;
    while (process != nullptr && ::ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0)
        output.append(buf, n);
    CloseHandle(readEnd);
    // The tool's CR LF line ends read as LF, as the shell's are on Linux.
    for (std::size_t at = 0; (at = output.find("\r\n", at)) != std::string::npos;)
        output.erase(at, 1);
    return process != nullptr ? WaitFor(process) : -1;
}

}  // namespace

namespace os {

std::string SelfPath() {
    std::string name(32768, '\0');
    DWORD n = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
    name.resize(n < name.size() ? n : 0);
    return name;
}

void PrepareProcess() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Inherited by child processes.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

void SetVariable(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }

int RunProgram(const std::string& exe, const std::vector<std::string>& argv,
               const std::string& cwd) {
    HANDLE process = Spawn(exe.c_str(), CommandLine(argv), cwd.c_str(), nullptr);
    return process != nullptr ? WaitFor(process) : 127;
}

}  // namespace os

std::string WindowsPath(const std::string& hostPath) { return hostPath; }

std::string ProgramFileName(const std::string& name) { return name + ".exe"; }

// A copy, not a link: Windows keeps a file whose image is in use (this very program, run from its
// build folder) from being deleted under any of its names. The folder the program came from joins
// PATH, once, so that the copy finds the DLLs beside the program it copies, as the build tree's run
// path serves on Linux.
std::string PlaceProgram(const std::string& program, const std::string& folder,
                         const std::string& name) {
    std::size_t slash = program.find_last_of("\\/");
    std::string placed =
        folder + "\\" + (name.empty() ? program.substr(slash + 1) : ProgramFileName(name));
    if (!CopyFileA(program.c_str(), placed.c_str(), FALSE)) return {};
    char from[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(program.substr(0, slash).c_str(), sizeof from, from, nullptr);
    const char* path = std::getenv("PATH");
    std::string current = path != nullptr ? path : "";
    std::string entry(from, n < sizeof from ? n : 0);
    if ((";" + current + ";").find(";" + entry + ";") == std::string::npos)
        _putenv_s("PATH", (entry + ";" + current).c_str());
    return placed;
}

// Wine's ntdll exports its version; Windows' does not.
bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

int StartChild(const std::string& role, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {os::SelfPath(), kRoleFlag + role};
    argv.insert(argv.end(), args.begin(), args.end());
    DWORD pid = 0;
    HANDLE process = Spawn(argv[0].c_str(), CommandLine(argv), nullptr, nullptr, &pid);
    if (process == nullptr) return -1;
    std::lock_guard<std::mutex> hold(s_childrenLock);
    s_children[static_cast<int>(pid)] = process;
    return static_cast<int>(pid);
}

int WaitChild(int pid) {
    std::unique_lock<std::mutex> hold(s_childrenLock);
    auto child = s_children.extract(pid);
    hold.unlock();
    return child.empty() ? -1 : WaitFor(child.mapped());
}

void KillChild(int pid) {
    {
        std::lock_guard<std::mutex> hold(s_childrenLock);
        auto it = s_children.find(pid);
        // The status a killed child reports, as SIGKILL's 128 + 9 on Linux.
        if (it != s_children.end()) TerminateProcess(it->second, 137);
    }
    WaitChild(pid);
}

// Wine's cmd now and then fails to start a program it starts fine a moment later and says so with
// exit code 9009 ("not recognized as an internal or external command"); no command the tests run
// exits with that code of its own, so such a run is tried again.
int RunCommand(const std::string& command, std::string& output) {
    int code = RunCommandOnce(command, output);
    for (int retry = 0; code == 9009 && retry < 3; ++retry) {
        Sleep(100);
        code = RunCommandOnce(command, output);
    }
    return code;
}

}  // namespace halcyon::test
