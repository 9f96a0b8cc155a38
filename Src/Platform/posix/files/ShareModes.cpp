// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/files/ShareModes.h"

#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/Files.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

namespace win::posix {
namespace {

// The lock bytes, far past the data so that they never meet a lock of the file's own contents.
// An open records itself first in the tentative set, checks, and only then in the standing set.
//
// What an open denies, and its reading, it records with a read lock on the slot's byte, which
// any descriptor may take: on Windows too any reader may deny the others what it likes. Writing
// and deleting are recorded with a write lock, which only a descriptor open for writing can take,
// on a byte of its own in the slot's range (write locks of two opens on one byte would clash), so
// that an open that only reads can never pass for a writer and keep the real writers out.
constexpr off_t kLockBase = 0x7FFFFFFFFFFF0000LL;
constexpr off_t kStanding = kLockBase;
constexpr off_t kTentative = kLockBase + 8;
constexpr off_t kMapped = kLockBase + 16;
constexpr off_t kMappedWritable = kLockBase + 17;
constexpr off_t kDenies = 3;  // slots 0-2: has read, write, delete; 3-5: denies them
constexpr off_t kRangeLength = 0x1000;
constexpr int kByteTries = 16;

constexpr DWORD kReadRights = GENERIC_READ | GENERIC_ALL | 0x20000000UL /* GENERIC_EXECUTE */ |
                              0x0001UL /* FILE_READ_DATA */ | 0x0020UL /* FILE_EXECUTE */;
constexpr DWORD kWriteRights =
    GENERIC_WRITE | GENERIC_ALL | 0x0002UL /* FILE_WRITE_DATA */ | 0x0004UL /* FILE_APPEND_DATA */;
constexpr DWORD kDeleteRights = DELETE | GENERIC_ALL;
constexpr DWORD kAllShares = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Two opens racing through their checks both back off; the one that comes back first wins.
constexpr int kAttempts = 200;

std::minstd_rand& Random() {
    thread_local std::minstd_rand random(static_cast<unsigned>(
        std::hash<std::thread::id>()(std::this_thread::get_id()) ^
        static_cast<std::size_t>(std::chrono::steady_clock::now().time_since_epoch().count())));
    return random;
}

int Lock(int fd, short type, off_t at, off_t length = 1) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = at;
    lock.l_len = length;
    return Sys().fcntl(fd, F_OFD_SETLK, &lock);
}

// Whether another description holds a lock on [at, at + length) that a lock of type `probe`
// would meet: F_WRLCK finds every lock, F_RDLCK write locks only. Its own locks never count.
bool HeldElsewhere(int fd, off_t at, off_t length = 1, short probe = F_WRLCK) {
    struct flock lock = {};
    lock.l_type = probe;
    lock.l_whence = SEEK_SET;
    lock.l_start = at;
    lock.l_len = length;
    return Sys().fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

bool IsAccessSlot(off_t slot) { return slot == 1 || slot == 2; }  // write, delete

// The range of bytes in which the opens of set `set` with access slot `slot` lock one each.
off_t AccessRange(off_t set, off_t slot) {
    return kLockBase + kRangeLength * ((set == kStanding ? 1 : 3) + slot - 1);
}

// The slots an open with `access` and `share` holds, as a mask of bits 0-5.
unsigned Slots(DWORD access, DWORD share) {
    return (access & kAllShares) | ((~share & kAllShares) << kDenies);
}

// The slots that clash with such an open: the denials of its access, the access it denies.
unsigned ClashingSlots(DWORD access, DWORD share) {
    return ((access & kAllShares) << kDenies) | (~share & kAllShares);
}

void Release(int fd, off_t set, unsigned slots) {
    for (off_t slot = 0; slot < 2 * kDenies; ++slot) {
        if ((slots & (1U << slot)) == 0) continue;
        if (IsAccessSlot(slot)) {
            Lock(fd, F_UNLCK, AccessRange(set, slot), kRangeLength);
        } else {
            Lock(fd, F_UNLCK, set + slot);
        }
    }
}

// Write-locks a byte of the range of `slot` in `set`. False only where the file system has no
// such locks; a descriptor that cannot write, or a range others have filled, leaves no mark.
bool PlaceAccess(int fd, off_t set, off_t slot) {
    for (int tried = 0; tried < kByteTries; ++tried) {
        off_t at = AccessRange(set, slot) + static_cast<off_t>(Random()() % kRangeLength);
        if (Lock(fd, F_WRLCK, at) == 0) return true;
        if (errno == EBADF) return true;  // not open for writing: it has no such access to mark
        if (errno != EAGAIN && errno != EACCES) return false;
    }
    return true;
}

bool Place(int fd, off_t set, unsigned slots) {
    for (off_t slot = 0; slot < 2 * kDenies; ++slot) {
        if ((slots & (1U << slot)) == 0) continue;
        bool placed =
            IsAccessSlot(slot) ? PlaceAccess(fd, set, slot) : Lock(fd, F_RDLCK, set + slot) == 0;
        if (!placed) {
            Release(fd, set, slots);
            return false;
        }
    }
    return true;
}

bool Clashes(int fd, off_t set, unsigned slots) {
    for (off_t slot = 0; slot < 2 * kDenies; ++slot) {
        if ((slots & (1U << slot)) == 0) continue;
        bool held = IsAccessSlot(slot)
                        ? HeldElsewhere(fd, AccessRange(set, slot), kRangeLength, F_RDLCK)
                        : HeldElsewhere(fd, set + slot);
        if (held) return true;
    }
    return false;
}

void BackOff(int attempt) {
    int limit = 20 + 10 * std::min(attempt, 50);
    std::this_thread::sleep_for(std::chrono::microseconds(Random()() % limit));
}

}  // namespace

DWORD ShareAccessOf(DWORD desiredAccess) {
    DWORD access = 0;
    if ((desiredAccess & kReadRights) != 0) access |= FILE_SHARE_READ;
    if ((desiredAccess & kWriteRights) != 0) access |= FILE_SHARE_WRITE;
    if ((desiredAccess & kDeleteRights) != 0) access |= FILE_SHARE_DELETE;
    return access;
}

int OpenShareable(const char* path, int flags, mode_t mode) {
    if ((flags & O_ACCMODE) != O_WRONLY) return Sys().open(path, flags, mode);
    int fd = Sys().open(path, (flags & ~O_ACCMODE) | O_RDWR, mode);
    if (fd >= 0 || errno != EACCES) return fd;
    return Sys().open(path, flags, mode);
}

DWORD ClaimShareAccess(int fd, DWORD access, DWORD share) {
    if ((access & kAllShares) == 0) return ERROR_SUCCESS;  // attributes only: no part in it
    if ((share & FILE_SHARE_WRITE) == 0 && HeldElsewhere(fd, kMappedWritable)) {
        return ERROR_SHARING_VIOLATION;
    }
    unsigned slots = Slots(access, share);
    unsigned clashing = ClashingSlots(access, share);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // Without locks on this file system (or this descriptor) there is nothing to go by.
        if (!Place(fd, kTentative, slots)) return ERROR_SUCCESS;
        if (Clashes(fd, kStanding, clashing)) {
            Release(fd, kTentative, slots);
            return ERROR_SHARING_VIOLATION;
        }
        // An open checking at the same time: one of the two sees the other and backs off.
        bool racing = Clashes(fd, kTentative, clashing);
        if (!racing) Place(fd, kStanding, slots);  // failing, it leaves the open unchecked
        Release(fd, kTentative, slots);
        if (!racing) return ERROR_SUCCESS;
        BackOff(attempt);
    }
    return ERROR_SHARING_VIOLATION;
}

void MarkMapped(int fd, bool writable) {
    Lock(fd, F_RDLCK, kMapped);
    if (writable) Lock(fd, F_RDLCK, kMappedWritable);
}

bool IsMappedElsewhere(int fd) { return HeldElsewhere(fd, kMapped); }

}  // namespace win::posix
