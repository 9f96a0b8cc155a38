/// \file
/// Named mutexes, and the test whether another instance of a task is running.
///
/// A mutex is a named kernel mutex shared by every process of the same logon (on Linux: of the same
/// HALCYON_KERNEL_DIR), handed around as an untyped handle. A null handle means there is none, and
/// every function accepts it. The mutex belongs to the thread that acquired it, which may acquire
/// it again; each successful s_MutexWait is paired with one s_MutexReset. The functions keep no
/// state of their own; any thread may call them.
///
/// Abandoned mutexes: when a thread or process ends while owning the mutex, the next wait gets it
/// as "abandoned". s_MutexWait then releases it again and returns false, the result the wait has
/// always given for that case, so that callers, which use and release the mutex only after a
/// true result, never leave it held: the next wait, in any process, gets it normally.
#pragma once

#include <HalcyonCommon/Export.h>

/// A handle to the mutex lpszName, created if it does not exist yet (not owned); an existing one is
/// opened. Null for a null name or when the system refuses (see CreateMutexA).
HALCYON_API void* s_MutexCreate(const char* lpszName);

/// A handle to the existing mutex lpszName, with full access; null when there is none or the name
/// is null.
HALCYON_API void* s_MutexOpen(const char* lpszName);

/// Acquires the mutex: waits as long as it takes when bWait is true, does not wait at all when it
/// is false. True only when the caller now owns it; false for a null or closed handle, a mutex
/// owned by another thread (bWait false), and an abandoned mutex (released again, see above).
HALCYON_API bool s_MutexWait(void* hMutex, bool bWait);

/// Releases the mutex once; a null handle, or a mutex the caller does not own, is ignored.
HALCYON_API void s_MutexReset(void* hMutex);

/// Closes the handle; a null handle is ignored.
HALCYON_API void s_MutexClose(void* hMutex);

/// True when no other instance holds the task name lpszTaskName: the caller is the first, and from
/// now on holds the name for the rest of its life (a 32-byte read-only paging-file mapping of that
/// name). False when another instance holds it (or this process already asked), and on failure; a
/// null name is reported through TQVerify first.
HALCYON_API bool s_AppInfoCheckPrevInstance(const char* lpszTaskName);
