// SPDX-License-Identifier: Apache-2.0
// s_CodingEncode: LZSS over the 4096-byte window, each literal or match length coded with the
// adaptive Huffman tree, each match position with the fixed prefix code of its upper six bits.
#include <HalcyonCommon/Coding.h>

#include "HalcyonCommon/Coding/LzhBitWriter.h"
#include "HalcyonCommon/Coding/LzhWorkspace.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

namespace halcyon::lzh {
namespace {

class Encoder {
  public:
    Encoder(LzhWorkspace& ws, const uint8_t* in, size_t size, uint8_t* out, uint8_t* end)
        : tree_(ws.tree), finder_(ws.finder), in_(in), size_(size), writer_(out, end) {}

    // Codes the whole input; false when the output is full. A symbol starts where the previous
    // one ends; the finder gives the best match of each such position.
    bool Run() {
        tree_.Start();
        uint32_t rank = finder_.Start(in_, size_);
        size_t g = 0;
        for (;;) {
            // A match never reaches past the input's end.
            size_t length = std::min<size_t>(rank >> 12, size_ - g);
            if (length <= kThreshold) {
                if (!PutSymbol(in_[g])) return false;
                length = 1;
            } else {
                unsigned position = kWindowMask - (rank & kWindowMask);
                if (!PutSymbol(MatchSymbol(static_cast<unsigned>(length))) ||
                    !PutPosition(position))
                    return false;
            }
            g += length;
            if (g >= size_) break;
            rank = finder_.Advance(length);
        }
        return writer_.Finish();
    }

    uint8_t* Position() const { return writer_.Position(); }

  private:
    bool PutSymbol(unsigned symbol) {
        unsigned length;
        uint32_t code = tree_.CodeAndCount(symbol, &length);
        return writer_.Put(code, length);
    }

    // The code of the upper six bits, then the lower six bits as they are, in one piece.
    bool PutPosition(unsigned position) {
        const PositionTables& t = kPositionTables;
        unsigned upper = position >> 6, length = t.codeLength[upper];
        uint32_t code = (static_cast<uint32_t>(t.code[upper]) << 24) |
                        (static_cast<uint32_t>(position & 63) << (26 - length));
        return writer_.Put(code, length + 6);
    }

    LzhTree& tree_;
    LzhMatchFinder& finder_;
    const uint8_t* in_;
    size_t size_;
    LzhBitWriter writer_;
};

void PutHeader(uint8_t* out, uint32_t length) {
    for (int k = 0; k < 4; ++k) out[k] = static_cast<uint8_t>(length >> (8 * k));
}

}  // namespace
}  // namespace halcyon::lzh

long s_CodingEncode(char* pInBuf, long lInLen, char* pOutBuf, long lOutSize) {
    using namespace halcyon::lzh;
    if (pInBuf == nullptr || pOutBuf == nullptr || lInLen <= 0 || lOutSize < 0) return -1;
    // The header holds the length in 32 bits.
    if (static_cast<unsigned long long>(lInLen) > 0xFFFFFFFFull) return -1;
    LzhWorkspace* ws = ThreadWorkspace();
    if (ws == nullptr) return -1;
    if (lOutSize < static_cast<long>(kHeaderSize)) return -2;
    auto* out = reinterpret_cast<uint8_t*>(pOutBuf);
    PutHeader(out, static_cast<uint32_t>(lInLen));
    Encoder encoder(*ws, reinterpret_cast<const uint8_t*>(pInBuf), static_cast<size_t>(lInLen),
                    out + kHeaderSize, out + lOutSize);
    if (!encoder.Run()) return -2;
    return static_cast<long>(encoder.Position() - out);
}
