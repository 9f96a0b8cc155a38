// SPDX-License-Identifier: Apache-2.0
#include "QueueRecords.h"

namespace halcyon::tool {
namespace {

const char kHexDigits[] = "0123456789abcdef";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool FromHex(const std::string& text, std::string& bytes, std::string& why) {
    if (text.size() % 2 != 0) {
        why = "an odd number of hexadecimal digits";
        return false;
    }
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = HexValue(text[i]), low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) {
            why = "'" + text.substr(i, 2) + "' is not a hexadecimal byte";
            return false;
        }
        bytes += static_cast<char>(high << 4 | low);
    }
    return true;
}

// Reads up to `end` (not kept); false at the end of the stream with nothing read.
bool ReadUntil(std::FILE* in, int end, std::string& text) {
    text.clear();
    int c;
    while ((c = std::getc(in)) != EOF && c != end) text += static_cast<char>(c);
    return c != EOF || !text.empty();
}

}  // namespace

bool Frame(const std::string& record, Framing framing, std::string& framed, std::string& why) {
    framed.clear();
    switch (framing) {
        case Framing::kLines:
            if (record.find('\n') != std::string::npos) {
                why = "holds a line break: pop it with --null or --hex";
                return false;
            }
            framed = record + '\n';
            return true;
        case Framing::kNull:
            if (record.find('\0') != std::string::npos) {
                why = "holds a NUL byte: pop it with --hex";
                return false;
            }
            framed = record + '\0';
            return true;
        case Framing::kHex:
            for (unsigned char c : record) {
                framed += kHexDigits[c >> 4];
                framed += kHexDigits[c & 15];
            }
            framed += '\n';
            return true;
    }
    return false;
}

ReadResult ReadFramed(std::FILE* in, Framing framing, std::string& record, std::string& why) {
    std::string text;
    do {
        if (!ReadUntil(in, framing == Framing::kNull ? '\0' : '\n', text)) return ReadResult::kEnd;
        if (framing == Framing::kHex && !text.empty() && text.back() == '\r') text.pop_back();
    } while (text.empty());
    if (framing != Framing::kHex) {
        record = text;
    } else if (!FromHex(text, record, why)) {
        return ReadResult::kBad;
    }
    if (record.size() > kMaxRecordBytes) {
        why = "is " + std::to_string(record.size()) + " bytes long; a record holds 1-3095";
        return ReadResult::kBad;
    }
    return ReadResult::kRecord;
}

}  // namespace halcyon::tool
