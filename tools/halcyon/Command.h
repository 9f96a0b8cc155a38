// Subcommands of the halcyon tool. Each lives in a file of its own and registers itself:
//
//     static const halcyon::tool::Registration kPaths{"paths", "print the installation's folders",
//                                                     RunPaths};
//
// A subcommand gets the arguments after its name, prints its own --help, writes results to
// standard output and errors to standard error, and returns the process's exit code.
#pragma once

#include <string>
#include <vector>

namespace halcyon::tool {

using Args = std::vector<std::string>;
using Run = int (*)(const Args& args);

struct Command {
    const char* name;
    const char* summary;
    Run run;
};

struct Registration {
    Registration(const char* name, const char* summary, Run run);
};

const std::vector<Command>& Commands();

// Exit codes shared by the subcommands.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Writes "halcyon <command>: <message>" to standard error and returns kExitUsage.
int UsageError(const char* command, const std::string& message);

// True when `args` asks for help (-h or --help anywhere).
bool WantsHelp(const Args& args);

// Parses a whole decimal number in [low, high]; false for anything else.
bool ParseNumber(const std::string& text, long low, long high, long& value);

}  // namespace halcyon::tool
