// SPDX-License-Identifier: Apache-2.0
// The manual page halcyon(1), printed in roff from the commands' tables (Command.h), the same
// source as the help: the build runs "halcyon --man FILE" to make it.
#pragma once

#include <cstdio>
#include <string>

namespace halcyon::tool {

// `text` as roff text on one line: backslashes, leading dashes of options and characters
// beyond ASCII escaped, a control character at the start neutralised.
std::string RoffText(const std::string& text);

// The whole page, for the tool of version `version`.
void PrintManual(std::FILE* out, const char* version);

}  // namespace halcyon::tool
