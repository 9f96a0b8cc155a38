// Arbitrary inputs through the encoder and back: the stream must decode to the input, read as
// well-formed, and be byte for byte the stream of the straightforward implementation kept with
// the benchmarks (tests/support/LzhReference.h, through support/LzhOracle.h). The first byte, when below
// 0x40, asks for a buffer that many bytes short of the stream: the encoder must then fail with -2
// and write only the stream's first bytes.
//
// Speed: the work grows with the input, and the reference costs as much as all the rest (it
// inserts its 60 starting strings byte by byte at every call). A hash of all the input's bytes,
// which any change to the input picks again, decides: the reference is compared on one input in
// four; most inputs are cut to their first 128 bytes, which already reach the window's end (the
// encoder starts 60 bytes before it), and one in 32 is taken whole, for matches against a window
// full of the input's own bytes and long histories.
#include <HalcyonCommon/Coding.h>

#include "support/FuzzCheck.h"
#include "support/LzhOracle.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using fuzz::Check;
using fuzz::Hash;

constexpr size_t kShortInput = 128;
constexpr uint32_t kWholeInputOneIn = 32;
constexpr uint32_t kOracleOneIn = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t shortBy = data[0] < 0x40 ? data[0] + 1u : 0;
    const uint32_t hash = Hash(data, size);
    if (size > kShortInput + 1 && hash / kOracleOneIn % kWholeInputOneIn != 0)
        size = kShortInput + 1;
    std::vector<char> in(data + 1, data + size);
    const long n = static_cast<long>(in.size());
    std::vector<char> stream(in.size() * 3 + 16), reference(stream.size());
    long length = s_CodingEncode(in.data(), n, stream.data(), static_cast<long>(stream.size()));
    Check(length > 4);
    if (hash % kOracleOneIn == 0) {
        long referenceLength =
            lzh_oracle::Encode(in.data(), n, reference.data(), static_cast<long>(reference.size()));
        Check(length == referenceLength);
        Check(std::memcmp(stream.data(), reference.data(), static_cast<size_t>(length)) == 0);
    }

    std::vector<char> back(in.size());
    halcyon::CodingStream state;
    Check(halcyon::CodingDecodeChecked(stream.data(), length, back.data(), n, &state) == n);
    Check(state == halcyon::CodingStream::kWellFormed);
    Check(back == in);

    if (shortBy > 0 && static_cast<long>(shortBy) <= length) {
        const size_t room = static_cast<size_t>(length) - shortBy;
        std::vector<char> small(room + 8, '\x77');
        Check(s_CodingEncode(in.data(), n, small.data(), static_cast<long>(room)) == -2);
        const size_t written = room < 4 ? 0 : room;
        Check(std::memcmp(small.data(), stream.data(), written) == 0);
        for (size_t k = written; k < small.size(); ++k) Check(small[k] == '\x77');
    }
    return 0;
}
