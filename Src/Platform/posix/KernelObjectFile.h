// The file that stands for one named kernel object in the namespace folder.
//
// Every object file starts with one page, ObjectHeader; a file mapping over the paging file keeps
// its bytes in the pages after it. Processes map the header shared, so the mutex inside it and the
// informational owner fields are the same memory for every holder. The magic is written last:
// a file without it was never finished and has no holder (its creator died), so it is collected.
// docs/kernel-objects.md describes the layout for people inspecting the folder.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace win::posix::kernel {

constexpr char kMagic[8] = {'H', 'A', 'L', 'C', 'Y', 'O', 'N', 'K'};
constexpr std::uint32_t kLayoutVersion = 1;
constexpr std::size_t kHeaderBytes = 4096;
constexpr std::size_t kNameCapacity = 264;   // names have at most 259 bytes
constexpr std::size_t kPathCapacity = 3072;  // host path of a mapped file

enum class Kind : std::uint32_t { kMutex = 1, kSection = 2 };
enum class Backing : std::uint32_t { kPagingFile = 0, kFile = 1 };

struct ObjectHeader {
    char magic[8];                       // 0: kMagic once the object is complete
    std::uint32_t version;               // 8
    std::uint32_t kind;                  // 12: Kind
    std::uint32_t nameLength;            // 16
    std::uint32_t protect;               // 20: PAGE_* of a mapping
    std::uint64_t size;                  // 24: bytes of a mapping
    std::uint32_t backing;               // 32: Backing of a mapping
    std::uint32_t pathLength;            // 36
    std::uint64_t fileDevice;            // 40: the mapped file's st_dev
    std::uint64_t fileInode;             // 48: and st_ino
    std::atomic<std::int32_t> ownerPid;  // 56: a mutex's owner, 0 when free (informational)
    std::atomic<std::int32_t> ownerTid;  // 60
    char name[kNameCapacity];            // 64: the name as created, zero-padded
    char reserved1[384 - 64 - kNameCapacity];
    pthread_mutex_t mutex;  // 384: robust, process-shared, error-checking
    char reserved2[1024 - 384 - sizeof(pthread_mutex_t)];
    char path[kPathCapacity];  // 1024: the mapped file's host path
};

static_assert(sizeof(ObjectHeader) == kHeaderBytes, "the header is one page");
static_assert(offsetof(ObjectHeader, mutex) == 384, "layout of the object header");
static_assert(offsetof(ObjectHeader, path) == 1024, "layout of the object header");
static_assert(std::atomic<std::int32_t>::is_always_lock_free, "owner fields live in shared memory");

}  // namespace win::posix::kernel
