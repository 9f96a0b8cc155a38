// Helpers of the kernel-object tests: names unique to the running test, waiting for a condition
// that another process brings about, and markers through which processes tell each other that
// they are ready.
#pragma once

#include "Platform/Win.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

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

// A marker is a small paging-file mapping: it exists while its creator holds it.
inline win::HANDLE RaiseMarker(const std::string& name) {
    return win::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16,
                                   name.c_str());
}

inline bool MarkerExists(const std::string& name) {
    win::HANDLE h = win::OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (h == nullptr) return false;
    win::CloseHandle(h);
    return true;
}

inline bool WaitForMarker(const std::string& name) {
    return WaitUntil([&] { return MarkerExists(name); });
}

// Collects what killed children held, as the next process to look at the namespace would
// (Windows frees it with the process).
inline void CollectLeftovers() {
#if !defined(_WIN32)
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
