// The decoder on arbitrary streams and output sizes. The first two bytes choose lOutSize (up to
// 64 KiB); the rest is the stream, in a buffer of exactly its length so that any read past it is
// seen. The output sits between guard bytes that must come back unchanged, and the result must
// be the one the header and the room dictate. The strict reading must agree with the plain one.
#include <HalcyonCommon/Coding.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kGuard = 32;
constexpr uint8_t kGuardByte = 0x5C;

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t room = data[0] | static_cast<size_t>(data[1]) << 8;
    std::vector<char> stream(data + 2, data + size);
    std::vector<uint8_t> out(room + 2 * kGuard, kGuardByte);
    char* target = reinterpret_cast<char*>(out.data() + kGuard);
    const long length = static_cast<long>(stream.size());
    long result = s_CodingDecode(stream.data(), length, target, static_cast<long>(room));

    long expected = -1;
    if (stream.size() >= 4) {
        uint32_t header = 0;
        for (int k = 3; k >= 0; --k)
            header = header << 8 | static_cast<uint8_t>(stream[static_cast<size_t>(k)]);
        expected = header == 0 ? -1 : header > room ? -2 : static_cast<long>(header);
    }
    Check(result == expected);
    size_t produced = result > 0 ? static_cast<size_t>(result) : 0;
    for (size_t k = 0; k < out.size(); ++k) {
        if (k < kGuard || k >= kGuard + produced) Check(out[k] == kGuardByte);
    }

    // The same call through the strict reading gives the same bytes.
    std::vector<uint8_t> again(room + 1, 0);
    halcyon::CodingStream state;
    long checked =
        halcyon::CodingDecodeChecked(stream.data(), length, reinterpret_cast<char*>(again.data()),
                                     static_cast<long>(room), &state);
    Check(checked == result);
    Check(produced == 0 || std::memcmp(again.data(), target, produced) == 0);
    return 0;
}
