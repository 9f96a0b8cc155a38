// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/base/SysCalls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

namespace win::posix {
namespace {

int OpenCall(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int OpenAtCall(int dirFd, const char* name, int flags, mode_t mode) {
    return ::openat(dirFd, name, flags, mode);
}
int FcntlCall(int fd, int cmd, struct flock* lock) { return ::fcntl(fd, cmd, lock); }

const SysCalls kReal = {
    OpenCall,    ::close,    ::read,     ::write,    ::fstat,  ::ftruncate, ::flock,
    ::mkdir,     ::unlink,   ::rename,   ::mmap,     ::munmap, ::fsync,     ::fchmod,
    ::fallocate, OpenAtCall, ::unlinkat, ::renameat, ::linkat, FcntlCall,   ::clock_gettime,
};

}  // namespace

SysCalls& Sys() {
    static SysCalls table = kReal;
    return table;
}

const SysCalls& RealSysCalls() { return kReal; }

}  // namespace win::posix
