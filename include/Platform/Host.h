/// \file
/// What a program needs to meet the library on its host system.
#pragma once

#include <HalcyonApi.h>

#include <string>

namespace halcyon {

/// The host's own name for a path that the library returns (a Windows path such as
/// `"Z:\opt\nimbus\DAT\002A"`), for callers that open files with the host's API: on Linux the
/// folder it names there, found as the library finds it; on Windows the path itself.
/// Empty when the path cannot be mapped (an unmapped drive, a name Windows refuses).
HALCYON_API std::string HostPath(const char* path);

/// A message box shown by the library goes to `hook` when one is installed (null: the default).
/// The hook returns the button pressed (IDOK is 1). On Linux the default writes the caption and
/// text to standard error and answers IDOK; GUI programs and tests install their own.
///@{
using MessageBoxHook = int (*)(const char* text, const char* caption, unsigned int type,
                               void* context);
HALCYON_API void SetMessageBoxHook(MessageBoxHook hook, void* context);
///@}

}  // namespace halcyon
