// The seam on Windows: win::Name is the system's own ::Name.
//
// Types and functions enter namespace win by using-declarations; constants are the macros of
// <windows.h>, spelled as the library spells them. fopen, fopen_s, _fsopen (with the flags of
// <share.h>) and _mbstok are the C runtime's. The one function of our own is MessageBoxA, which
// offers the box to the hook installed with halcyon::SetMessageBoxHook before it shows it
// (Desktop.cpp).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <HalcyonCommon/Export.h>

#include <mbstring.h>
#include <share.h>

#include <cstdio>

// <windows.h> makes these function-like macros; the framework's classes have members of the same
// names (COleDateTime::GetCurrentTime), so they go, as the framework's own headers remove them.
#undef GetCurrentTime
#undef Yield

namespace win {

// Types.
using ::BOOL;
using ::BYTE;
using ::DWORD;
using ::HANDLE;
using ::HMODULE;
using ::HWND;
using ::LONG;
using ::LPCSTR;
using ::LPCVOID;
using ::LPSECURITY_ATTRIBUTES;
using ::LPSTR;
using ::LPVOID;
using ::SECURITY_ATTRIBUTES;
using ::SIZE_T;
using ::SYSTEMTIME;
using ::UINT;
using ::WORD;

// Errors.
using ::GetLastError;
using ::SetLastError;

// Paths and files.
using ::CreateDirectoryA;
using ::DeleteFileA;
using ::GetCurrentDirectoryA;
using ::GetFileAttributesA;
using ::GetModuleFileNameA;
using ::RemoveDirectoryA;

// Kernel objects: mutexes, file mappings, and the file handles they stand on.
using ::CloseHandle;
using ::CreateFileA;
using ::CreateFileMappingA;
using ::CreateMutexA;
using ::GetTempFileNameA;
using ::MapViewOfFile;
using ::OpenFileMappingA;
using ::OpenMutexA;
using ::ReleaseMutex;
using ::UnmapViewOfFile;
using ::WaitForSingleObject;

// Reading, writing and positioning files.
using ::FlushFileBuffers;
using ::GetFileSize;
using ::LPDWORD;
using ::PLONG;
using ::ReadFile;
using ::SetEndOfFile;
using ::SetFilePointer;
using ::WriteFile;

// Time.
using ::GetLocalTime;
using ::GetSystemTime;
using ::GetTickCount;
using ::Sleep;

// Code pages.
using ::GetACP;
using ::IsDBCSLeadByte;
using ::IsDBCSLeadByteEx;

// The C runtime.
using ::_fsopen;
using ::_mbstok;
using ::fopen;
using ::fopen_s;

// Private profiles.
using ::GetPrivateProfileIntA;
using ::GetPrivateProfileSectionA;
using ::GetPrivateProfileSectionNamesA;
using ::GetPrivateProfileStringA;
using ::WritePrivateProfileStringA;

// The desktop. Shows the box unless a hook takes it; returns the button pressed.
HALCYON_API int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

}  // namespace win
