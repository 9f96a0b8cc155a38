// SPDX-License-Identifier: Apache-2.0
// The codec (pack, unpack), the block scrambler and the hex and BCD conversions.
#include "Bytes.h"
#include "Errors.h"

#include <HalcyonCommon/Coding.h>
#include <HalcyonCommon/Convert.h>
#include <HalcyonCommon/Scrambler.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace py = pybind11;
using namespace pybind11::literals;

namespace halcyon::python {
namespace {

// Inputs above this size are coded with the GIL released; smaller ones cost less than the
// release would.
constexpr std::size_t kReleaseAbove = 64 * 1024;
constexpr long kLongMax = 0x7FFFFFFF;

py::bytes Pack(const py::handle& data) {
    ByteView in(data);
    if (in.size() == 0) RaiseValueError("pack needs at least 1 byte");
    if (in.size() > static_cast<std::size_t>(kLongMax) / 2)
        RaiseValueError("pack takes at most 1 GiB at a time");
    // The stream's header, and a little more than the input: what incompressible bytes take.
    std::size_t capacity = in.size() + in.size() / 8 + 64;
    for (;;) {
        py::bytes out = NewBytes(capacity);
        long length;
        {
            std::optional<py::gil_scoped_release> released;
            if (in.size() > kReleaseAbove) released.emplace();
            length = s_CodingEncode(in.chars(), static_cast<long>(in.size()), BytesData(out),
                                    static_cast<long>(capacity));
        }
        if (length >= 0) {
            Shrink(out, static_cast<std::size_t>(length));
            return out;
        }
        if (length != -2) RaiseValueError("pack failed: the codec could not start on this thread");
        capacity *= 2;  // codes longer than 8 bits for most symbols: rare, but possible
    }
}

std::uint32_t StreamLength(const ByteView& in) {
    if (in.size() < 4)
        RaiseValueError("a packed stream starts with a 4-byte length; got " +
                        std::to_string(in.size()) + " bytes");
    const unsigned char* p = in.data();
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

const char* DamageText(CodingStream state) {
    switch (state) {
        case CodingStream::kTruncated:
            return "it is truncated";
        case CodingStream::kOverrun:
            return "a match runs past its length";
        case CodingStream::kTrailingData:
            return "bytes follow its last code";
        case CodingStream::kWellFormed:
            break;
    }
    return nullptr;
}

py::bytes Unpack(const py::handle& data, long maxSize, bool strict) {
    ByteView in(data);
    std::uint32_t length = StreamLength(in);
    if (length == 0) RaiseValueError("the packed stream's length is 0");
    if (maxSize < 1) RaiseValueError("max_size must be at least 1");
    if (length > static_cast<unsigned long>(maxSize))
        RaiseValueError("the packed stream says " + std::to_string(length) +
                        " bytes, more than max_size (" + std::to_string(maxSize) + ")");
    if (in.size() > static_cast<std::size_t>(kLongMax))
        RaiseValueError("unpack takes at most 2 GiB at a time");
    py::bytes out = NewBytes(length);
    CodingStream state = CodingStream::kWellFormed;
    long produced;
    {
        std::optional<py::gil_scoped_release> released;
        if (length > kReleaseAbove) released.emplace();
        produced = strict ? CodingDecodeChecked(in.chars(), static_cast<long>(in.size()),
                                                BytesData(out), static_cast<long>(length), &state)
                          : s_CodingDecode(in.chars(), static_cast<long>(in.size()), BytesData(out),
                                           static_cast<long>(length));
    }
    if (produced < 0) RaiseValueError("the packed stream could not be decoded");
    if (const char* damage = DamageText(state))
        RaiseValueError(std::string("the packed stream is damaged: ") + damage);
    Shrink(out, static_cast<std::size_t>(produced));
    return out;
}

using ScrambleCall = long (*)(long, unsigned char*, unsigned char*);

py::bytes Scramble(const py::handle& data, ScrambleCall call, const char* what) {
    ByteView in(data);
    if (in.size() <= 4 || in.size() > static_cast<std::size_t>(kLongMax))
        RaiseValueError(std::string(what) + " takes at least 5 bytes, not " +
                        std::to_string(in.size()));
    // The unscrambler rewrites its input's last bytes: it works on a copy of the caller's.
    std::string copy(in.chars(), in.size());
    py::bytes out = NewBytes(in.size());
    long n = call(static_cast<long>(copy.size()), reinterpret_cast<unsigned char*>(&copy[0]),
                  reinterpret_cast<unsigned char*>(BytesData(out)));
    if (n != static_cast<long>(copy.size())) RaiseValueError(std::string(what) + " failed");
    return out;
}

unsigned long BcdToInt(const py::handle& data) {
    ByteView in(data);
    if (in.size() < 1 || in.size() > 10)
        RaiseValueError("a BCD number has 1 to 10 bytes, not " + std::to_string(in.size()));
    unsigned long value = 0;
    s_CastBCDtoHex(&value, const_cast<unsigned char*>(in.data()),
                   static_cast<unsigned short>(in.size()));
    return value;
}

py::bytes IntToBcd(long long value, int length) {
    if (length < 1 || length > 10) RaiseValueError("length is 1 to 10 bytes");
    if (value < 0) RaiseValueError("BCD holds numbers >= 0");
    py::bytes out = NewBytes(static_cast<std::size_t>(length));
    if (!s_CastHextoBCD(static_cast<unsigned long>(value),
                        reinterpret_cast<unsigned char*>(BytesData(out)),
                        static_cast<unsigned short>(length)))
        RaiseValueError(std::to_string(value) + " has more than " + std::to_string(2 * length) +
                        " digits");
    return out;
}

py::bytes PackDigits(const py::handle& text) {
    std::string digits = TextArgument(text);
    if (digits.empty() || digits.size() > 510) RaiseValueError("pack_digits takes 1 to 510 digits");
    if (digits.find_first_not_of("0123456789") != std::string::npos)
        RaiseValueError("pack_digits takes decimal digits only");
    py::bytes out = NewBytes((digits.size() + 1) / 2);
    s_CastHexToChar(static_cast<unsigned short>(digits.size()),
                    reinterpret_cast<unsigned char*>(&digits[0]),
                    reinterpret_cast<unsigned char*>(BytesData(out)));
    return out;
}

// Hex text, 127 bytes (254 characters) at a time: the library's lengths are one byte wide.
py::str ToHex(const py::handle& data) {
    ByteView in(data);
    std::string text;
    text.reserve(2 * in.size());
    unsigned char chunk[2 * 127 + 1];
    for (std::size_t at = 0; at < in.size(); at += 127) {
        auto n = static_cast<unsigned char>(std::min<std::size_t>(127, in.size() - at));
        unsigned char written = 0;
        s_CastHexToStr(const_cast<unsigned char*>(in.data() + at), n, chunk, &written);
        text.append(reinterpret_cast<char*>(chunk), written);
    }
    return py::str(text);
}

py::bytes FromHex(const py::handle& textObject) {
    std::string text = TextArgument(textObject);
    if (text.size() % 2 != 0) RaiseValueError("hex text has an even number of digits");
    if (text.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
        RaiseValueError("hex text holds the digits 0-9, A-F and a-f only");
    py::bytes out = NewBytes(text.size() / 2);
    auto* target = reinterpret_cast<unsigned char*>(BytesData(out));
    for (std::size_t at = 0; at < text.size(); at += 254) {
        auto n = static_cast<unsigned char>(std::min<std::size_t>(254, text.size() - at));
        unsigned char written = 0;
        s_CastStrToHex(reinterpret_cast<unsigned char*>(&text[at]), n, target + at / 2, &written);
    }
    return out;
}

}  // namespace

void RegisterCoding(py::module_& m) {
    m.def("pack", &Pack, "data"_a,
          R"(Compresses bytes with the terminal's LZ/Huffman codec (LZHUF). The stream is a
4-byte little-endian length followed by the codes; the same input always gives the same stream.
ValueError for empty input.)");
    m.def("unpack", &Unpack, "data"_a, "max_size"_a = 64L << 20, "strict"_a = false,
          R"(Restores a stream made by pack. ValueError when the stream is shorter than its
4-byte header, says 0 bytes or more than `max_size`. The format has no checksum: a damaged stream
decodes to other bytes, unless strict=True, which raises ValueError for a stream that is
truncated, overruns its length or has bytes after its last code.)");
    m.def(
        "scramble", [](const py::handle& d) { return Scramble(d, s_CodingEncode_2, "scramble"); },
        "data"_a,
        "Scrambles bytes (at least 5) with the library's fixed key tables; same length out.");
    m.def(
        "unscramble",
        [](const py::handle& d) { return Scramble(d, s_CodingDecode_2, "unscramble"); }, "data"_a,
        "Restores bytes scrambled by scramble. The argument is not changed.");
    m.def("bcd_to_int", &BcdToInt, "data"_a,
          R"(The number of 1 to 10 packed-BCD bytes (two digits a byte, most significant first).
Nibbles above 9 are weighted like digits, and the sum is taken modulo 2**32.)");
    m.def("int_to_bcd", &IntToBcd, "value"_a, "length"_a,
          "`value` as `length` packed-BCD bytes with leading zeros; ValueError when it has more "
          "than 2 * length digits or is negative.");
    m.def("pack_digits", &PackDigits, "digits"_a,
          "1 to 510 decimal digits as packed BCD, a leading 0 digit added when the count is odd.");
    m.def("to_hex", &ToHex, "data"_a, "Bytes as upper-case hex text, two digits a byte.");
    m.def("from_hex", &FromHex, "text"_a,
          "Hex text (even length, either case) as bytes; ValueError for anything else.");
}

}  // namespace halcyon::python
