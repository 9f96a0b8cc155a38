// SPDX-License-Identifier: Apache-2.0
// What the stand-in can tell of the process's memory: the views of file mappings.
#pragma once

#include "Platform/posix/kernel/KernelObjects.h"

namespace win {

struct MEMORY_BASIC_INFORMATION {
    LPVOID BaseAddress;
    LPVOID AllocationBase;
    DWORD AllocationProtect;
    SIZE_T RegionSize;
    DWORD State;
    DWORD Protect;
    DWORD Type;
};
using PMEMORY_BASIC_INFORMATION = MEMORY_BASIC_INFORMATION*;

// Describes the view of a file mapping that holds lpAddress, from the page of lpAddress to the end
// of the view: RegionSize counts whole 4 KiB pages, as on Windows, so the view of a mapping whose
// size is not a multiple of a page reports that size rounded up. AllocationBase is the view's
// address, State MEM_COMMIT, Type MEM_MAPPED, Protect and AllocationProtect the view's
// (PAGE_NOACCESS, PAGE_READONLY, PAGE_READWRITE or PAGE_WRITECOPY). Returns the bytes filled in,
// or 0 with ERROR_BAD_LENGTH when dwLength is shorter than the structure, ERROR_NOACCESS for a
// null lpBuffer, and ERROR_INVALID_PARAMETER when lpAddress lies in no view (the stand-in knows
// no other memory; Windows describes every address of the process).
HALCYON_API SIZE_T VirtualQuery(LPCVOID lpAddress, PMEMORY_BASIC_INFORMATION lpBuffer,
                                SIZE_T dwLength);

}  // namespace win

#define MEM_COMMIT 0x1000UL
#define MEM_MAPPED 0x40000UL
