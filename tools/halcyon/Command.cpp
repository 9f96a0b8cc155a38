#include "Command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace halcyon::tool {
namespace {

std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

}  // namespace

Registration::Registration(const char* name, const char* summary, Run run) {
    auto& commands = Registry();
    commands.push_back({name, summary, run});
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
}

const std::vector<Command>& Commands() { return Registry(); }

int UsageError(const char* command, const std::string& message) {
    std::fprintf(stderr, "halcyon %s: %s\n", command, message.c_str());
    std::fprintf(stderr, "Try 'halcyon %s --help'.\n", command);
    return kExitUsage;
}

bool WantsHelp(const Args& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "-h" || a == "--help"; });
}

bool ParseNumber(const std::string& text, long low, long high, long& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

}  // namespace halcyon::tool
