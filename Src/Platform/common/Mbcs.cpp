#include "common/Mbcs.h"

#include "Platform/Win.h"

namespace halcyon::mbcs {
namespace {

// Calls `visit(index)` for every single-byte character of `text` from `start` on and returns
// early when it says so; double-byte characters (lead and trail) are stepped over.
template <typename Visit>
void ForEachSingleByte(const char* text, size_t length, size_t start, Visit visit) {
    size_t i = 0;
    while (i < length) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(byte) && i + 1 < length) {
            i += 2;
            continue;
        }
        if (i >= start && !visit(i)) return;
        ++i;
    }
}

}  // namespace

bool IsLeadByte(unsigned char byte) { return win::IsDBCSLeadByte(byte) != FALSE; }

int FindChar(const char* text, size_t length, char ch, size_t start) {
    int found = -1;
    ForEachSingleByte(text, length, start, [&](size_t i) {
        if (text[i] != ch) return true;
        found = static_cast<int>(i);
        return false;
    });
    return found;
}

int ReverseFindChar(const char* text, size_t length, char ch) {
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
