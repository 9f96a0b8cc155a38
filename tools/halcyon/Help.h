// SPDX-License-Identifier: Apache-2.0
// The tool's help, printed from the commands' tables (Command.h).
#pragma once

#include "Command.h"

#include <cstdio>
#include <string>
#include <vector>

namespace halcyon::tool {

// "halcyon queue push NAME [FILE...]": a form's usage with its visible options.
std::string UsageLine(const CommandSpec& command, const Form& form);

// `text`'s paragraphs (separated by '\n') as lines of at most `width` bytes, words kept whole.
std::vector<std::string> Wrap(const std::string& text, size_t width);

// The list of commands, for "halcyon --help".
void PrintToolHelp(std::FILE* out);

// One command's help, for "halcyon help CMD" and "halcyon CMD --help".
void PrintCommandHelp(const CommandSpec& command, std::FILE* out);

}  // namespace halcyon::tool
