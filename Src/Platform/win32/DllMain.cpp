// SPDX-License-Identifier: Apache-2.0
// The library's load and unload on Windows. The C runtime's entry point of the DLL calls DllMain
// after it has built the library's namespace-scope objects at load, and before it destroys them at
// unload.
//
// Load: the namespace-scope objects (the eight status strings, the log registry, the language file
// names) are built empty; the caches, folder tables and locks are built on their first use, and
// nothing is read from disk, as the loader lock is held here.
//
// Unload: a process that ends runs the program's static destructors first and detaches the DLLs
// afterwards, so the namespace-scope objects outlive every caller that is linked to the library.
// The state built on first use (NeverDestroyed) is not destroyed at all: a caller's own static
// destructor, or a module unloaded after this one, may still call the library. When the process
// is ending, its other threads have already been stopped, perhaps inside the library holding one
// of its locks, so nothing here takes a lock or frees state; log lines are on disk already, as
// every line is flushed when written, and Windows closes the handles with the process.
#include "Platform/win32/WinSeam.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved) {
    (void)hInstance;
    (void)dwReason;
    (void)lpReserved;
    return TRUE;
}
