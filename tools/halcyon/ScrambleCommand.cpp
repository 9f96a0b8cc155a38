// halcyon scramble / unscramble: the block scrambler over a file or a pipe.
#include "ByteFiles.h"
#include "Command.h"

#include <HalcyonCommon.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace halcyon::tool {
namespace {

const char kScrambleHelp[] =
    "usage: halcyon scramble [INPUT [OUTPUT]]\n"
    "\n"
    "Scrambles the whole of INPUT with the library's block scrambler (s_CodingEncode_2) and\n"
    "writes the result, exactly as long as the input, to OUTPUT. INPUT and OUTPUT default to\n"
    "standard input and output; '-' names them explicitly. The input must be at least 5 bytes.\n";

const char kUnscrambleHelp[] =
    "usage: halcyon unscramble [INPUT [OUTPUT]]\n"
    "\n"
    "Restores bytes scrambled by 'halcyon scramble' (s_CodingDecode_2). INPUT and OUTPUT default\n"
    "to standard input and output; '-' names them explicitly. The input must be at least 5 bytes.\n"
    "Any bytes of that length unscramble to something: the scrambler carries no check.\n";

using Transform = long (*)(long, unsigned char*, unsigned char*);

int Run(const char* command, const char* help, Transform transform, const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(help, stdout);
        return kExitOk;
    }
    if (args.size() > 2) return UsageError(command, "too many arguments");
    BinaryStandardStreams();
    std::string input = args.size() > 0 ? args[0] : "-";
    std::string output = args.size() > 1 ? args[1] : "-";
    std::vector<unsigned char> bytes;
    std::string error;
    if (!ReadAll(input, bytes, error)) {
        std::fprintf(stderr, "halcyon %s: %s\n", command, error.c_str());
        return kExitFailure;
    }
    auto length = static_cast<long>(bytes.size());
    if (transform(length, bytes.data(), bytes.data()) != length) {
        std::fprintf(stderr, "halcyon %s: the input is %ld bytes long; at least 5 are needed\n",
                     command, length);
        return kExitFailure;
    }
    if (!WriteAll(output, bytes.data(), bytes.size(), error)) {
        std::fprintf(stderr, "halcyon %s: %s\n", command, error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

int RunScramble(const Args& args) { return Run("scramble", kScrambleHelp, s_CodingEncode_2, args); }

int RunUnscramble(const Args& args) {
    return Run("unscramble", kUnscrambleHelp, s_CodingDecode_2, args);
}

const Registration kScramble{"scramble", "scramble a file with the block scrambler", RunScramble};
const Registration kUnscramble{"unscramble", "restore a scrambled file", RunUnscramble};

}  // namespace
}  // namespace halcyon::tool
