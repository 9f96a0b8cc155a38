#include "Command.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace halcyon::tool {
namespace {

std::vector<const CommandSpec*>& Registry() {
    static std::vector<const CommandSpec*> commands;
    return commands;
}

}  // namespace

Registration::Registration(const CommandSpec& command) {
    auto& commands = Registry();
    commands.push_back(&command);
    std::sort(commands.begin(), commands.end(), [](const CommandSpec* a, const CommandSpec* b) {
        return std::strcmp(a->name, b->name) < 0;
    });
}

const std::vector<const CommandSpec*>& Commands() { return Registry(); }

std::string Invocation::Value(const char* option, const std::string& fallback) const {
    auto it = values_.find(option);
    return it == values_.end() ? fallback : it->second;
}

long Invocation::Number(const char* option, long fallback) const {
    auto it = values_.find(option);
    if (it == values_.end()) return fallback;
    long value = fallback;
    ParseNumber(it->second, LONG_MIN, LONG_MAX, value);
    return value;
}

int Invocation::BadArgument(const std::string& argument, const std::string& why) const {
    return UsageError(command_->name, "bad argument '" + argument + "': " + why);
}

int UsageError(const char* command, const std::string& message) {
    std::fprintf(stderr, "halcyon %s: %s\n", command, message.c_str());
    std::fprintf(stderr, "Try 'halcyon help %s'.\n", command);
    return kExitUsage;
}

bool ParseNumber(const std::string& text, long low, long high, long& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    errno = 0;
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

}  // namespace halcyon::tool
