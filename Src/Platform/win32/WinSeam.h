// The seam on Windows: win::Name is the system's own ::Name.
//
// Types and functions enter namespace win by using-declarations; constants are the macros of
// <windows.h>, spelled as the library spells them. The C runtime's functions (fopen, _fsopen with
// the flags of <share.h>, _mkdir, _findfirst64i32, _time64, _mbstok, …) are its own; time64_t is
// its __time64_t. The one function of our own is MessageBoxA, which offers the box to the hook
// installed with halcyon::SetMessageBoxHook before it shows it (Desktop.cpp).
#pragma once

// <windows.h> as the exported classes see it (lean, no min/max macros, none of the macros that
// clash with the framework's member names).
#include <Platform/WinHandles.h>

#include <HalcyonApi.h>

#include <direct.h>
#include <io.h>
#include <mbstring.h>
#include <share.h>

#include <cstdio>
#include <ctime>

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
using ::LPPOINT;
using ::LPSECURITY_ATTRIBUTES;
using ::LPSTR;
using ::LPVOID;
using ::MEMORY_BASIC_INFORMATION;
using ::POINT;
using ::RECT;
using ::SECURITY_ATTRIBUTES;
using ::SIZE_T;
using ::SYSTEMTIME;
using ::UINT;
using ::WCHAR;
using ::WORD;

// Errors.
using ::GetLastError;
using ::SetLastError;

// Paths and files.
using ::CreateDirectoryA;
using ::DeleteFileA;
using ::FindClose;
using ::FindFirstFileA;
using ::FindNextFileA;
using ::GetCurrentDirectoryA;
using ::GetFileAttributesA;
using ::GetModuleFileNameA;
using ::GetModuleHandleA;
using ::LPWIN32_FIND_DATAA;
using ::RemoveDirectoryA;
using ::WIN32_FIND_DATAA;

// Kernel objects: mutexes, events, file mappings, and the file handles they stand on.
using ::CloseHandle;
using ::CreateEventA;
using ::CreateFileA;
using ::CreateFileMappingA;
using ::CreateMutexA;
using ::GetTempFileNameA;
using ::MapViewOfFile;
using ::OpenEventA;
using ::OpenFileMappingA;
using ::OpenMutexA;
using ::ReleaseMutex;
using ::ResetEvent;
using ::SetEvent;
using ::UnmapViewOfFile;
using ::VirtualQuery;
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
using ::GetTimeZoneInformation;
using ::LPTIME_ZONE_INFORMATION;
using ::Sleep;
using ::TIME_ZONE_INFORMATION;

// Code pages.
using ::GetACP;
using ::IsDBCSLeadByte;
using ::IsDBCSLeadByteEx;

// The C runtime.
using ::_findclose;
using ::_finddata64i32_t;
using ::_findfirst64i32;
using ::_findnext64i32;
using ::_fsopen;
using ::_mbstok;
using ::_mkdir;
using ::fopen;
using ::fopen_s;
using ::remove;
using time64_t = ::__time64_t;
using ::_difftime64;
using ::_localtime64_s;
using ::_time64;

// Private profiles.
using ::GetPrivateProfileIntA;
using ::GetPrivateProfileSectionA;
using ::GetPrivateProfileSectionNamesA;
using ::GetPrivateProfileStringA;
using ::WritePrivateProfileStringA;

// The desktop. Shows the box unless a hook takes it; returns the button pressed.
HALCYON_API int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
using ::DestroyWindow;
using ::GetCursorPos;
using ::GetDesktopWindow;
using ::InvalidateRect;
using ::IsWindow;
using ::SetCursorPos;
using ::ShowCursor;
using ::UpdateWindow;

}  // namespace win
