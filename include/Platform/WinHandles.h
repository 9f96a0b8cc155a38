/// \file
/// The Windows types that the exported classes hold: window and module instance handles and a
/// screen point. On Windows they are `<windows.h>`'s own; elsewhere they are declared as
/// `<windows.h>` declares them (a handle is a pointer to a type of its own, a point two signed
/// 32-bit coordinates, x then y).
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The framework's classes have members of these names (COleDateTime::GetCurrentTime); the
// framework's own headers remove the macros as well.
#undef GetCurrentTime
#undef Yield
#else
#include <cstdint>

struct HWND__;
typedef HWND__* HWND;  ///< a window
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;  ///< a module instance

/// A screen point.
typedef struct tagPOINT {
    std::int32_t x;  ///< the column
    std::int32_t y;  ///< the row
} POINT;
#endif
