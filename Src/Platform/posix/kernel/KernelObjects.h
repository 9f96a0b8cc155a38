// Named kernel objects: mutexes, events and file mappings.
//
// Every process of one user that sees the same HALCYON_KERNEL_DIR (default
// $XDG_RUNTIME_DIR/halcyon where that is a private folder, else /dev/shm/halcyon-<uid>) shares one
// namespace of mutexes and file mappings, as the processes of one Windows logon do. The folder
// must be the caller's own (not a link, mode 0700: ERROR_ACCESS_DENIED otherwise) and serves the
// processes of one PID namespace (others get ERROR_NOT_SUPPORTED). Names are used exactly as given
// (case-sensitive, any bytes but NUL, at most 259 of them); "Local\" in front names the same object
// as the bare name, "Global\" is a namespace of its own, and any other backslash is refused
// (ERROR_PATH_NOT_FOUND). A null or empty name makes an unnamed object that only its handles reach.
//
// A name lives while any handle to it is open in any process and disappears with the last one,
// also when its holders were killed: a later create starts fresh, a later open fails with
// ERROR_FILE_NOT_FOUND. Views keep their bytes after the handles are gone, but not the name.
//
// Handles are per process. Any thread may use any handle; closing a handle while another thread
// waits on it lets that wait finish on the object, as on Windows. A process made by fork() without
// exec() inherits its parent's handles, and they keep names alive until it exits or execs.
//
// Results and GetLastError codes follow Windows. What differs:
// - A mapping over the paging file commits its whole size at creation; one that grows its file
//   reserves the file's blocks (ERROR_DISK_FULL on a full disk).
// - Mutexes need the C library's robust futex list (see posix/kernel/RobustLock.h); without it, creating
//   or opening one fails with ERROR_NOT_SUPPORTED.
#pragma once

#include "Platform/posix/base/WinTypes.h"
#include "Platform/posix/handles/Handles.h"

#include <Platform/KernelDiagnostics.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win {

using SIZE_T = std::size_t;

// Mutexes. A mutex belongs to the thread that acquired it, which may acquire it again (each
// acquisition needs its own ReleaseMutex). A thread or process that ends while owning it leaves it
// abandoned: the next acquirer gets WAIT_ABANDONED and owns it.
HALCYON_API HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner,
                                LPCSTR lpName);
HALCYON_API HANDLE OpenMutexA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
// FALSE with ERROR_NOT_OWNER when the calling thread does not own the mutex.
HALCYON_API BOOL ReleaseMutex(HANDLE hMutex);
// WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT, or WAIT_FAILED (GetLastError says why). A file
// handle is always signalled; a file mapping cannot be waited on (ERROR_INVALID_HANDLE).
HALCYON_API DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// Events. An auto-reset event releases one waiter per SetEvent and is clear again; with no waiter
// it stays set until a wait takes it (several SetEvent calls before a wait count once). A
// manual-reset event releases every waiter and stays set until ResetEvent. Creating an existing
// name returns that event, its type and state unchanged, with ERROR_ALREADY_EXISTS; a name held
// by a mutex or mapping gives ERROR_INVALID_HANDLE. WaitForSingleObject on an event returns
// WAIT_OBJECT_0 or WAIT_TIMEOUT: events are never abandoned.
HALCYON_API HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                BOOL bInitialState, LPCSTR lpName);
HALCYON_API HANDLE OpenEventA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
HALCYON_API BOOL SetEvent(HANDLE hEvent);
HALCYON_API BOOL ResetEvent(HANDLE hEvent);

// File mappings over the paging file (hFile INVALID_HANDLE_VALUE; the size must not be 0) or over
// a file handle (size 0 takes the file's size; a larger size grows the file). A new mapping is
// zero-filled. Creating an existing name returns that mapping, with its own size, protection and
// contents, and sets ERROR_ALREADY_EXISTS.
HALCYON_API HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpAttributes,
                                      DWORD flProtect, DWORD dwMaximumSizeHigh,
                                      DWORD dwMaximumSizeLow, LPCSTR lpName);
HALCYON_API HANDLE OpenFileMappingA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
// Maps dwNumberOfBytesToMap bytes (0: up to the end) from an offset that is a multiple of 64 KiB.
// Views of one mapping, in any process, see each other's writes at once.
HALCYON_API LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess,
                                 DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                                 SIZE_T dwNumberOfBytesToMap);
// lpBaseAddress must be an address MapViewOfFile returned (ERROR_INVALID_ADDRESS otherwise).
HALCYON_API BOOL UnmapViewOfFile(LPCVOID lpBaseAddress);

}  // namespace win

#define WAIT_OBJECT_0 0x00000000UL
#define WAIT_ABANDONED 0x00000080UL
#define WAIT_TIMEOUT 0x00000102UL
#define WAIT_FAILED 0xFFFFFFFFUL
#define INFINITE 0xFFFFFFFFUL

#define SYNCHRONIZE 0x00100000UL
#define STANDARD_RIGHTS_REQUIRED 0x000F0000UL
#define MUTEX_MODIFY_STATE 0x0001UL
#define MUTEX_ALL_ACCESS 0x001F0001UL
#define EVENT_MODIFY_STATE 0x0002UL
#define EVENT_ALL_ACCESS 0x001F0003UL

#define PAGE_NOACCESS 0x01UL
#define PAGE_READONLY 0x02UL
#define PAGE_READWRITE 0x04UL
#define PAGE_WRITECOPY 0x08UL
#define SEC_COMMIT 0x08000000UL
#define SEC_RESERVE 0x04000000UL

#define FILE_MAP_COPY 0x0001UL
#define FILE_MAP_WRITE 0x0002UL
#define FILE_MAP_READ 0x0004UL
#define FILE_MAP_ALL_ACCESS 0x000F001FUL
