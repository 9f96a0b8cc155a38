// halcyon: the HalcyonCommon library from the shell.
#include "Command.h"

#include <cstdio>
#include <cstring>

namespace {

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: halcyon <command> [arguments]\n"
                 "\n"
                 "The common library of the Halcyon terminal, from the shell.\n"
                 "\n"
                 "commands:\n");
    for (const auto& command : halcyon::tool::Commands()) {
        std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
    }
    std::fprintf(out, "\n'halcyon <command> --help' describes one command.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(stderr);
        return halcyon::tool::kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        PrintHelp(stdout);
        return halcyon::tool::kExitOk;
    }
    for (const auto& command : halcyon::tool::Commands()) {
        if (std::strcmp(argv[1], command.name) == 0) {
            return command.run(halcyon::tool::Args(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "halcyon: unknown command '%s'\n", argv[1]);
    std::fprintf(stderr, "Try 'halcyon --help'.\n");
    return halcyon::tool::kExitUsage;
}
