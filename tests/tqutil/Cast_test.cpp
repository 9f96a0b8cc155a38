// The s_Cast… conversions: round trips over every length, the rules at their edges, the bounds of
// every buffer they write, and their reports in the verify log.
#include <HalcyonCommon.h>

#include "support/VerifyLog.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using halcyon::test::VerifyLog;

// "… <expr> failed in file <tqutil> in line <n>" as the one new line. The terminal's tools find
// these lines by the module and a line number that does not move with the source file.
void ExpectOneReport(const VerifyLog& log, const std::string& expression, int line) {
    EXPECT_TRUE(log.OneNewLineWith(" <" + expression + "> failed in file <tqutil> in line <" +
                                   std::to_string(line) + ">"));
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(CastBcd, ValuesRoundTripInEveryLengthAndTooLargeOnesWriteNothing) {
    std::mt19937 rng(3);
    for (unsigned short len = 1; len <= 10; ++len) {
        unsigned long long limit = 1;  // the first value of more than 2 × len digits
        for (int i = 0; i < len; ++i) limit *= 100;
        // The largest value that fits and the smallest that does not, where a long holds them.
        unsigned long edge = limit <= 4294967295ULL ? static_cast<unsigned long>(limit) : 99UL;
        for (unsigned long value :
             {0UL, edge - 1, edge, 4294967295UL, static_cast<unsigned long>(rng())}) {
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
}

TEST(CastBcd, BcdToValueRules) {
    Bytes bcd = {0x00, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x56, 0x78, 0x90};
    unsigned long value = 5;
    EXPECT_FALSE(s_CastBCDtoHex(&value, bcd.data(), 0));
    EXPECT_FALSE(s_CastBCDtoHex(&value, bcd.data(), 11));
    EXPECT_FALSE(s_CastBCDtoHex(nullptr, bcd.data(), 2));
    EXPECT_FALSE(s_CastBCDtoHex(&value, nullptr, 2));
    EXPECT_EQ(value, 5u) << "a refused call wrote the value";
    // Ten bytes: twenty digits, taken modulo 2^32; nibbles above 9 weigh like digits.
    ASSERT_TRUE(s_CastBCDtoHex(&value, bcd.data() + 1, 10));
    EXPECT_EQ(value, static_cast<unsigned long>(12345678901234567890ULL % 4294967296ULL));
    Bytes odd = {0xAB, 0xFF};
    ASSERT_TRUE(s_CastBCDtoHex(&value, odd.data(), 2));
    EXPECT_EQ(value, 111u * 100 + 165);
}

TEST(CastHexToChar, PacksDigitPairsUpToTheLongestText) {
    struct Case {
        std::string text;
        Bytes packed;
    } cases[] = {
        {"12345", {0x01, 0x23, 0x45}},
        {"1234", {0x12, 0x34}},
        {"AB", {0x22}},  // ('A' << 4) + ('B' - '0') = 0x410 + 0x12, modulo 256
        {"9:", {0x9A}},  // (0x39 << 4) + 10
    };
    for (const auto& c : cases) {
        Bytes in = Text(c.text), out(c.packed.size() + 1, 0xEE);
        auto n = s_CastHexToChar(static_cast<unsigned short>(in.size()), in.data(), out.data());
        ASSERT_EQ(n, c.packed.size()) << c.text;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + n), c.packed) << c.text;
        EXPECT_EQ(out[n], 0xEE) << c.text;
    }
    Bytes longest(510, '9'), out(256, 0xEE);
    EXPECT_EQ(s_CastHexToChar(510, longest.data(), out.data()), 255);
    EXPECT_EQ(out[254], 0x99);
    EXPECT_EQ(out[255], 0xEE);
    Bytes self = Text("0123456789");  // packing onto itself
    EXPECT_EQ(s_CastHexToChar(10, self.data(), self.data()), 5);
    EXPECT_EQ(Bytes(self.begin(), self.begin() + 5), Bytes({0x01, 0x23, 0x45, 0x67, 0x89}));
}

TEST(CastHexToChar, FailedChecksAreReportedOnceEach) {
    Bytes in(600, '1'), out(300, 0xEE);
    struct Case {
        unsigned short len;
        unsigned char* input;
        unsigned char* output;
        const char* expression;
        int line;
    } cases[] = {
        {0, in.data(), out.data(), "wLen != 0", 38},
        {4, nullptr, out.data(), "lpInptr != NULL", 42},
        {4, in.data(), nullptr, "lpOutptr != NULL", 46},
        {511, in.data(), out.data(), "j < sizeof(byBuffer)", 52},
    };
    for (const auto& c : cases) {
        VerifyLog log;
        EXPECT_EQ(s_CastHexToChar(c.len, c.input, c.output), 0) << c.expression;
        ExpectOneReport(log, c.expression, c.line);
    }
    EXPECT_EQ(out, Bytes(300, 0xEE));
}

// Every length a one-byte length allows: random bytes to text and back, the text's terminator
// and (from 128 bytes on) its wrapped length.
TEST(CastHexText, RandomBytesRoundTripForEveryLength) {
    std::mt19937 rng(5);
    for (int n = 0; n <= 255; ++n) {
        Bytes source(static_cast<size_t>(n) + 1);  // one spare byte: never an empty vector
        for (auto& b : source) b = static_cast<unsigned char>(rng());
        Bytes text(2 * n + 2, 0xEE), back(n + 1, 0xEE);
        unsigned char textLen = 0, backLen = 0;
        ASSERT_TRUE(
            s_CastHexToStr(source.data(), static_cast<unsigned char>(n), text.data(), &textLen));
        ASSERT_EQ(textLen, (2 * n) % 256);
        EXPECT_EQ(text[2 * n], 0);
        EXPECT_EQ(text[2 * n + 1], 0xEE);
        if (n > 127) continue;
        if (n % 2 == 1) {  // lower case reads the same
            for (auto& c : text) c = static_cast<unsigned char>(std::tolower(c));
        }
        ASSERT_TRUE(s_CastStrToHex(text.data(), textLen, back.data(), &backLen));
        ASSERT_EQ(backLen, n);
        EXPECT_EQ(Bytes(back.begin(), back.begin() + n + 1),
                  Bytes(source.begin(), source.begin() + n) + Bytes{0xEE});
    }
}

TEST(CastHexText, TextThatIsNoHexReadsAsZeroAndAnOddLastDigitIsLeft) {
    struct Case {
        std::string text;
        Bytes bytes;
    } cases[] = {{"1F7", {0x1F}}, {"G1", {0x01}}, {"1G", {0x10}}, {"zz", {0x00}}, {"fF", {0xFF}}};
    for (const auto& c : cases) {
        Bytes in = Text(c.text), out(c.bytes.size() + 1, 0xEE);
        unsigned char len = 99;
        ASSERT_TRUE(
            s_CastStrToHex(in.data(), static_cast<unsigned char>(in.size()), out.data(), &len));
        EXPECT_EQ(Bytes(out.begin(), out.begin() + len + 1), c.bytes + Bytes{0xEE}) << c.text;
    }
}

TEST(CastHexText, FailedChecksAreReportedOnceEach) {
    Bytes source = Text("1FA0"), target(16, 0xEE);
    unsigned char len = 77;
    using Fn = bool (*)(unsigned char*, unsigned char, unsigned char*, unsigned char*);
    for (Fn fn : {static_cast<Fn>(s_CastHexToStr), static_cast<Fn>(s_CastStrToHex)}) {
        struct Case {
            unsigned char* source;
            unsigned char* target;
            unsigned char* outLen;
            const char* expression;
            int line;
        } cases[] = {
            {nullptr, target.data(), &len, "pbySource != NULL", 27},
            {source.data(), nullptr, &len, "pbyTarget != NULL", 28},
            {source.data(), target.data(), nullptr, "pbyOutLen != NULL", 29},
        };
        for (const auto& c : cases) {
            VerifyLog log;
            EXPECT_FALSE(fn(c.source, 4, c.target, c.outLen)) << c.expression;
            ExpectOneReport(log, c.expression, c.line);
        }
    }
    EXPECT_EQ(len, 77);
    EXPECT_EQ(target, Bytes(16, 0xEE));
}

TEST(CastStrToValue, DecimalAndHexadecimalTexts) {
    struct Case {
        const char* text;
        bool hex;
        unsigned long value;
    } cases[] = {
        {"123abc", false, 123},
        {"123abc", true, 0x123ABC},
        {"ABCdef", true, 0xABCDEF},
        {"-5", false, 0},
        {"0x1F", true, 0},
        {"999999999", false, 999999999},
        {"FFFFFFFFF", true, 0xFFFFFFFFUL},  // nine digits: 36 bits, wraps at 32
        {"1234567890", false, 0},           // ten characters: refused
        {"12g", true, 0x12},
        {"7:", false, 7},
    };
    for (const auto& c : cases) {
        std::string copy = c.text;
        EXPECT_EQ(s_CastStrToValue(&copy[0], c.hex), c.value) << c.text << " hex=" << c.hex;
    }
    EXPECT_EQ(s_CastStrToValue(nullptr, true), 0u);
}

}  // namespace
