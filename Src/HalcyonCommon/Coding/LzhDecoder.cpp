// SPDX-License-Identifier: Apache-2.0
// s_CodingDecode: reads symbols through the adaptive Huffman tree and writes literals and copies
// straight into the caller's buffer. The window is not kept apart: the bytes of the last 4096
// output positions are the window, and before the first output byte it holds what the encoder
// started from (60 zeros where the look-ahead began, then 4036 spaces), served from a table.
#include <HalcyonCommon/Coding.h>

#include "HalcyonCommon/Coding/LzhBitReader.h"
#include "HalcyonCommon/Coding/LzhWorkspace.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace halcyon::lzh {
namespace {

using halcyon::CodingStream;

// What precedes output byte 0 in the window, byte k of it standing at output index k - 4096.
struct StartWindow {
    uint8_t bytes[kWindowSize];
};

constexpr StartWindow BuildStartWindow() {
    StartWindow w{};
    for (unsigned k = kLookAhead; k < kWindowSize; ++k) w.bytes[k] = kFill;
    return w;
}

constexpr StartWindow kStartWindow = BuildStartWindow();

// The root's count (the symbols counted since the start, plus 314) from which the decoder raises
// the counts on its walk down.
constexpr unsigned kSettledRoot = kSymbolCount + 1024;

class Decoder {
  public:
    Decoder(LzhTree& tree, const uint8_t* in, const uint8_t* end, uint8_t* out, size_t total)
        : tree_(tree), reader_(in, end), out_(out), total_(total) {}

    // Produces all `total` bytes; true when no match had to be cut at the end.
    bool Run() {
        tree_.Start();
        size_t o = 0;
        bool whole = true;
        while (o < total_) {
            reader_.Refill();
            unsigned symbol = NextSymbol();
            if (symbol < kLiteralCount) {
                out_[o++] = static_cast<uint8_t>(symbol);
                continue;
            }
            size_t distance = NextPosition() + 1;
            size_t length = MatchLength(symbol);
            if (length > total_ - o) {
                length = total_ - o;
                whole = false;
            }
            Copy(o, distance, length);
            o += length;
        }
        return whole;
    }

    const LzhBitReader& Reader() const { return reader_; }

  private:
    // Early in a call most symbols move a node of the tree, and raising the counts on the way
    // down would mostly be taken back; once some thousand symbols are counted, few do (text
    // streams +10 %, market data +15 %). A call that rebuilds the tree counts after the walk.
    unsigned NextSymbol() {
        unsigned root = tree_.frequency[kRoot];
        if (root >= kSettledRoot && root != kRebuildLimit) return Walk<true>();
        return Walk<false>();
    }

    // Walks from the root to a leaf two levels at a time, noting the nodes passed, and updates
    // the tree: with kRaise by raising the counts of the nodes as it passes them, otherwise
    // along the nodes noted once the leaf is reached.
    template <bool kRaise>
    unsigned Walk() {
        uint16_t path[LzhTree::kMaxDepth];
        uint16_t* at = path + LzhTree::kMaxDepth;
        const uint16_t* moving = nullptr;
        size_t c = tree_.child[kRoot];
        do {
            unsigned two = reader_.PeekTwo();
            auto first = static_cast<unsigned>(c + (two >> 1));
            c = tree_.GrandRow(two)[2 * c];  // grand[2 * first + (two & 1)]
            *--at = static_cast<uint16_t>(first);
            if (kRaise && tree_.RaisePassed(first)) moving = at;
            if ((c & LzhTree::kOneBit) != 0) {
                reader_.Skip(1);
                c = (c & ~size_t{LzhTree::kOneBit}) - (two & 1);
                break;
            }
            unsigned second = tree_.child[first] + (two & 1);
            *--at = static_cast<uint16_t>(second);
            if (kRaise && tree_.RaisePassed(second)) moving = at;
            reader_.Skip(2);
        } while (c < kNodeCount);
        auto symbol = static_cast<unsigned>(c - kNodeCount);
        if (kRaise) {
            tree_.FinishRaised(moving, path + LzhTree::kMaxDepth);
        } else {
            tree_.UpdateAlong(symbol, at, static_cast<unsigned>(path + LzhTree::kMaxDepth - at));
        }
        return symbol;
    }

    // The upper six bits by their prefix code (read as the next byte), then the lower six.
    unsigned NextPosition() {
        const PositionTables& t = kPositionTables;
        unsigned first = reader_.PeekByte();
        unsigned code = reader_.Take(t.length[first] + 6u);
        return (static_cast<unsigned>(t.upper[first]) << 6) | (code & 63);
    }

    // Copies `length` bytes from `distance` back to output index o, byte after byte in effect, so
    // that a copy overlapping its own output repeats it.
    void Copy(size_t o, size_t distance, size_t length) {
        uint8_t* to = out_ + o;
        if (distance > o) {
            for (size_t k = 0; k < length; ++k, ++o) to[k] = Earlier(o, distance);
            return;
        }
        const uint8_t* from = to - distance;
        if (distance >= 16 && o + length + 16 <= total_) {
            std::memcpy(to, from, 16);
            for (size_t k = 16; k < length; k += 16) std::memcpy(to + k, from + k, 16);
        } else if (distance >= 8 && o + length + 8 <= total_) {
            for (size_t k = 0; k < length; k += 8) std::memcpy(to + k, from + k, 8);
        } else if (distance == 1) {
            std::memset(to, *from, length);
        } else {
            for (size_t k = 0; k < length; ++k) to[k] = from[k];
        }
    }

    uint8_t Earlier(size_t o, size_t distance) const {
        if (distance <= o) return out_[o - distance];
        return kStartWindow.bytes[kWindowSize + o - distance];
    }

    LzhTree& tree_;
    LzhBitReader reader_;
    uint8_t* out_;
    size_t total_;
};

// Whether the stream ended where its codes end. A stream cut short often ends in a match that
// overruns too; being cut short is the cause, and is what is said.
CodingStream Judge(const LzhBitReader& reader, bool whole, const uint8_t* end) {
    if (reader.PastEnd()) return CodingStream::kTruncated;
    if (!whole) return CodingStream::kOverrun;
    size_t left = reader.BitsLeft();
    if (left >= 8) return CodingStream::kTrailingData;
    if (left > 0 && (end[-1] & ((1u << left) - 1)) != 0) return CodingStream::kTrailingData;
    return CodingStream::kWellFormed;
}

long Decode(const char* pInBuf, long lInLen, char* pOutBuf, long lOutSize, CodingStream* state) {
    if (pInBuf == nullptr || pOutBuf == nullptr || lInLen < 0 || lOutSize < 0) return -1;
    if (lInLen < static_cast<long>(kHeaderSize)) return -1;
    const auto* in = reinterpret_cast<const uint8_t*>(pInBuf);
    uint32_t total = 0;
    for (int k = 3; k >= 0; --k) total = (total << 8) | in[k];
    if (total == 0) return -1;
    if (total > static_cast<unsigned long>(lOutSize)) return -2;
    LzhWorkspace* ws = ThreadWorkspace();
    if (ws == nullptr) return -1;
    Decoder decoder(ws->tree, in + kHeaderSize, in + lInLen, reinterpret_cast<uint8_t*>(pOutBuf),
                    total);
    bool whole = decoder.Run();
    if (state != nullptr) *state = Judge(decoder.Reader(), whole, in + lInLen);
    return static_cast<long>(total);
}

}  // namespace
}  // namespace halcyon::lzh

long s_CodingDecode(char* pInBuf, long lInLen, char* pOutBuf, long lOutSize) {
    return halcyon::lzh::Decode(pInBuf, lInLen, pOutBuf, lOutSize, nullptr);
}

namespace halcyon {

long CodingDecodeChecked(const char* pInBuf, long lInLen, char* pOutBuf, long lOutSize,
                         CodingStream* state) {
    return lzh::Decode(pInBuf, lInLen, pOutBuf, lOutSize, state);
}

}  // namespace halcyon
