// SPDX-License-Identifier: Apache-2.0
// Helpers of the kernel-object tests: names unique to the running test, waiting for a condition
// that another process brings about, and markers through which processes tell each other that
// they are ready.
#pragma once

#include "Platform/Win.h"
#include "support/TestEnv.h"
#if HALCYON_STAND_IN
#include "Platform/posix/base/SysCalls.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace halcyon::test {

// "<suite>.<test>.<suffix>": one run of the whole program creates no name twice.
inline std::string UniqueName(const std::string& suffix) {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string base = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name()
                                       : std::string("child");
    return base + "." + suffix;
}

// Polls `done` every millisecond for up to `limitMs`; true once it holds.
inline bool WaitUntil(const std::function<bool()>& done, int limitMs = 20000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Waits for mutex `h` on another thread (and releases it when that thread got it).
inline win::DWORD WaitElsewhere(win::HANDLE h, win::DWORD ms) {
    win::DWORD result = 0;
    std::thread([&] {
        result = win::WaitForSingleObject(h, ms);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) win::ReleaseMutex(h);
    }).join();
    return result;
}

// The error a call that was to make no handle left: ERROR_SUCCESS when it made one after all
// (which is closed).
inline win::DWORD ErrorOf(win::HANDLE made) {
    if (made == nullptr || made == INVALID_HANDLE_VALUE) return win::GetLastError();
    win::CloseHandle(made);
    return ERROR_SUCCESS;
}

// True when the file of Windows path `path` exists.
inline bool WindowsFileExists(const std::string& path) {
    return win::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

#if HALCYON_STAND_IN
// The sorted names in host folder `folder` (none when it is missing).
inline std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Restores the stand-in's real system calls when the scope ends, however it ends.
struct SysCallsGuard {
    win::posix::SysCalls saved = win::posix::Sys();
    ~SysCallsGuard() { win::posix::Sys() = saved; }
};
#endif

// A marker is a small paging-file mapping: it exists while its creator holds it.
inline win::HANDLE RaiseMarker(const std::string& name) {
    return win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16,
                                   name.c_str());
}

inline bool WaitForMarker(const std::string& name) {
    return WaitUntil([&] {
        return ErrorOf(win::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str())) == ERROR_SUCCESS;
    });
}

// Collects what killed children held, as the next process to look at the namespace would
// (Windows frees it with the process).
inline void CollectLeftovers() {
#if HALCYON_STAND_IN
    win::posix::CollectKernelObjects();
#endif
}

inline void KillAndCollect(int pid) {
    KillChild(pid);
    CollectLeftovers();
}

// A child's loop until the parent kills it (bounded, so that a lost child cannot linger).
inline int IdleUntilKilled() {
    std::this_thread::sleep_for(std::chrono::seconds(60));
    return 3;
}

}  // namespace halcyon::test
