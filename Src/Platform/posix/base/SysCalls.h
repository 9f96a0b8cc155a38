// The system calls the stand-in makes, reached through one table so that tests can swap an entry
// to inject failures (ENOSPC, EACCES, EMFILE) that are otherwise hard to provoke.
#pragma once

#include <HalcyonApi.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>

namespace win::posix {

struct SysCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void* buf, size_t count);
    ssize_t (*write)(int fd, const void* buf, size_t count);
    int (*fstat)(int fd, struct stat* st);
    int (*ftruncate)(int fd, off_t length);
    int (*flock)(int fd, int operation);
    int (*mkdir)(const char* path, mode_t mode);
    int (*unlink)(const char* path);
    int (*rename)(const char* from, const char* to);
    void* (*mmap)(void* addr, size_t length, int prot, int flags, int fd, off_t offset);
    int (*munmap)(void* addr, size_t length);
    int (*fsync)(int fd);
    int (*fchmod)(int fd, mode_t mode);
    int (*fallocate)(int fd, int mode, off_t offset, off_t length);
    // Calls relative to an open folder: the namespace folder is checked once, on its descriptor,
    // and every name in it is reached through that descriptor.
    int (*openat)(int dirFd, const char* name, int flags, mode_t mode);
    int (*unlinkat)(int dirFd, const char* name, int flags);
    int (*renameat)(int fromDirFd, const char* from, int toDirFd, const char* to);
    int (*linkat)(int fromDirFd, const char* from, int toDirFd, const char* to, int flags);
    int (*fcntl)(int fd, int cmd, struct flock* lock);  // the lock commands only
    // The clocks: CLOCK_REALTIME is the wall clock behind GetLocalTime, GetSystemTime and
    // _time64, so a test that swaps this entry moves the time of day the library sees.
    int (*clock_gettime)(clockid_t clock, timespec* now);
};

// The table in use. Tests replace entries and restore the saved table afterwards.
SysCalls& Sys();

// The table of the real calls, for restoring.
const SysCalls& RealSysCalls();

}  // namespace win::posix
