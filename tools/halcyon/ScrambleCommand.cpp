// halcyon scramble / unscramble: the block scrambler over a file or a pipe.
#include "Command.h"

#include <HalcyonCommon.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

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

// Scrambled bytes are binary: Windows must not turn line feeds on the pipes into CR LF.
void BinaryStandardStreams() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

bool ReadAll(const std::string& name, std::vector<unsigned char>& bytes, std::string& error) {
    std::FILE* in = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
    if (in == nullptr) {
        error = "cannot open '" + name + "': " + std::strerror(errno);
        return false;
    }
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    bool failed = std::ferror(in) != 0;
    if (in != stdin) std::fclose(in);
    if (failed) error = "cannot read '" + name + "'";
    return !failed;
}

bool WriteAll(const std::string& name, const std::vector<unsigned char>& bytes,
              std::string& error) {
    std::FILE* out = name == "-" ? stdout : std::fopen(name.c_str(), "wb");
    if (out == nullptr) {
        error = "cannot create '" + name + "': " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    ok = (out == stdout ? std::fflush(out) : std::fclose(out)) == 0 && ok;
    if (!ok) error = "cannot write '" + name + "'";
    return ok;
}

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
    if (!WriteAll(output, bytes, error)) {
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
