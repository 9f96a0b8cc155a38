// SPDX-License-Identifier: Apache-2.0
// The functions the conformance rows call: every Win32 and C runtime function the stand-in
// exports, as the library reaches it (win::Name), and the helpers that set a row up and look at
// what it did (files through the host's own streams, blocks, other threads and processes).
#include "Conformance/ConformanceScript.h"

#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

namespace halcyon::conformance {
namespace {

namespace fs = std::filesystem;

Value N(std::int64_t n) { return Value{n, {}, false, {}}; }
Value P(const void* p) { return N(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(p))); }
Value T(std::string text) { return Value{0, std::move(text), true, {}}; }

template <typename T>
T* As(const Args& a, std::size_t i) {
    return static_cast<T*>(a.Ptr(i));
}

// A result that is something to close unless `failed`; tracked so the row's end closes it.
Value Made(const Args& a, Resource kind, std::int64_t value, std::int64_t failed) {
    if (value != failed) a.script().Track(kind, value);
    return N(value);
}
Value Handle(const Args& a, win::HANDLE h) {
    return Made(a, Resource::kHandle, P(h).n, P(h).n == -1 ? -1 : 0);
}
// A result that closed what argument 0 names (a handle's value with its low bits set names the
// handle, as on Windows).
Value Closed(const Args& a, Resource kind, win::BOOL ok) {
    std::int64_t closed = a.Int(0);
    if (kind == Resource::kHandle && closed != -1 && closed != -2) closed &= ~std::int64_t{3};
    if (ok) a.script().Untrack(kind, closed);
    return N(ok);
}

std::string HexOf(const std::string& text) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : text) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

// Sets environment variable `name` (unsets it for null) for this process and its children.
void SetVariable(const char* name, const char* value) {
#if HALCYON_STAND_IN
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
#else
    SetEnvironmentVariableA(name, value);
#endif
}

// ChildWith(name, value, ..., script): runs `script` in a child process that has each variable
// `name` set to its `value` (unset for null).
int ChildWith(const Args& a, std::size_t i = 0) {
    if (i + 1 >= a.Count()) {
        return test::WaitChild(
            test::StartChild("conformance-run", {a.script().Token(), HexOf(a.Text(i))}));
    }
    const char* old = std::getenv(a.Str(i));
    std::string saved = old != nullptr ? old : "";
    SetVariable(a.Str(i), a.Str(i + 1));
    int code = ChildWith(a, i + 2);
    SetVariable(a.Str(i), old != nullptr ? saved.c_str() : nullptr);
    return code;
}

// A process that ran a script and waits for its release (tests/Conformance: role
// "conformance-hold").
class HeldProcess : public Hold {
  public:
    HeldProcess(const std::string& token, const std::string& script, bool async) {
        static std::atomic<int> count{0};
        std::string base =
            (fs::current_path() / (token + ".hold" + std::to_string(++count))).string();
        go_ = base + ".go";
        pid_ = test::StartChild("conformance-hold", {token, HexOf(script), base + ".ready", go_});
        if (async) {
            ready_ = true;
            std::ofstream(go_).put('1');  // it ends as soon as its script has run
        } else {
            ready_ = AwaitFile(base + ".ready", 60);
        }
    }
    ~HeldProcess() override { Release(); }
    int Release() override {
        if (pid_ == 0) return code_;
        std::ofstream(go_).put('1');
        code_ = test::WaitChild(pid_);
        if (!ready_) code_ = 1000;  // it never said it was ready
        pid_ = 0;
        return code_;
    }
    void Kill() override {
        if (pid_ == 0) return;
        test::KillChild(pid_);
        pid_ = 0;
        code_ = ready_ ? 0 : 1000;
    }

  private:
    int pid_ = 0;
    int code_ = 0;
    bool ready_ = false;
    std::string go_;
};

// A thread of this process that ran a script and waits for its release; started `async`, it runs
// the script while the row goes on, and its release waits for the script's end.
class HeldThread : public Hold {
  public:
    HeldThread(const std::string& token, const std::string& script, bool async) {
        thread_ = std::thread([this, token, script] {
            {
                Script own(token);
                std::vector<std::string> failures = own.Run(script);
                for (const std::string& f : failures)
                    std::fprintf(stderr, "thread: %s\n", f.c_str());
                failures_ = static_cast<int>(failures.size());
                std::unique_lock<std::mutex> hold(lock_);
                ran_ = true;
                changed_.notify_all();
                changed_.wait(hold, [this] { return released_; });
            }
        });
        if (async) return;
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return ran_; });
    }
    ~HeldThread() override { Release(); }
    int Release() override {
        if (!thread_.joinable()) return failures_;
        {
            std::lock_guard<std::mutex> hold(lock_);
            released_ = true;
            changed_.notify_all();
        }
        thread_.join();
        return failures_;
    }
    void Kill() override { Release(); }

  private:
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool ran_ = false;
    bool released_ = false;
    int failures_ = 0;
};

// Memory a row looks at or changes: never null.
unsigned char* Memory(const Args& a, std::size_t i) {
    auto* p = static_cast<unsigned char*>(a.Ptr(i));
    if (p == nullptr) throw ScriptError("null address");
    return p;
}
const unsigned char* Bytes(const Args& a, std::size_t i) { return Memory(a, i); }
Value TextAt(const void* p) { return p == nullptr ? N(0) : T(static_cast<const char*>(p)); }
std::int64_t Field32(const Args& a, std::size_t offset) {
    std::int32_t v;
    std::memcpy(&v, Bytes(a, 0) + offset, sizeof v);
    return v;
}

// The rows' files are host files named relative to the row's folder, with "/" between folders.
Value HostWrite(const Args& a) {
    std::ofstream out(a.Text(0), std::ios::binary | std::ios::trunc);
    out << a.Text(1);
    return N(out.good() ? 1 : 0);
}
Value HostRead(const Args& a) {
    std::ifstream in(a.Text(0), std::ios::binary);
    if (!in) return N(-1);
    return T(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

#define WIN(name, body)                                                     \
    {                                                                       \
#name, []([[maybe_unused]] const Args& a) -> Value { return body; } \
    }

const std::map<std::string, Function> kFunctions = {
    // Handles, errors.
    WIN(CloseHandle, Closed(a, Resource::kHandle, win::CloseHandle(a[0]))),
    WIN(GetLastError, N(win::GetLastError())),
    WIN(SetLastError, (win::SetLastError(a[0]), N(0))),
    // Mutexes, events, waits.
    WIN(CreateMutexA, Handle(a, win::CreateMutexA(a[0], a[1], a[2]))),
    WIN(OpenMutexA, Handle(a, win::OpenMutexA(a[0], a[1], a[2]))),
    WIN(ReleaseMutex, N(win::ReleaseMutex(a[0]))),
    WIN(CreateEventA, Handle(a, win::CreateEventA(a[0], a[1], a[2], a[3]))),
    WIN(OpenEventA, Handle(a, win::OpenEventA(a[0], a[1], a[2]))),
    WIN(SetEvent, N(win::SetEvent(a[0]))),
    WIN(ResetEvent, N(win::ResetEvent(a[0]))),
    WIN(WaitForSingleObject, N(win::WaitForSingleObject(a[0], a[1]))),
    // File mappings and views.
    WIN(CreateFileMappingA, Handle(a, win::CreateFileMappingA(a[0], a[1], a[2], a[3], a[4], a[5]))),
    WIN(OpenFileMappingA, Handle(a, win::OpenFileMappingA(a[0], a[1], a[2]))),
    WIN(MapViewOfFile,
        Made(a, Resource::kView, P(win::MapViewOfFile(a[0], a[1], a[2], a[3], a[4])).n, 0)),
    WIN(UnmapViewOfFile, Closed(a, Resource::kView, win::UnmapViewOfFile(a[0]))),
    WIN(VirtualQuery, N(static_cast<std::int64_t>(win::VirtualQuery(a[0], a[1], a[2])))),
    // Files and folders.
    WIN(CreateFileA, Handle(a, win::CreateFileA(a[0], a[1], a[2], nullptr, a[4], a[5], nullptr))),
    WIN(ReadFile, N(win::ReadFile(a[0], a[1], a[2], a[3], nullptr))),
    WIN(WriteFile, N(win::WriteFile(a[0], a[1], a[2], a[3], nullptr))),
    WIN(SetFilePointer, N(win::SetFilePointer(a[0], a[1], a[2], a[3]))),
    WIN(GetFileSize, N(win::GetFileSize(a[0], a[1]))),
    WIN(SetEndOfFile, N(win::SetEndOfFile(a[0]))),
    WIN(FlushFileBuffers, N(win::FlushFileBuffers(a[0]))),
    WIN(DeleteFileA, N(win::DeleteFileA(a[0]))),
    WIN(CreateDirectoryA, N(win::CreateDirectoryA(a[0], nullptr))),
    WIN(RemoveDirectoryA, N(win::RemoveDirectoryA(a[0]))),
    WIN(GetFileAttributesA, N(win::GetFileAttributesA(a[0]))),
    WIN(GetCurrentDirectoryA, N(win::GetCurrentDirectoryA(a[0], a[1]))),
    WIN(GetTempFileNameA, N(win::GetTempFileNameA(a[0], a[1], a[2], a[3]))),
    WIN(GetModuleFileNameA, N(win::GetModuleFileNameA(a[0], a[1], a[2]))),
    WIN(GetModuleHandleA, P(win::GetModuleHandleA(a[0]))),
    WIN(FindFirstFileA, Made(a, Resource::kFind, P(win::FindFirstFileA(a[0], a[1])).n, -1)),
    WIN(FindNextFileA, N(win::FindNextFileA(a[0], a[1]))),
    WIN(FindClose, Closed(a, Resource::kFind, win::FindClose(a[0]))),
    // Profiles.
    WIN(GetPrivateProfileStringA,
        N(win::GetPrivateProfileStringA(a[0], a[1], a[2], a[3], a[4], a[5]))),
    WIN(GetPrivateProfileIntA, N(win::GetPrivateProfileIntA(a[0], a[1], a[2], a[3]))),
    WIN(GetPrivateProfileSectionA, N(win::GetPrivateProfileSectionA(a[0], a[1], a[2], a[3]))),
    WIN(GetPrivateProfileSectionNamesA, N(win::GetPrivateProfileSectionNamesA(a[0], a[1], a[2]))),
    WIN(WritePrivateProfileStringA, N(win::WritePrivateProfileStringA(a[0], a[1], a[2], a[3]))),
    // Time.
    WIN(GetTickCount, N(win::GetTickCount())),
    WIN(Sleep, (win::Sleep(a[0]), N(0))),
    WIN(GetLocalTime, (win::GetLocalTime(a[0]), N(0))),
    WIN(GetSystemTime, (win::GetSystemTime(a[0]), N(0))),
    WIN(GetTimeZoneInformation, N(win::GetTimeZoneInformation(a[0]))),
    // Code pages.
    WIN(GetACP, N(win::GetACP())),
    WIN(IsDBCSLeadByte, N(win::IsDBCSLeadByte(a[0]))),
    WIN(IsDBCSLeadByteEx, N(win::IsDBCSLeadByteEx(a[0], a[1]))),
    // The desktop.
    WIN(GetDesktopWindow, P(win::GetDesktopWindow())),
    WIN(IsWindow, N(win::IsWindow(a[0]))),
    WIN(InvalidateRect, N(win::InvalidateRect(a[0], nullptr, a[1]))),
    WIN(UpdateWindow, N(win::UpdateWindow(a[0]))),
    WIN(DestroyWindow, N(win::DestroyWindow(a[0]))),
    WIN(ShowCursor, N(win::ShowCursor(a[0]))),
    WIN(SetCursorPos, N(win::SetCursorPos(a[0], a[1]))),
    WIN(GetCursorPos, N(win::GetCursorPos(a[0]))),
    // The C runtime.
    WIN(fopen, Made(a, Resource::kStream, P(win::fopen(a[0], a[1])).n, 0)),
    WIN(_fsopen, Made(a, Resource::kStream, P(win::_fsopen(a[0], a[1], a[2])).n, 0)),
    WIN(fopen_s,
        [&] {
            std::FILE** slot = a[0];
            int rc = win::fopen_s(slot, a[1], a[2]);
            if (rc == 0) a.script().Track(Resource::kStream, P(*slot).n);
            return N(rc);
        }()),
    WIN(_mkdir, N(win::_mkdir(a[0]))),
    WIN(remove, N(win::remove(a[0]))),
    WIN(_findfirst64i32, Made(a, Resource::kCrtFind, win::_findfirst64i32(a[0], a[1]), -1)),
    WIN(_findnext64i32, N(win::_findnext64i32(a[0], a[1]))),
    WIN(_findclose,
        [&] {
            int rc = win::_findclose(a[0]);
            if (rc == 0) a.script().Untrack(Resource::kCrtFind, a.Int(0));
            return N(rc);
        }()),
    WIN(_mbstok, P(win::_mbstok(a[0], a[1]))),
    WIN(_time64, N(win::_time64(a[0]))),
    WIN(_localtime64_s, N(win::_localtime64_s(a[0], a[1]))),
    WIN(_difftime64, N(static_cast<std::int64_t>(win::_difftime64(a[0], a[1])))),

    // Helpers: files of the row's folder, through the host's own streams.
    WIN(MakeFile, HostWrite(a)),
    WIN(ReadBack, HostRead(a)),
    WIN(MakeDir, N(test::MakeFolder(a.Text(0)) ? 1 : 0)),
    WIN(Exists, N(test::FileExists(a.Text(0)) ? 1 : 0)),
    WIN(Fputs, N(std::fputs(a.Str(1), As<std::FILE>(a, 0)) >= 0 ? 1 : 0)),
    WIN(Fgets,
        [&] {
            char line[512];
            return std::fgets(line, sizeof line, As<std::FILE>(a, 0)) ? T(line) : N(0);
        }()),
    WIN(Fclose, Closed(a, Resource::kStream, std::fclose(As<std::FILE>(a, 0)) == 0)),
    WIN(Errno, N(a.script().PreviousErrno())),
    // Helpers: memory, blocks and the fields of the structures the functions fill.
    WIN(Text, TextAt(a.Ptr(0))),
    WIN(Cat, T(a.Text(0) + a.Text(1))),
    WIN(Same, N(a.Text(0) == a.Text(1) ? 1 : 0)),
    WIN(StrLen, N(static_cast<std::int64_t>(std::strlen(a.Str(0))))),
    WIN(Pad,
        [&] {
            std::string text = a.Text(0);
            text.resize(static_cast<std::size_t>(a.Int(1)), a.Text(2).at(0));
            return T(text);
        }()),
    WIN(Bytes, T(std::string(reinterpret_cast<const char*>(Bytes(a, 0)),
                             static_cast<std::size_t>(a.Int(1))))),
    WIN(Put, (std::memcpy(Memory(a, 0), a.Text(1).c_str(), a.Text(1).size() + 1), N(1))),
    WIN(Store,
        [&] {
            auto value = static_cast<std::int32_t>(a.Int(1));
            std::memcpy(Memory(a, 0), &value, sizeof value);
            return N(1);
        }()),
    WIN(Peek, N(Bytes(a, 0)[a.Int(1)])),
    WIN(Poke, (Memory(a, 0)[a.Int(1)] = static_cast<unsigned char>(a.Int(2)), N(1))),
    WIN(Int32, N(Field32(a, static_cast<std::size_t>(a.Int(1))))),
    WIN(Deref, P(*reinterpret_cast<void**>(Memory(a, 0)))),
    WIN(FindName, T(As<win::WIN32_FIND_DATAA>(a, 0)->cFileName)),
    WIN(FindAttr, N(As<win::WIN32_FIND_DATAA>(a, 0)->dwFileAttributes)),
    WIN(FindSize, N(As<win::WIN32_FIND_DATAA>(a, 0)->nFileSizeLow)),
    WIN(CrtFindName, T(As<win::_finddata64i32_t>(a, 0)->name)),
    WIN(CrtFindAttrib, N(As<win::_finddata64i32_t>(a, 0)->attrib)),
    WIN(CrtFindSize, N(As<win::_finddata64i32_t>(a, 0)->size)),
    WIN(MbiBase, P(As<win::MEMORY_BASIC_INFORMATION>(a, 0)->BaseAddress)),
    WIN(MbiAllocBase, P(As<win::MEMORY_BASIC_INFORMATION>(a, 0)->AllocationBase)),
    WIN(MbiAllocProtect, N(As<win::MEMORY_BASIC_INFORMATION>(a, 0)->AllocationProtect)),
    WIN(MbiSize, N(static_cast<std::int64_t>(As<win::MEMORY_BASIC_INFORMATION>(a, 0)->RegionSize))),
    WIN(MbiState, N(As<win::MEMORY_BASIC_INFORMATION>(a, 0)->State)),
    WIN(MbiProtect, N(As<win::MEMORY_BASIC_INFORMATION>(a, 0)->Protect)),
    WIN(MbiType, N(As<win::MEMORY_BASIC_INFORMATION>(a, 0)->Type)),
    WIN(StField, N((&As<win::SYSTEMTIME>(a, 0)->wYear)[a.Int(1)])),
    WIN(TmField, N((&As<std::tm>(a, 0)->tm_sec)[a.Int(1)])),
    WIN(TzBias, N(As<win::TIME_ZONE_INFORMATION>(a, 0)->Bias)),
    WIN(TzStandardBias, N(As<win::TIME_ZONE_INFORMATION>(a, 0)->StandardBias)),
    WIN(TzDaylightBias, N(As<win::TIME_ZONE_INFORMATION>(a, 0)->DaylightBias)),
    WIN(TzStandardDate, N((&As<win::TIME_ZONE_INFORMATION>(a, 0)->StandardDate.wYear)[a.Int(1)])),
    WIN(TzDaylightDate, N((&As<win::TIME_ZONE_INFORMATION>(a, 0)->DaylightDate.wYear)[a.Int(1)])),
    WIN(Sizeof,
        N(a.Text(0) == "MEMORY_BASIC_INFORMATION" ? sizeof(win::MEMORY_BASIC_INFORMATION) : 0)),
    // Helpers: other threads and processes, running scripts of their own with this row's token.
    WIN(ChildWith, N(ChildWith(a))),
    WIN(InRange, N(a.Int(0) >= a.Int(1) && a.Int(0) <= a.Int(2) ? 1 : 0)),
    WIN(Child, N(test::WaitChild(
                   test::StartChild("conformance-run", {a.script().Token(), HexOf(a.Text(0))})))),
    WIN(Hold,
        N(a.script().AddHold(std::make_unique<HeldProcess>(a.script().Token(), a.Text(0), false)))),
    WIN(Spawn,
        N(a.script().AddHold(std::make_unique<HeldProcess>(a.script().Token(), a.Text(0), true)))),
    WIN(Thread,
        N(a.script().AddHold(std::make_unique<HeldThread>(a.script().Token(), a.Text(0), false)))),
    WIN(Async,
        N(a.script().AddHold(std::make_unique<HeldThread>(a.script().Token(), a.Text(0), true)))),
    WIN(Release,
        [&] {
            Hold* hold = a.script().HoldOf(a.Int(0));
            hold->settled = true;
            return N(hold->Release());
        }()),
    WIN(Kill,
        [&] {
            Hold* hold = a.script().HoldOf(a.Int(0));
            hold->settled = true;
            hold->Kill();
            return N(0);
        }()),
};

#undef WIN

}  // namespace

const std::map<std::string, Function>& Functions() { return kFunctions; }

bool AwaitFile(const std::string& path, int seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::error_code error;
    while (!fs::exists(path, error)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void CloseResource(Resource kind, std::int64_t value) {
    auto* p = reinterpret_cast<void*>(static_cast<std::intptr_t>(value));
    if (kind == Resource::kHandle) win::CloseHandle(p);
    if (kind == Resource::kFind) win::FindClose(p);
    if (kind == Resource::kView) win::UnmapViewOfFile(p);
    if (kind == Resource::kCrtFind) win::_findclose(static_cast<std::intptr_t>(value));
    if (kind == Resource::kStream) std::fclose(static_cast<std::FILE*>(p));
    if (kind == Resource::kWindow) win::DestroyWindow(static_cast<win::HWND>(p));
}

}  // namespace halcyon::conformance
