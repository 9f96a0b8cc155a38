// SPDX-License-Identifier: Apache-2.0
// The reason for a failure in the words people know from their system ("Permission denied"),
// for the tool's messages: the library reports Windows error codes, which mean little to an
// operator on Linux.
#pragma once

#include <string>

namespace halcyon::tool {

// The reason for Windows error code `error` (as GetLastError gives it).
std::string ReasonOfError(unsigned long error);

}  // namespace halcyon::tool
