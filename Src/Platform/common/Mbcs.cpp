// SPDX-License-Identifier: Apache-2.0
#include "Platform/common/Mbcs.h"

#include "Platform/Win.h"

#include <cstring>

namespace halcyon::mbcs {
namespace {

// The lead bytes of the active code page, asked of the system once: the searches below test
// every byte of their text, and most code pages have none.
struct LeadBytes {
    bool lead[256] = {};
    bool any = false;
};

const LeadBytes& ActiveLeadBytes() {
    static const LeadBytes table = [] {
        LeadBytes bytes;
        for (unsigned int b = 0x80; b < 0x100; ++b) {
            bytes.lead[b] = win::IsDBCSLeadByte(static_cast<unsigned char>(b)) != FALSE;
            bytes.any = bytes.any || bytes.lead[b];
        }
        return bytes;
    }();
    return table;
}

// Calls `visit(index)` for every single-byte character of `text` from `start` on and returns
// early when it says so; double-byte characters (lead and trail) are stepped over.
template <typename Visit>
void ForEachSingleByte(const char* text, size_t length, size_t start, Visit visit) {
    const bool* lead = ActiveLeadBytes().lead;
    size_t i = 0;
    while (i < length) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (lead[byte] && i + 1 < length) {
            i += 2;
            continue;
        }
        if (i >= start && !visit(i)) return;
        ++i;
    }
}

}  // namespace

bool IsLeadByte(unsigned char byte) { return ActiveLeadBytes().lead[byte]; }

int FindChar(const char* text, size_t length, char ch, size_t start) {
    if (!ActiveLeadBytes().any) {
        if (start >= length) return -1;
        const void* at = std::memchr(text + start, ch, length - start);
        return at == nullptr ? -1 : static_cast<int>(static_cast<const char*>(at) - text);
    }
    int found = -1;
    ForEachSingleByte(text, length, start, [&](size_t i) {
        if (text[i] != ch) return true;
        found = static_cast<int>(i);
        return false;
    });
    return found;
}

int ReverseFindChar(const char* text, size_t length, char ch) {
    if (!ActiveLeadBytes().any) {
        for (size_t i = length; i > 0; --i) {
            if (text[i - 1] == ch) return static_cast<int>(i - 1);
        }
        return -1;
    }
    int found = -1;
    ForEachSingleByte(text, length, 0, [&](size_t i) {
        if (text[i] == ch) found = static_cast<int>(i);
        return true;
    });
    return found;
}

void ToUpper(char* text, size_t length) {
    ForEachSingleByte(text, length, 0, [&](size_t i) {
        if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
        return true;
    });
}

void ToLower(char* text, size_t length) {
    ForEachSingleByte(text, length, 0, [&](size_t i) {
        if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
        return true;
    });
}

}  // namespace halcyon::mbcs
