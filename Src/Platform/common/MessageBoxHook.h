// SPDX-License-Identifier: Apache-2.0
// The message-box hook that halcyon::SetMessageBoxHook installs, for each system's MessageBoxA.
#pragma once

namespace halcyon::platform {

// Shows the box through the installed hook, which sees what Windows would show (a null text is
// empty, a null caption "Error"); false when no hook is installed. Thread-safe.
bool ShowThroughHook(const char* text, const char* caption, unsigned int type, int& answer);

}  // namespace halcyon::platform
