// SPDX-License-Identifier: Apache-2.0
// The file that stands for one named kernel object in the namespace folder.
//
// Every object file starts with one page, ObjectHeader; a file mapping over the paging file keeps
// its bytes in the pages after it. Processes map the header shared, so a mutex's lock inside it is
// the same memory for every holder. The magic is written last: a file without it was never finished
// and has no holder (its creator died), so it is collected. docs/kernel-objects.md describes the
// layout for people inspecting the folder.
#pragma once

#include "Platform/posix/kernel/RobustLock.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace win::posix::kernel {

constexpr char kMagic[8] = {'H', 'A', 'L', 'C', 'Y', 'O', 'N', 'K'};
constexpr std::uint32_t kLayoutVersion = 2;
constexpr std::size_t kHeaderBytes = 4096;
constexpr std::size_t kNameCapacity = 264;   // names have at most 259 bytes
constexpr std::size_t kPathCapacity = 3072;  // host path of a mapped file

// An event: a futex word and the number of threads sleeping on it. The word's bit 0 is the
// signalled state; the bits above count the SetEvent calls that found it clear, so that a
// manual-reset waiter knows it was released even when a ResetEvent followed at once.
struct EventState {
    std::atomic<std::uint32_t> word;      // 0: generation << 1 | signalled
    std::uint32_t manualReset;            // 4: 1 for a manual-reset event
    std::atomic<std::uint32_t> sleepers;  // 8: threads in FUTEX_WAIT on the word (any process)
    std::uint32_t reserved;               // 12
};

constexpr std::uint32_t kEventSignalled = 1;

enum class Kind : std::uint32_t { kMutex = 1, kSection = 2, kEvent = 3 };
enum class Backing : std::uint32_t { kPagingFile = 0, kFile = 1 };

struct ObjectHeader {
    char magic[8];               // 0: kMagic once the object is complete
    std::uint32_t version;       // 8
    std::uint32_t kind;          // 12: Kind
    std::uint32_t nameLength;    // 16
    std::uint32_t protect;       // 20: PAGE_* of a mapping
    std::uint64_t size;          // 24: bytes of a mapping
    std::uint32_t backing;       // 32: Backing of a mapping
    std::uint32_t pathLength;    // 36
    std::uint64_t fileDevice;    // 40: the mapped file's st_dev
    std::uint64_t fileInode;     // 48: and st_ino
    std::uint32_t reserved0[2];  // 56
    char name[kNameCapacity];    // 64: the name as created, zero-padded
    char reserved1[384 - 64 - kNameCapacity];
    RobustLock lock;  // 384: a mutex's lock
    char reserved2[512 - 384 - sizeof(RobustLock)];
    EventState event;  // 512: an event's state
    char reserved3[1024 - 512 - sizeof(EventState)];
    char path[kPathCapacity];  // 1024: the mapped file's host path
};

static_assert(sizeof(ObjectHeader) == kHeaderBytes, "the header is one page");
static_assert(offsetof(ObjectHeader, lock) == 384, "layout of the object header");
static_assert(offsetof(ObjectHeader, event) == 512, "layout of the object header");
static_assert(offsetof(ObjectHeader, path) == 1024, "layout of the object header");

}  // namespace win::posix::kernel
