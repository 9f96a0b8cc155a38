// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/kernel/Futex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace win::posix {
namespace {

constexpr std::uint32_t kForever = 0xFFFFFFFFU;
constexpr long kNanosPerSecond = 1000000000L;

timespec Milliseconds(std::uint32_t ms) {
    timespec span;
    span.tv_sec = static_cast<time_t>(ms / 1000);
    span.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    return span;
}

}  // namespace

Deadline::Deadline(std::uint32_t milliseconds) : forever_(milliseconds == kForever) {
    // A zero wait never sleeps and needs no clock.
    if (forever_ || milliseconds == 0) return;
    clock_gettime(CLOCK_MONOTONIC, &end_);
    timespec span = Milliseconds(milliseconds);
    end_.tv_sec += span.tv_sec;
    end_.tv_nsec += span.tv_nsec;
    if (end_.tv_nsec >= kNanosPerSecond) {
        end_.tv_sec += 1;
        end_.tv_nsec -= kNanosPerSecond;
    }
}

bool Deadline::Left(timespec& storage, const timespec*& left, std::uint32_t sliceMs) const {
    left = nullptr;
    if (forever_) {
        if (sliceMs == 0) return true;
        storage = Milliseconds(sliceMs);
        left = &storage;
        return true;
    }
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    storage.tv_sec = end_.tv_sec - now.tv_sec;
    storage.tv_nsec = end_.tv_nsec - now.tv_nsec;
    if (storage.tv_nsec < 0) {
        storage.tv_sec -= 1;
        storage.tv_nsec += kNanosPerSecond;
    }
    if (storage.tv_sec < 0 || (storage.tv_sec == 0 && storage.tv_nsec == 0)) return false;
    if (sliceMs != 0) {
        timespec slice = Milliseconds(sliceMs);
        if (slice.tv_sec < storage.tv_sec ||
            (slice.tv_sec == storage.tv_sec && slice.tv_nsec < storage.tv_nsec)) {
            storage = slice;
        }
    }
    left = &storage;
    return true;
}

void FutexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected, const timespec* left) {
    syscall(SYS_futex, &word, FUTEX_WAIT, expected, left, nullptr, 0);
}

void FutexWake(std::atomic<std::uint32_t>& word, int count) {
    syscall(SYS_futex, &word, FUTEX_WAKE, count, nullptr, nullptr, 0);
}

}  // namespace win::posix
