// SPDX-License-Identifier: Apache-2.0
// The s_Cast… conversions: round trips over every length, the rules at their edges, the bounds of
// every buffer they write, and their reports in the verify log.
#include <HalcyonCommon.h>

#include "support/VerifyLog.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Values round trip in every length, the largest value that fits each length and the smallest
// that does not (where a long holds them); too large ones and refused calls write nothing.
TEST(CastBcd, EveryLengthItsEdgesAndTheRules) {
    for (unsigned short len = 1; len <= 10; ++len) {
        unsigned long long limit = 1;  // the first value of more than 2 × len digits
        for (int i = 0; i < len; ++i) limit *= 100;
        unsigned long edge = limit <= 4294967295ULL ? static_cast<unsigned long>(limit) : 99UL;
        for (unsigned long value : {0UL, edge - 1, edge, 4294967295UL}) {
            Bytes out(len + 1u, 0xEE);
            bool fits = value < limit;
            ASSERT_EQ(s_CastHextoBCD(value, out.data(), len), fits) << value << " in " << len;
            EXPECT_EQ(out[len], 0xEE) << "wrote past wLen";
            if (!fits) {
                EXPECT_EQ(out, Bytes(len + 1u, 0xEE)) << "a refused value wrote bytes";
                continue;
            }
            unsigned long back = 7;
            ASSERT_TRUE(s_CastBCDtoHex(&back, out.data(), len));
            EXPECT_EQ(back, value);
        }
    }
    Bytes out(4, 0xEE);
    ASSERT_TRUE(s_CastHextoBCD(20240229, out.data(), 4));
    EXPECT_EQ(out, Bytes({0x20, 0x24, 0x02, 0x29}));
    EXPECT_FALSE(s_CastHextoBCD(1, out.data(), 0));
    EXPECT_FALSE(s_CastHextoBCD(1, nullptr, 4));
    Bytes bcd = {0x00, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x56, 0x78, 0x90};
    unsigned long value = 5;
    EXPECT_FALSE(s_CastBCDtoHex(&value, bcd.data(), 0));
    EXPECT_FALSE(s_CastBCDtoHex(&value, bcd.data(), 11));
    EXPECT_FALSE(s_CastBCDtoHex(nullptr, bcd.data(), 2));
    EXPECT_FALSE(s_CastBCDtoHex(&value, nullptr, 2));
    EXPECT_EQ(value, 5u) << "a refused call wrote the value";
    // Ten bytes: twenty digits, taken modulo 2^32.
    ASSERT_TRUE(s_CastBCDtoHex(&value, bcd.data() + 1, 10));
    EXPECT_EQ(value, static_cast<unsigned long>(12345678901234567890ULL % 4294967296ULL));
}

// The packed bytes end in the guard byte 0xEE that must stay.
TEST(CastHexToChar, PacksDigitPairsUpToTheLongestText) {
    Bytes longest(256, 0x99);
    longest.back() = 0xEE;
    const std::pair<std::string, Bytes> cases[] = {
        {"12345", {0x01, 0x23, 0x45, 0xEE}},
        {"1234", {0x12, 0x34, 0xEE}},
        {"AB", {0x22, 0xEE}},  // ('A' << 4) + ('B' - '0') = 0x410 + 0x12, modulo 256
        {std::string(510, '9'), longest},
    };
    for (const auto& [text, packed] : cases) {
        Bytes in = Text(text), out(packed.size(), 0xEE);
        auto n = s_CastHexToChar(static_cast<unsigned short>(in.size()), in.data(), out.data());
        ASSERT_EQ(n, packed.size() - 1) << text;
        EXPECT_EQ(out, packed) << text;
    }
}

// Every length a one-byte length allows: random bytes to text and back, the text's terminator
// and (from 128 bytes on) its wrapped length; odd lengths read their text in lower case.
TEST(CastHexText, RandomBytesRoundTripForEveryLength) {
    std::mt19937 rng(5);
    for (int n = 0; n <= 255; ++n) {
        Bytes source(static_cast<size_t>(n) + 1, 0xEE);  // one guard byte: never an empty vector
        for (int k = 0; k < n; ++k) source[k] = static_cast<unsigned char>(rng());
        Bytes text(2 * n + 2, 0xEE), back(n + 1, 0xEE);
        unsigned char textLen = 0, backLen = 0;
        ASSERT_TRUE(
            s_CastHexToStr(source.data(), static_cast<unsigned char>(n), text.data(), &textLen));
        ASSERT_EQ(textLen, (2 * n) % 256);
        EXPECT_EQ(text[2 * n], 0);
        EXPECT_EQ(text[2 * n + 1], 0xEE);
        if (n > 127) continue;
        for (auto& c : text) c = static_cast<unsigned char>(n % 2 ? std::tolower(c) : c);
        ASSERT_TRUE(s_CastStrToHex(text.data(), textLen, back.data(), &backLen));
        ASSERT_EQ(backLen, n);
        EXPECT_EQ(back, source);
    }
}

// Mixed case is read as the round trip above reads each case (the guard byte 0xEE stays).
TEST(CastHexText, TextThatIsNoHexReadsAsZeroAndAnOddLastDigitIsLeft) {
    const std::pair<std::string, Bytes> cases[] = {
        {"1F7", {0x1F, 0xEE}}, {"G1", {0x01, 0xEE}}, {"1G", {0x10, 0xEE}}};
    for (const auto& [text, bytes] : cases) {
        Bytes in = Text(text), out(bytes.size(), 0xEE);
        unsigned char len = 99;
        ASSERT_TRUE(
            s_CastStrToHex(in.data(), static_cast<unsigned char>(in.size()), out.data(), &len));
        EXPECT_EQ(len, bytes.size() - 1) << text;
        EXPECT_EQ(out, bytes) << text;
    }
}

// Refused arguments return the failure value, write nothing and leave one line in the verify log,
// "… <expr> failed in file <tqutil> in line <n>": the terminal's tools find these lines by the
// module and a line number that does not move with the source file.
TEST(CastHexText, FailedChecksAreReportedOnceEach) {
    Bytes in(600, '1'), out(300, 0xEE);
    unsigned char len = 77;
    unsigned char* i = in.data();
    unsigned char* o = out.data();
    const std::tuple<std::function<bool()>, const char*, int> cases[] = {
        {[&] { return s_CastHexToChar(0, i, o) == 0; }, "wLen != 0", 38},
        {[&] { return s_CastHexToChar(4, nullptr, o) == 0; }, "lpInptr != NULL", 42},
        {[&] { return s_CastHexToChar(4, i, nullptr) == 0; }, "lpOutptr != NULL", 46},
        {[&] { return s_CastHexToChar(511, i, o) == 0; }, "j < sizeof(byBuffer)", 52},
        {[&] { return !s_CastHexToStr(nullptr, 4, o, &len); }, "pbySource != NULL", 27},
        {[&] { return !s_CastHexToStr(i, 4, nullptr, &len); }, "pbyTarget != NULL", 28},
        {[&] { return !s_CastHexToStr(i, 4, o, nullptr); }, "pbyOutLen != NULL", 29},
        {[&] { return !s_CastStrToHex(i, 4, o, nullptr); }, "pbyOutLen != NULL", 29},
    };
    for (const auto& [refused, expression, line] : cases) {
        halcyon::test::VerifyLog log;
        EXPECT_TRUE(refused()) << expression;
        EXPECT_TRUE(log.OneNewLineWith(" <" + std::string(expression) +
                                       "> failed in file <tqutil> in line <" +
                                       std::to_string(line) + ">"));
    }
    EXPECT_EQ(len, 77);
    EXPECT_EQ(out, Bytes(300, 0xEE));
}

// Digits up to the first other character; nine digits at most (hexadecimal ones wrap at 32 bits),
// ten characters are refused.
TEST(CastStrToValue, DecimalAndHexadecimalTexts) {
    const std::tuple<std::string, bool, unsigned long> cases[] = {
        {"123abc", false, 123},          {"ABCdef", true, 0xABCDEF},
        {"999999999", false, 999999999}, {"FFFFFFFFF", true, 0xFFFFFFFFUL},
        {"1234567890", false, 0},        {"12g", true, 0x12},
    };
    for (auto [text, hex, value] : cases) {
        EXPECT_EQ(s_CastStrToValue(&text[0], hex), value) << text << " hex=" << hex;
    }
    EXPECT_EQ(s_CastStrToValue(nullptr, true), 0u);
}

}  // namespace
