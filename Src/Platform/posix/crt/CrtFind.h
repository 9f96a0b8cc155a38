// SPDX-License-Identifier: Apache-2.0
// The C runtime's folder functions as the Windows runtime has them, on Windows paths: making a
// folder, removing a file, and listing the names that match a wildcard pattern.
#pragma once

#include "Platform/posix/base/WinTypes.h"
#include "Platform/posix/crt/CrtTime.h"

#include <cstdint>

namespace win {

#define _A_NORMAL 0x00U
#define _A_RDONLY 0x01U
#define _A_HIDDEN 0x02U
#define _A_SUBDIR 0x10U
#define _A_ARCH 0x20U

// One entry of a listing. The size is 32-bit, as "i32" says: larger files show its low bits.
struct _finddata64i32_t {
    unsigned attrib;
    time64_t time_create;
    time64_t time_access;
    time64_t time_write;
    std::uint32_t size;
    char name[MAX_PATH];
};

// Makes one folder (no missing parents). 0; -1 with errno EEXIST when the name exists, ENOENT
// when the parent is missing, EINVAL for a name Windows refuses.
HALCYON_API int _mkdir(const char* dirname);

// Removes a file. 0; -1 with errno ENOENT when missing, EACCES for a folder, a file the user
// may not remove, or one a handle holds without sharing deletion.
HALCYON_API int remove(const char* path);

// Starts a listing of `filespec`, a folder and a pattern of its names, as the Windows runtime
// does it: through FindFirstFileA, with its wildcards and order (files/Wildcards.h,
// files/FindFiles.h). Returns a search handle with the first entry in *fileinfo; -1 with errno
// ENOENT when nothing matches or the folder is missing, EINVAL for a null argument or a bad name.
// The listing is taken at once: names made later do not show.
HALCYON_API std::intptr_t _findfirst64i32(const char* filespec, _finddata64i32_t* fileinfo);

// The next entry of a listing: 0; -1 with errno ENOENT at its end, EINVAL for a bad handle.
HALCYON_API int _findnext64i32(std::intptr_t handle, _finddata64i32_t* fileinfo);

// Ends a listing: 0; -1 with errno EINVAL for a handle that is not open.
HALCYON_API int _findclose(std::intptr_t handle);

}  // namespace win
