// halcyon pack / unpack: the LZ/Huffman codec over a file or a pipe.
#include "ByteFiles.h"
#include "Command.h"

#include <HalcyonCommon.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace halcyon::tool {
namespace {

using Bytes = FileBytes;

// Most inputs fit in their own size and a little; a code can reach 24 bits, so three times
// the input always does.
bool Pack(const Bytes& in, Bytes& out, std::string& error) {
    if (in.empty()) {
        error = "the input is empty; the codec's format holds 1 byte or more";
        return false;
    }
    // The format's 32-bit length, and room for three times the input in a long.
    constexpr uint64_t kLargest = std::min<uint64_t>(0xFFFFFFFFu, (LONG_MAX - 16) / 3);
    if (static_cast<uint64_t>(in.size()) > kLargest) {
        error = "the input is too large for the codec's 32-bit length";
        return false;
    }
    auto length = static_cast<long>(in.size());
    for (long capacity : {length + length / 8 + 64, length * 3 + 16}) {
        out.resize(static_cast<size_t>(capacity));
        long n = s_CodingEncode(const_cast<char*>(in.data()), length, out.data(), capacity);
        if (n > 0) {
            out.resize(static_cast<size_t>(n));
            return true;
        }
        if (n != -2) break;
    }
    error = "the codec failed to compress the input";
    return false;
}

const char* Damage(CodingStream state) {
    switch (state) {
        case CodingStream::kWellFormed:
            return nullptr;
        case CodingStream::kTruncated:
            return "damaged stream: it ends before its codes do (cut short?)";
        case CodingStream::kOverrun:
            return "damaged stream: a match runs past the length in its header";
        case CodingStream::kTrailingData:
            return "damaged stream: other data follows its last code";
    }
    return "damaged stream";
}

bool Unpack(const Bytes& in, Bytes& out, std::string& error) {
    if (in.size() < 4) {
        error = "not a codec stream: shorter than its 4-byte header";
        return false;
    }
    uint32_t length = 0;
    for (int k = 3; k >= 0; --k)
        length = length << 8 | static_cast<unsigned char>(in[static_cast<size_t>(k)]);
    // A code is at least 1 bit, a match of 60 bytes at least 10: no stream yields more than 48
    // bytes per byte of codes. A larger header is damage, and no memory is spent on it.
    uint64_t most = (static_cast<uint64_t>(in.size()) - 4) * 48 + 60;
    if (length == 0 || length > most || in.size() > static_cast<size_t>(LONG_MAX)) {
        error = "damaged stream: its header gives a length of " + std::to_string(length) +
                " bytes, which " + (length == 0 ? "no stream has" : "this stream cannot hold");
        return false;
    }
    out.resize(length);
    CodingStream state = CodingStream::kWellFormed;
    long n = CodingDecodeChecked(in.data(), static_cast<long>(in.size()), out.data(),
                                 static_cast<long>(out.size()), &state);
    if (n != static_cast<long>(length)) {
        error = "the codec failed to restore the stream";
        return false;
    }
    if (const char* damage = Damage(state)) {
        error = damage;
        return false;
    }
    return true;
}

int RunPack(const Invocation& call) { return RunFileTransform(call, Pack, "compressing"); }
int RunUnpack(const Invocation& call) { return RunFileTransform(call, Unpack, "restoring"); }

const CommandSpec kPackSpec{
    "pack",
    "compress a file with the LZ/Huffman codec",
    "",
    {{"",
      kFileOperands,
      "Compresses the whole of INPUT with the library's LZ/Huffman codec (s_CodingEncode) and "
      "writes the stream to OUTPUT: a 4-byte little-endian length, then the codes "
      "(docs/codec-format.md). INPUT and OUTPUT default to standard input and output; '-' names "
      "them explicitly. The input must hold 1 byte to 4 GiB - 1.",
      {},
      RunPack}}};
const CommandSpec kUnpackSpec{
    "unpack",
    "restore a file compressed with the codec",
    "",
    {{"",
      kFileOperands,
      "Restores the bytes of a stream made by 'halcyon pack' or by the library (s_CodingDecode) "
      "and writes them to OUTPUT. INPUT and OUTPUT default to standard input and output; '-' "
      "names them explicitly. A damaged stream (cut short, followed by other data, or with codes "
      "that do not fit its length) is refused with a message and exit code 1, and nothing is "
      "written. The format has no checksum: a damage that leaves the codes in step (a changed "
      "match position, for one) cannot be seen.",
      {},
      RunUnpack}}};
const Registration kPack{kPackSpec};
const Registration kUnpack{kUnpackSpec};

}  // namespace
}  // namespace halcyon::tool
