// SPDX-License-Identifier: Apache-2.0
// File handles of CreateFileA, and the bookkeeping that removes delete-on-close files.
//
// A file is in use while a file handle, a file mapping or a view of it is open in some process.
// Each of those keeps a descriptor of the file with a shared flock (a view keeps the descriptor
// its mmap came from), so the kernel forgets the use when the user dies. Delete-on-close files
// are recorded in the namespace folder (DeleteOnClose.h).
#pragma once

#include "Platform/posix/base/WinTypes.h"
#include "Platform/posix/kernel/DeleteOnClose.h"

#include <sys/types.h>

#include <string>

namespace win::posix::kernel {

struct FileHandle {
    int fd = -1;
    std::string hostPath;
    DWORD access = 0;  // the rights it was given (kernel/Access.h: the generic ones mapped)
    bool deleteOnClose = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool folder = false;  // a folder, opened with FILE_FLAG_BACKUP_SEMANTICS
};

// Closes the handle's descriptor and frees it; removes the file when it was the last use of a
// delete-on-close file.
void CloseFileHandle(FileHandle* file);

// Opens a new description of `path` that must be the file (device, inode), with a shared flock:
// a use of the file by a mapping or a view, of a mapping that may write it when
// `writableMapping`. -1 with `error` set when the file is gone or was replaced.
int OpenFileUse(const std::string& path, dev_t device, ino_t inode, bool writable,
                bool writableMapping, DWORD& error);

}  // namespace win::posix::kernel
