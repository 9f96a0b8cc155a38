// SPDX-License-Identifier: Apache-2.0
// The decoder on arbitrary streams and output sizes. The first two bytes choose lOutSize; the
// rest is the stream, in a buffer of exactly its length so that any read past it is seen. The
// output buffer is exactly lOutSize bytes too, and the part of it the call must leave alone (all
// of it on failure, what follows the header's length on success) is poisoned, so that
// AddressSanitizer stops at the first access there. The result must be the one the header and
// the room dictate.
//
// Speed: a stream decodes to as many bytes as its header says, reading zero bits past its end,
// so a few bytes can ask for 64 KiB of work, and the work of an input is the bytes it decodes.
// Most inputs are therefore held to a room of 1 KiB; one in 64, picked by a hash of all its bytes
// so that any change to a big input picks again, gets the room it asks for (up to 64 KiB), which
// is what reaches the tree's later stages (its counts settled after some thousand symbols, its
// rebuild after 32 thousand). Nothing is filled or compared outside the decoded bytes.
#include <HalcyonCommon/Coding.h>

#include "support/FuzzCheck.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

using fuzz::Check;
using fuzz::Hash;

constexpr size_t kSmallRoom = 1024;
constexpr uint32_t kBigRoomOneIn = 64;

// The result the header and the room dictate.
long Expected(const uint8_t* stream, size_t length, size_t room) {
    if (length < 4) return -1;
    uint32_t header = 0;
    for (int k = 3; k >= 0; --k) header = header << 8 | stream[k];
    return header == 0 ? -1 : header > room ? -2 : static_cast<long>(header);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t length = size - 2;
    const size_t asked = data[0] | static_cast<size_t>(data[1]) << 8;
    const bool big = Hash(data, size) % kBigRoomOneIn == 0;
    const size_t room = big ? asked : std::min(asked, kSmallRoom);
    std::unique_ptr<char[]> stream(new char[length]);
    if (length > 0) std::memcpy(stream.get(), data + 2, length);
    const long expected = Expected(data + 2, length, room);
    const size_t produced = expected > 0 ? static_cast<size_t>(expected) : 0;

    const auto n = static_cast<long>(length);
    // The output's bytes from `produced` on must not be touched. (The allocator unpoisons memory
    // when it hands it out again.)
    std::unique_ptr<char[]> out(new char[room]);
    ASAN_POISON_MEMORY_REGION(out.get() + produced, room - produced);
    halcyon::CodingStream state;
    Check(halcyon::CodingDecodeChecked(stream.get(), n, out.get(), static_cast<long>(room),
                                       &state) == expected);
    return 0;
}
