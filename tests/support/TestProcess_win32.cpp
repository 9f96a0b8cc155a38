// The test program on Windows: CreateProcess, and the program copied into its root, finding its
// DLLs through PATH.
#include "support/TestEnv.h"
#include "support/TestProcess.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

namespace halcyon::test {
namespace {

// The status a killed child reports, as SIGKILL's 128 + 9 on Linux.
constexpr UINT kKilledStatus = 137;

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }

// Appends `arg` to a command line so that the C runtime's parser gives it back unchanged:
// quotes around blanks, backslashes doubled only where a quote follows them.
void AppendArgument(std::string& line, const std::string& arg) {
    if (!line.empty()) line += ' ';
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
        line += arg;
        return;
    }
    line += '"';
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, '\\');
    line += '"';
}

// Children started and not yet waited for, by process id.
struct Children {
    std::mutex lock;
    std::map<int, HANDLE> handles;
};

Children& Started() {
    static Children children;
    return children;
}

// Standard handles the child inherits, so that its output joins ours.
void InheritStandardHandles(STARTUPINFOA& startup) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        if (h != nullptr && h != INVALID_HANDLE_VALUE)
            SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
}

// Starts `exe` with `argv` in `cwd` (null: ours); returns the process handle and id.
HANDLE Spawn(const std::string& exe, const std::vector<std::string>& argv, const char* cwd,
             DWORD& pid) {
    std::string line;
    for (const std::string& arg : argv) AppendArgument(line, arg);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    InheritStandardHandles(startup);
    PROCESS_INFORMATION info{};
    std::fflush(nullptr);
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd, &startup,
                        &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    pid = info.dwProcessId;
    return info.hProcess;
}

// Puts `folder` in front of PATH for this process and those it starts, once, so that a program
// placed elsewhere finds the DLLs of the folder it came from, as the build tree's run path serves
// on Linux.
void AddToPath(const std::string& folder) {
    const char* path = std::getenv("PATH");
    std::string current = path != nullptr ? path : "";
    if ((";" + current + ";").find(";" + folder + ";") != std::string::npos) return;
    _putenv_s("PATH", (folder + ";" + current).c_str());
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

}  // namespace

namespace os {

const char kSeparator = '\\';

std::string SelfPath() {
    std::vector<char> name(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return {};
        if (n < name.size()) return std::string(name.data(), n);
        name.resize(name.size() * 2);
    }
}

void PrepareProcess() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Inherited by child processes.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

void SetVariable(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }

std::string AbsolutePath(const std::string& path) {
    char full[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return path;
    std::string result(full, n);
    while (result.size() > 3 && result.back() == '\\') result.pop_back();
    return result;
}

std::string MakeUniqueFolder(const std::string& prefix) {
    DWORD seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%06lX",
                      static_cast<unsigned long>((seed + attempt * 7919u) & 0xFFFFFF));
        std::string path = prefix + suffix;
        if (CreateDirectoryA(path.c_str(), nullptr)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

void RemoveTree(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name != "." && name != "..") RemoveTree(path + "\\" + name);
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

int RunProgram(const std::string& exe, const std::vector<std::string>& argv,
               const std::string& cwd) {
    DWORD pid = 0;
    HANDLE process = Spawn(exe, argv, cwd.c_str(), pid);
    if (process == nullptr) return 127;
    return WaitFor(process);
}

}  // namespace os

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const std::string& path) {
    if (IsFolder(path)) return true;
    size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0) MakeFolder(path.substr(0, slash));
    return CreateDirectoryA(path.c_str(), nullptr) || IsFolder(path);
}

bool RemoveFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != FALSE; }

std::string WindowsPath(const std::string& hostPath) { return hostPath; }

std::string ProgramFileName(const std::string& name) { return name + ".exe"; }

std::string PlaceProgram(const std::string& program, const std::string& folder,
                         const std::string& name) {
    std::string from = FolderOf(program);
    std::string own = program.substr(from.size() + 1);
    std::string placed = folder + "\\" + (name.empty() ? own : ProgramFileName(name));
    // A copy, not a link: Windows keeps a file whose image is in use (this very program, run
    // from its build folder) from being deleted under any of its names.
    if (!CopyFileA(program.c_str(), placed.c_str(), FALSE)) return {};
    AddToPath(os::AbsolutePath(from));
    return placed;
}

// Wine's ntdll exports its version; Windows' does not.
bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

int StartChild(const std::string& role, const std::vector<std::string>& args) {
    std::string self = os::SelfPath();
    std::vector<std::string> argv = {self, kRoleFlag + role};
    argv.insert(argv.end(), args.begin(), args.end());
    DWORD pid = 0;
    HANDLE process = Spawn(self, argv, nullptr, pid);
    if (process == nullptr) return -1;
    std::lock_guard<std::mutex> hold(Started().lock);
    Started().handles[static_cast<int>(pid)] = process;
    return static_cast<int>(pid);
}

int WaitChild(int pid) {
    HANDLE process = nullptr;
    {
        std::lock_guard<std::mutex> hold(Started().lock);
        auto it = Started().handles.find(pid);
        if (it == Started().handles.end()) return -1;
        process = it->second;
        Started().handles.erase(it);
    }
    return WaitFor(process);
}

void KillChild(int pid) {
    {
        std::lock_guard<std::mutex> hold(Started().lock);
        auto it = Started().handles.find(pid);
        if (it == Started().handles.end()) return;
        TerminateProcess(it->second, kKilledStatus);
    }
    WaitChild(pid);
}

// Through cmd.exe /c, which drops the first and the last quote of its command line when that
// starts with one: the extra pair keeps a quoted program name and quoted arguments intact. Started
// with CreateProcess rather than _popen, whose _pclose under Wine now and then reports -1 for a
// command that succeeded.
static int RunCommandOnce(const std::string& command, std::string& output) {
    output.clear();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::string line = "cmd.exe /c \"" + command + "\"";
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return -1;
    }
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0) output.append(buf, n);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // The tool's CR LF line ends read as LF, as the shell's are on Linux.
    std::string text;
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output[i] != '\r' || i + 1 == output.size() || output[i + 1] != '\n') text += output[i];
    }
    output.swap(text);
    return static_cast<int>(code);
}

// Wine's cmd now and then fails to start a program it starts fine a moment later and says so with
// exit code 9009 ("not recognized as an internal or external command"); no command the tests run
// exits with that code of its own, so such a run is tried again.
int RunCommand(const std::string& command, std::string& output) {
    const int kNotRecognized = 9009;
    int code = RunCommandOnce(command, output);
    for (int retry = 0; code == kNotRecognized && retry < 3; ++retry) {
        Sleep(100);
        code = RunCommandOnce(command, output);
    }
    return code;
}

}  // namespace halcyon::test
