// Whole files of bytes for the subcommands that transform one: "-" names standard input or
// standard output. Failures come back as a message in `error`.
#pragma once

#include "Command.h"
#include "Progress.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace halcyon::tool {

// Switches standard input and output to binary, so that Windows does not turn line feeds into
// CR LF on the pipes; nothing to do elsewhere.
void BinaryStandardStreams();

// Appends the whole of `name` to `bytes`, counting what it reads in `progress` when given.
template <typename Byte>
bool ReadAll(const std::string& name, std::vector<Byte>& bytes, std::string& error,
             Progress* progress = nullptr) {
    static_assert(sizeof(Byte) == 1, "bytes");
    std::FILE* in = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
    if (in == nullptr) {
        error = "cannot open '" + name + "': " + std::strerror(errno);
        return false;
    }
    Byte buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) {
        bytes.insert(bytes.end(), buf, buf + n);
        if (progress != nullptr) progress->Count(0, n);
    }
    bool failed = std::ferror(in) != 0;
    if (in != stdin) std::fclose(in);
    if (failed) error = "cannot read '" + name + "'";
    return !failed;
}

// Writes `size` bytes to `name`, replacing it, counting them in `progress` when given.
bool WriteAll(const std::string& name, const void* data, size_t size, std::string& error,
              Progress* progress = nullptr);

using FileBytes = std::vector<char>;
using FileTransform = bool (*)(const FileBytes& in, FileBytes& out, std::string& error);

// A subcommand "<command> [INPUT [OUTPUT]]" that transforms one file: reads INPUT (default or
// "-": standard input), writes what `transform` makes of it to OUTPUT (default or "-": standard
// output). A failure prints as "halcyon <command>: <error>". On a terminal, a long run shows its
// progress, the transform as `doing` ("compressing"). The exit code.
int RunFileTransform(const Invocation& call, FileTransform transform, const char* doing);

// The operands of such a subcommand, as its help shows them.
constexpr const char kFileOperands[] = "[INPUT [OUTPUT]]";

}  // namespace halcyon::tool
