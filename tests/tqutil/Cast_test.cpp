// The s_Cast… conversions: tables of values, the bounds of every buffer they write, and their
// reports in the verify log.
#include <HalcyonCommon.h>

#include "support/VerifyLog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes B(std::initializer_list<int> values) {
    Bytes b;
    for (int v : values) b.push_back(static_cast<unsigned char>(v));
    return b;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

using halcyon::test::VerifyLog;

// "… <expr> failed in file <tqutil> in line <n>" as the one new line.
void ExpectOneReport(const VerifyLog& log, const std::string& expression) {
    EXPECT_TRUE(log.OneNewLineWith(" <" + expression + "> failed in file <tqutil> in line <"));
}

TEST(CastBcd, ValuesToBcdAndBack) {
    struct Case {
        unsigned long value;
        unsigned short len;
        Bytes bcd;
    } cases[] = {
        {1234, 3, B({0x00, 0x12, 0x34})},
        {99, 1, B({0x99})},
        {0, 1, B({0x00})},
        {0, 4, B({0, 0, 0, 0})},
        {4294967295UL, 5, B({0x42, 0x94, 0x96, 0x72, 0x95})},
        {4294967295UL, 6, B({0x00, 0x42, 0x94, 0x96, 0x72, 0x95})},
        {1410065407UL, 5, B({0x14, 0x10, 0x06, 0x54, 0x07})},
        {20240229, 4, B({0x20, 0x24, 0x02, 0x29})},
        {1, 10, B({0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01})},
    };
    for (const auto& c : cases) {
        Bytes out(c.len + 2, 0xEE);
        ASSERT_TRUE(s_CastHextoBCD(c.value, out.data(), c.len)) << c.value;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + c.len), c.bcd) << c.value;
        EXPECT_EQ(out[c.len], 0xEE) << "wrote past wLen for " << c.value;
        unsigned long back = 7;
        Bytes in = c.bcd;
        ASSERT_TRUE(s_CastBCDtoHex(&back, in.data(), c.len)) << c.value;
        EXPECT_EQ(back, c.value);
    }
}

TEST(CastBcd, RefusedCallsWriteNothing) {
    struct Case {
        unsigned long value;
        unsigned short len;
        bool nullOutput;
    } cases[] = {
        {100, 1, false}, {10000, 2, false}, {1000000, 3, false}, {1, 0, false}, {1, 4, true}};
    for (const auto& c : cases) {
        Bytes out(8, 0xEE);
        EXPECT_FALSE(s_CastHextoBCD(c.value, c.nullOutput ? nullptr : out.data(), c.len))
            << c.value << " in " << c.len;
        EXPECT_EQ(out, Bytes(8, 0xEE)) << "a refused value wrote bytes: " << c.value;
    }
    if (sizeof(unsigned long) > 4) {  // 64-bit longs: large values are written whole or refused
        Bytes out(8, 0xEE);
        auto big = static_cast<unsigned long>(12345678901ULL);
        EXPECT_FALSE(s_CastHextoBCD(big, out.data(), 5));
        ASSERT_TRUE(s_CastHextoBCD(big, out.data(), 6));
        EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), B({0x01, 0x23, 0x45, 0x67, 0x89, 0x01}));
    }
}

TEST(CastBcd, BcdToValueRules) {
    Bytes bcd = B({0x00, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34, 0x56, 0x78, 0x90});
    unsigned long value = 5;
    EXPECT_FALSE(s_CastBCDtoHex(&value, bcd.data(), 0));
    EXPECT_FALSE(s_CastBCDtoHex(&value, bcd.data(), 11));
    EXPECT_FALSE(s_CastBCDtoHex(nullptr, bcd.data(), 2));
    EXPECT_FALSE(s_CastBCDtoHex(&value, nullptr, 2));
    EXPECT_EQ(value, 5u) << "a refused call wrote the value";
    // Ten bytes: twenty digits, taken modulo 2^32.
    ASSERT_TRUE(s_CastBCDtoHex(&value, bcd.data() + 1, 10));
    EXPECT_EQ(value, static_cast<unsigned long>(12345678901234567890ULL % 4294967296ULL));
    // Nibbles above 9 weigh like digits: 0xAB is 10 × 10 + 11.
    Bytes odd = B({0xAB, 0xFF});
    ASSERT_TRUE(s_CastBCDtoHex(&value, odd.data(), 1));
    EXPECT_EQ(value, 111u);
    ASSERT_TRUE(s_CastBCDtoHex(&value, odd.data(), 2));
    EXPECT_EQ(value, 111u * 100 + 165);
}

TEST(CastHexToChar, PacksDigitPairs) {
    struct Case {
        std::string text;
        Bytes packed;
    } cases[] = {
        {"12345", B({0x01, 0x23, 0x45})},
        {"1234", B({0x12, 0x34})},
        {"7", B({0x07})},
        {"00", B({0x00})},
        {"AB", B({0x22})},  // ('A' << 4) + ('B' - '0') = 0x410 + 0x12, modulo 256
        {"/", B({0xFF})},   // '/' - '0' = -1
        {"9:", B({0x9A})},  // (0x39 << 4) + 10
    };
    for (const auto& c : cases) {
        Bytes in = Text(c.text), out(c.packed.size() + 1, 0xEE);
        auto n = s_CastHexToChar(static_cast<unsigned short>(in.size()), in.data(), out.data());
        ASSERT_EQ(n, c.packed.size()) << c.text;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + n), c.packed) << c.text;
        EXPECT_EQ(out[n], 0xEE) << c.text;
    }
    // The longest accepted text and packing onto itself.
    Bytes longest(510, '9'), out(256, 0xEE);
    EXPECT_EQ(s_CastHexToChar(510, longest.data(), out.data()), 255);
    EXPECT_EQ(out[254], 0x99);
    EXPECT_EQ(out[255], 0xEE);
    Bytes self = Text("0123456789");
    EXPECT_EQ(s_CastHexToChar(10, self.data(), self.data()), 5);
    EXPECT_EQ(Bytes(self.begin(), self.begin() + 5), B({0x01, 0x23, 0x45, 0x67, 0x89}));
}

TEST(CastHexToChar, FailedChecksAreReportedOnceEach) {
    Bytes in(600, '1'), out(300, 0xEE);
    struct Case {
        unsigned short len;
        unsigned char* input;
        unsigned char* output;
        const char* expression;
    } cases[] = {
        {0, in.data(), out.data(), "wLen != 0"},
        {4, nullptr, out.data(), "lpInptr != NULL"},
        {4, in.data(), nullptr, "lpOutptr != NULL"},
        {511, in.data(), out.data(), "j < sizeof(byBuffer)"},
        {600, in.data(), out.data(), "j < sizeof(byBuffer)"},
        {0, nullptr, nullptr, "wLen != 0"},
    };
    for (const auto& c : cases) {
        VerifyLog log;
        EXPECT_EQ(s_CastHexToChar(c.len, c.input, c.output), 0) << c.expression;
        ExpectOneReport(log, c.expression);
    }
    EXPECT_EQ(out, Bytes(300, 0xEE));
}

TEST(CastHexText, BytesToTextAndBack) {
    Bytes source = B({0x1F, 0xA0}), text(8, 0xEE);
    unsigned char len = 99;
    ASSERT_TRUE(s_CastHexToStr(source.data(), 2, text.data(), &len));
    EXPECT_EQ(len, 4);
    EXPECT_STREQ(reinterpret_cast<char*>(text.data()), "1FA0");
    EXPECT_EQ(text[5], 0xEE);

    struct Case {
        std::string text;
        Bytes bytes;
    } cases[] = {
        {"1FA0", B({0x1F, 0xA0})},
        {"1fa0", B({0x1F, 0xA0})},
        {"1F7", B({0x1F})},
        {"G1", B({0x01})},
        {"1G", B({0x10})},
        {"", B({})},
        {"7", B({})},
        {"zz", B({0x00})},
        {"fFaA09", B({0xFF, 0xAA, 0x09})},
    };
    for (const auto& c : cases) {
        Bytes in = Text(c.text + "\n"), out(c.bytes.size() + 1, 0xEE);  // never an empty vector
        auto n = static_cast<unsigned char>(c.text.size());
        len = 99;
        ASSERT_TRUE(s_CastStrToHex(in.data(), n, out.data(), &len)) << c.text;
        ASSERT_EQ(len, c.bytes.size()) << c.text;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + len), c.bytes) << c.text;
        EXPECT_EQ(out[len], 0xEE) << "terminator or extra byte written for " << c.text;
    }
    // An empty source gives the empty text.
    len = 99;
    ASSERT_TRUE(s_CastHexToStr(source.data(), 0, text.data(), &len));
    EXPECT_EQ(len, 0);
    EXPECT_EQ(text[0], 0);
}

TEST(CastHexText, RandomBytesRoundTripForEveryLengthTo127) {
    std::mt19937 rng(5);
    for (int n = 0; n <= 127; ++n) {
        Bytes source(static_cast<size_t>(n) + 1);  // one spare byte: never an empty vector
        for (auto& b : source) b = static_cast<unsigned char>(rng());
        Bytes text(2 * n + 2, 0xEE), back(n + 1, 0xEE);
        unsigned char textLen = 0, backLen = 0;
        ASSERT_TRUE(
            s_CastHexToStr(source.data(), static_cast<unsigned char>(n), text.data(), &textLen));
        ASSERT_EQ(textLen, 2 * n);
        EXPECT_EQ(text[2 * n], 0);
        EXPECT_EQ(text[2 * n + 1], 0xEE);
        ASSERT_TRUE(s_CastStrToHex(text.data(), textLen, back.data(), &backLen));
        ASSERT_EQ(backLen, n);
        EXPECT_EQ(Bytes(back.begin(), back.begin() + n), Bytes(source.begin(), source.begin() + n));
    }
}

TEST(CastHexText, LongSourcesWriteTheWholeTextAndWrapTheLength) {
    Bytes source(200, 0xAB), text(402, 0xEE);
    unsigned char len = 0;
    ASSERT_TRUE(s_CastHexToStr(source.data(), 200, text.data(), &len));
    EXPECT_EQ(len, 400 % 256);
    EXPECT_EQ(text[399], 'B');
    EXPECT_EQ(text[400], 0);
    EXPECT_EQ(text[401], 0xEE);
    // 255 characters of text: 127 bytes, the last character ignored.
    Bytes longText(255, 'f'), out(128, 0xEE);
    ASSERT_TRUE(s_CastStrToHex(longText.data(), 255, out.data(), &len));
    EXPECT_EQ(len, 127);
    EXPECT_EQ(out[126], 0xFF);
    EXPECT_EQ(out[127], 0xEE);
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
        } cases[] = {
            {nullptr, target.data(), &len, "pbySource != NULL"},
            {source.data(), nullptr, &len, "pbyTarget != NULL"},
            {source.data(), target.data(), nullptr, "pbyOutLen != NULL"},
            {nullptr, nullptr, nullptr, "pbySource != NULL"},
        };
        for (const auto& c : cases) {
            VerifyLog log;
            EXPECT_FALSE(fn(c.source, 4, c.target, c.outLen)) << c.expression;
            ExpectOneReport(log, c.expression);
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
        {"123ABC", true, 0x123ABC},
        {"", false, 0},
        {"abc", false, 0},
        {"abc", true, 0xABC},
        {"-5", false, 0},
        {" 7", false, 0},
        {"+3", false, 0},
        {"0x1F", true, 0},
        {"0x1F", false, 0},
        {"999999999", false, 999999999},
        {"FFFFFFFF", true, 0xFFFFFFFFUL},
        {"FFFFFFFFF", true, 0xFFFFFFFFUL},  // nine digits: 36 bits, wraps at 32
        {"123456789", true, 0x23456789UL},
        {"1234567890", false, 0},  // ten characters: refused
        {"1234567890", true, 0},
        {"12g", true, 0x12},
        {"7:", false, 7},
    };
    for (const auto& c : cases) {
        std::string copy = c.text;
        EXPECT_EQ(s_CastStrToValue(&copy[0], c.hex), c.value) << c.text << " hex=" << c.hex;
    }
    EXPECT_EQ(s_CastStrToValue(nullptr, false), 0u);
    EXPECT_EQ(s_CastStrToValue(nullptr, true), 0u);
}

}  // namespace
