// Arbitrary inputs through the encoder and back: the stream must decode to the input, read as
// well-formed, and be byte for byte the stream of the straightforward implementation kept with
// the benchmarks (bench/LzhReference.h). The first byte, when below 0x40, asks for a buffer that
// many bytes short of the stream: the encoder must then fail with -2 and write only the
// stream's first bytes.
#include <HalcyonCommon/Coding.h>

#include "../bench/LzhReference.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t shortBy = data[0] < 0x40 ? data[0] + 1u : 0;
    std::vector<char> in(data + 1, data + size);
    const long n = static_cast<long>(in.size());
    std::vector<char> stream(in.size() * 3 + 16), reference(stream.size());
    long length = s_CodingEncode(in.data(), n, stream.data(), static_cast<long>(stream.size()));
    long referenceLength =
        lzh_reference::Encode(in.data(), n, reference.data(), static_cast<long>(reference.size()));
    Check(length > 4 && length == referenceLength);
    Check(std::memcmp(stream.data(), reference.data(), static_cast<size_t>(length)) == 0);

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
