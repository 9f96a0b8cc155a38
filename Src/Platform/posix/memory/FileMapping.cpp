// SPDX-License-Identifier: Apache-2.0
// File mappings: CreateFileMappingA and OpenFileMappingA (their views: Views.cpp).
//
// A mapping over the paging file keeps its bytes in its object file, after the header; a mapping
// over a file records the file's host path and identity in the header, and every process that
// holds the mapping keeps a use of that file (FileHandles.h), which its views in that process
// share: they are mapped from the use's description, and the use lasts until the last handle and
// the last view are gone. Views are mmaps of those files, shared between processes, so writes are
// seen at once everywhere.
//
// Descriptors: a mapping over a file takes two per process (the name's hold and the use of the
// file), a named mapping over the paging file one (its views are mapped from a description opened
// for the call and closed again), whatever the number of views.
#include "Platform/posix/base/Errors.h"
#include "Platform/posix/base/SysCalls.h"
#include "Platform/posix/files/FileHandles.h"
#include "Platform/posix/kernel/Access.h"
#include "Platform/posix/kernel/ByName.h"
#include "Platform/posix/kernel/KernelObjects.h"
#include "Platform/posix/kernel/Registry.h"
#include "Platform/posix/memory/Memory.h"
#include "Platform/posix/memory/Protection.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace win {
namespace posix::kernel {
namespace {

constexpr std::uint64_t kPageBytes = 4096;
constexpr std::uint64_t kMaxSectionBytes = 1ULL << 46;
constexpr DWORD kSecImage = 0x01000000;
constexpr DWORD kSecNoCache = 0x10000000;
constexpr DWORD kSecWriteCombine = 0x40000000;
constexpr DWORD kSectionFlags = SEC_COMMIT | SEC_RESERVE | kSecNoCache | kSecWriteCombine;
constexpr DWORD kErrorBadExeFormat = 193;

// Whether `flags` (the section flags of a protection) make a section Windows agrees to: one of
// SEC_COMMIT and SEC_RESERVE at most, the caching flags only beside one of them, not both.
bool ValidSectionFlags(DWORD flags) {
    DWORD kind = flags & (SEC_COMMIT | SEC_RESERVE);
    DWORD caching = flags & (kSecNoCache | kSecWriteCombine);
    if (kind == (SEC_COMMIT | SEC_RESERVE)) return false;
    if (caching == (kSecNoCache | kSecWriteCombine)) return false;
    return caching == 0 || kind != 0;
}

// The protection without its section flags, or the error of a value Windows refuses. An image
// section needs an executable's file, which the stand-in never has.
DWORD BaseProtection(DWORD protect, DWORD& base) {
    base = protect & 0xFFUL;
    DWORD flags = protect & ~0xFFUL;
    if ((flags & kSecImage) != 0) return kErrorBadExeFormat;
    if ((flags & ~kSectionFlags) != 0 || !ValidSectionFlags(flags)) return ERROR_INVALID_PARAMETER;
    switch (base) {
        case PAGE_READONLY:
        case PAGE_READWRITE:
        case PAGE_WRITECOPY:
        case kPageExecuteRead:
        case kPageExecuteReadWrite:
        case kPageExecuteWriteCopy:
            return ERROR_SUCCESS;
        default:
            return ERROR_INVALID_PARAMETER;
    }
}

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t unit) {
    return (value + unit - 1) / unit * unit;
}

// Sets the thread's error and gives the null handle of a failed call.
HANDLE Refuse(DWORD error) {
    SetLastError(error);
    return nullptr;
}

// A named mapping over the paging file keeps no description for its views when one can be
// opened for each; an unnamed one, which /proc may not reach, keeps its own.
void DropDataWhenReopenable(KernelObject& object) {
    int probe = ReopenObjectData(object);
    if (probe < 0) return;
    Sys().close(probe);
    Sys().close(object.file.dataFd);
    object.file.dataFd = -1;
}

// This process's view of the object's header: size, protection, and the use of a mapped file.
DWORD AttachSection(KernelObject& object) {
    const ObjectHeader& header = *object.file.header;
    object.size = header.size;
    object.protect = header.protect;
    object.fileBacked = header.backing == static_cast<std::uint32_t>(Backing::kFile);
    if (!object.fileBacked) {
        DropDataWhenReopenable(object);
        return ERROR_SUCCESS;
    }
    // The views map the file itself, from the use below: the object file's data is not needed.
    Sys().close(object.file.dataFd);
    object.file.dataFd = -1;
    object.filePath.assign(header.path, std::min<std::size_t>(header.pathLength, kPathCapacity));
    object.fileDevice = static_cast<dev_t>(header.fileDevice);
    object.fileInode = static_cast<ino_t>(header.fileInode);
    DWORD error;
    bool writable = Writable(object.protect);
    object.fileUseFd = OpenFileUse(object.filePath, object.fileDevice, object.fileInode, writable,
                                   writable, error);
    return object.fileUseFd < 0 ? error : ERROR_SUCCESS;
}

// Grows the file to `size` with its blocks reserved, so that a full disk fails the mapping here
// instead of killing the process (SIGBUS) at its first write to a view. A file system without
// preallocation only gets the size.
DWORD GrowFile(int fd, std::uint64_t size) {
    auto length = static_cast<off_t>(size);
    int rc = Sys().fallocate(fd, 0, 0, length);
    if (rc != 0 && (errno == EOPNOTSUPP || errno == ENOSYS)) rc = Sys().ftruncate(fd, length);
    if (rc == 0) return ERROR_SUCCESS;
    return errno == ENOSPC || errno == EFBIG ? ERROR_DISK_FULL : ErrorFromErrno(errno);
}

// A new mapping over `file`: takes the file's size when none is asked, grows it otherwise.
DWORD InitFileSection(ObjectHeader& header, const FileHandle& file, DWORD base,
                      std::uint64_t size) {
    struct stat st;
    if (Sys().fstat(file.fd, &st) != 0) return ErrorFromErrno(errno);
    auto fileSize = static_cast<std::uint64_t>(st.st_size);
    if (size == 0) size = fileSize;
    if (size == 0) return ERROR_FILE_INVALID;
    if (size > kMaxSectionBytes) return ERROR_NOT_ENOUGH_MEMORY;
    if (size > fileSize) {
        if (!Writable(base)) return ERROR_NOT_ENOUGH_MEMORY;
        DWORD error = GrowFile(file.fd, size);
        if (error != ERROR_SUCCESS) return error;
    }
    if (file.hostPath.size() > kPathCapacity) return ERROR_FILENAME_EXCED_RANGE;
    header.size = size;
    header.protect = base;
    header.backing = static_cast<std::uint32_t>(Backing::kFile);
    header.pathLength = static_cast<std::uint32_t>(file.hostPath.size());
    std::memcpy(header.path, file.hostPath.data(), file.hostPath.size());
    header.fileDevice = st.st_dev;
    header.fileInode = st.st_ino;
    return ERROR_SUCCESS;
}

// The file handle a mapping is asked over, with the rights the protection needs: reading the data
// always, writing it for a read-write mapping, running it for an executable one.
DWORD SectionFile(HANDLE hFile, DWORD base, FileHandle*& file) {
    HandleRef ref;
    if (!LookupHandle(hFile, ref) || ref.kind != HandleKind::kFile) return ERROR_INVALID_HANDLE;
    file = static_cast<FileHandle*>(ref.target);
    DWORD needed = kFileReadData | (Writable(base) ? kFileWriteData : 0) |
                   (Executable(base) ? kFileExecute : 0);
    if (file->folder || !Allows(file->access, needed)) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// How to make the mapping if its name is new.
DWORD SectionRequest(FileHandle* file, DWORD base, std::uint64_t size, CreateRequest& request) {
    if (file != nullptr) {
        request.init = [file, base, size](ObjectHeader& h) {
            return InitFileSection(h, *file, base, size);
        };
        return ERROR_SUCCESS;
    }
    if (size == 0) return ERROR_INVALID_PARAMETER;
    if (size > kMaxSectionBytes) return ERROR_NOT_ENOUGH_MEMORY;
    request.dataBytes = RoundUp(size, kPageBytes);
    request.init = [base, size](ObjectHeader& h) {
        h.size = size;
        h.protect = base;
        h.backing = static_cast<std::uint32_t>(Backing::kPagingFile);
        return ERROR_SUCCESS;
    };
    return ERROR_SUCCESS;
}

// The rights a create's handle gets, as Windows asks for them from the protection: reading and
// querying (which copying needs) always, writing and running as the protection allows. Creating
// an existing name with another protection gives a handle of those rights to that mapping.
DWORD CreateRights(DWORD base) {
    return kStandardRights | kSectionQuery | kSectionMapRead |
           (Writable(base) ? kSectionMapWrite : 0) | (Executable(base) ? kSectionMapExecute : 0);
}

constexpr ObjectType kSectionType{Kind::kSection, HandleKind::kSection, AttachSection};

}  // namespace
}  // namespace posix::kernel

using namespace posix::kernel;

HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect,
                          DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) {
    DWORD base;
    DWORD error = BaseProtection(flProtect, base);
    if (error != ERROR_SUCCESS) return Refuse(error);
    std::uint64_t size = (static_cast<std::uint64_t>(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    // A null file, like INVALID_HANDLE_VALUE, is none: the mapping lives in the paging file.
    bool overFile = hFile != INVALID_HANDLE_VALUE && hFile != nullptr;
    auto prepare = [hFile, overFile, base, size](CreateRequest& request) {
        FileHandle* file = nullptr;
        DWORD refused;
        if (overFile && (refused = SectionFile(hFile, base, file)) != ERROR_SUCCESS) {
            return refused;
        }
        return SectionRequest(file, base, size, request);
    };
    return CreateByName(kSectionType, lpName, prepare, CreateRights(base));
}

HANDLE OpenFileMappingA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    return OpenByName(kSectionType, lpName, dwDesiredAccess);
}

}  // namespace win
