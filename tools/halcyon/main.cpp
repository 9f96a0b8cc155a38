// halcyon: the HalcyonCommon library from the shell.
#include "Command.h"
#include "Help.h"
#include "Manual.h"
#include "Options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef HALCYON_VERSION
#define HALCYON_VERSION "unknown"
#endif

namespace {

using namespace halcyon::tool;

const CommandSpec* Find(const std::string& name) {
    for (const CommandSpec* command : Commands()) {
        if (name == command->name) return command;
    }
    return nullptr;
}

int ToolUsageError(const std::string& message) {
    std::fprintf(stderr, "halcyon: %s\nTry 'halcyon --help'.\n", message.c_str());
    return kExitUsage;
}

int UnknownCommand(const std::string& name) {
    return ToolUsageError("unknown command '" + name + "'");
}

// "halcyon help [CMD]".
int Help(const Args& args) {
    if (args.size() == 1) {
        PrintToolHelp(stdout);
        return kExitOk;
    }
    if (args.size() > 2) return ToolUsageError("unexpected argument '" + args[2] + "'");
    const CommandSpec* command = Find(args[1]);
    if (command == nullptr) return UnknownCommand(args[1]);
    PrintCommandHelp(*command, stdout);
    return kExitOk;
}

// "halcyon --man [FILE]", run by the build: the manual page, to FILE or standard output.
int Manual(const Args& args) {
    if (args.size() > 2) return ToolUsageError("unexpected argument '" + args[2] + "'");
    std::FILE* out = args.size() == 2 ? std::fopen(args[1].c_str(), "wb") : stdout;
    if (out == nullptr) {
        std::fprintf(stderr, "halcyon: cannot create '%s': %s\n", args[1].c_str(),
                     std::strerror(errno));
        return kExitFailure;
    }
    PrintManual(out, HALCYON_VERSION);
    const bool failed = std::ferror(out) != 0;
    if ((out == stdout ? std::fflush(out) : std::fclose(out)) != 0 || failed) {
        std::fprintf(stderr, "halcyon: the manual page could not be written in full\n");
        return kExitFailure;
    }
    return kExitOk;
}

int Dispatch(const CommandSpec& command, const Args& args) {
    if (WantsHelp(args)) {
        PrintCommandHelp(command, stdout);
        return kExitOk;
    }
    std::string error;
    std::optional<Invocation> call = Parse(command, args, error);
    if (!call) return UsageError(command.name, error);
    return call->Chosen().run(*call);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "halcyon: missing command\n");
        PrintToolHelp(stderr);
        return kExitUsage;
    }
    const Args args(argv + 1, argv + argc);
    const std::string& first = args[0];
    if (first == "--help" || first == "-h") return Help({first});
    if (first == "help") return Help(args);
    if (first == "--version") {
        if (args.size() > 1) return ToolUsageError("unexpected argument '" + args[1] + "'");
        std::printf("halcyon %s\n", HALCYON_VERSION);
        return kExitOk;
    }
    if (first == "--man") return Manual(args);
    if (first.compare(0, 1, "-") == 0) return ToolUsageError("unknown option '" + first + "'");
    const CommandSpec* command = Find(first);
    if (command == nullptr) return UnknownCommand(first);
    return Dispatch(*command, Args(args.begin() + 1, args.end()));
}
