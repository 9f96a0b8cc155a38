// halcyon scramble / unscramble: the block scrambler over a file or a pipe.
#include "ByteFiles.h"
#include "Command.h"

#include <HalcyonCommon.h>

#include <string>

namespace halcyon::tool {
namespace {

using Scrambler = long (*)(long, unsigned char*, unsigned char*);

bool Apply(Scrambler scrambler, const FileBytes& in, FileBytes& out, std::string& error) {
    out = in;
    auto length = static_cast<long>(out.size());
    auto* bytes = reinterpret_cast<unsigned char*>(out.data());
    if (scrambler(length, bytes, bytes) == length) return true;
    error = "the input is " + std::to_string(length) + " bytes long; at least 5 are needed";
    return false;
}

bool Scramble(const FileBytes& in, FileBytes& out, std::string& error) {
    return Apply(s_CodingEncode_2, in, out, error);
}

bool Unscramble(const FileBytes& in, FileBytes& out, std::string& error) {
    return Apply(s_CodingDecode_2, in, out, error);
}

int RunScramble(const Invocation& call) { return RunFileTransform(call, Scramble, "scrambling"); }
int RunUnscramble(const Invocation& call) {
    return RunFileTransform(call, Unscramble, "unscrambling");
}

const CommandSpec kScrambleSpec{
    "scramble",
    "scramble a file with the block scrambler",
    "",
    {{"",
      kFileOperands,
      "Scrambles the whole of INPUT with the library's block scrambler (s_CodingEncode_2) and "
      "writes the result, exactly as long as the input, to OUTPUT. INPUT and OUTPUT default to "
      "standard input and output; '-' names them explicitly. The input must be at least 5 "
      "bytes.",
      {},
      RunScramble}}};
const CommandSpec kUnscrambleSpec{
    "unscramble",
    "restore a scrambled file",
    "",
    {{"",
      kFileOperands,
      "Restores bytes scrambled by 'halcyon scramble' (s_CodingDecode_2). INPUT and OUTPUT "
      "default to standard input and output; '-' names them explicitly. The input must be at "
      "least 5 bytes. Any bytes of that length unscramble to something: the scrambler carries "
      "no check.",
      {},
      RunUnscramble}}};
const Registration kScramble{kScrambleSpec};
const Registration kUnscramble{kUnscrambleSpec};

}  // namespace
}  // namespace halcyon::tool
