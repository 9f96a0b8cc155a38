// SPDX-License-Identifier: Apache-2.0
// The one option parser of the tool: a command's arguments read against its table (Command.h).
#pragma once

#include "Command.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace halcyon::tool {

// The operands a form's notation ("NAME [FILE...]", "[INPUT [OUTPUT]]") asks for: `required`
// of them at least, `most` at most (kAnyNumber: no limit), named in order by `names`.
struct OperandCount {
    static constexpr size_t kAnyNumber = static_cast<size_t>(-1);
    size_t required = 0;
    size_t most = 0;
    std::vector<std::string> names;
};
OperandCount CountOperands(const char* notation);

// True when `args` asks for help: "-h" or "--help" before any "--".
bool WantsHelp(const Args& args);

// The form the arguments choose, their options and operands; std::nullopt with the usage error
// in `error`. A command with subcommands takes the subcommand first. Options may come anywhere
// after it until "--": "--name", "--name VALUE" or "--name=VALUE". A value is the next argument
// unless that is missing or is itself a long option ("--count --wait": --count lacks its value;
// "--default=--x" gives such a value). Anything else, "-" and negative numbers included, is an
// operand; a single dash and a letter is an unknown option.
std::optional<Invocation> Parse(const CommandSpec& command, const Args& args, std::string& error);

// "host, push, pop": the subcommands of `command`.
std::string SubcommandList(const CommandSpec& command);

}  // namespace halcyon::tool
