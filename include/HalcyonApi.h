/// \file
/// Export macro of the HalcyonCommon library and of the platform stand-in compiled into it.
///
/// The library is built with hidden visibility; only names marked HALCYON_API are exported.
/// HALCYON_BUILDING is defined while the library itself is compiled; HALCYON_STATIC by programs
/// that link its static build (the tests), which exports nothing.
#pragma once

#if defined(HALCYON_STATIC)
#define HALCYON_API
#elif defined(_WIN32)
#if defined(HALCYON_BUILDING)
#define HALCYON_API __declspec(dllexport)
#else
#define HALCYON_API __declspec(dllimport)
#endif
#else
#define HALCYON_API __attribute__((visibility("default")))
#endif
