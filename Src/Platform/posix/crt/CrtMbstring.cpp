// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/crt/CrtMbstring.h"

#include "Platform/posix/base/CodePage.h"

#include <cstddef>

namespace win {
namespace {

thread_local unsigned char* t_next = nullptr;

// The byte length of the character at `p` (0 at the terminator): 2 for a lead byte followed by
// a byte other than NUL, else 1.
size_t CharLength(const unsigned char* p) {
    if (*p == 0) return 0;
    return IsDBCSLeadByte(*p) && p[1] != 0 ? 2 : 1;
}

bool IsDelimiter(const unsigned char* p, size_t length, const unsigned char* delim) {
    for (const unsigned char* d = delim; *d != 0;) {
        size_t dl = CharLength(d);
        if (dl == length && d[0] == p[0] && (length == 1 || d[1] == p[1])) return true;
        d += dl;
    }
    return false;
}

}  // namespace

unsigned char* _mbstok(unsigned char* str, const unsigned char* delim) {
    unsigned char* p = str != nullptr ? str : t_next;
    if (p == nullptr || delim == nullptr) return nullptr;
    size_t length;
    while ((length = CharLength(p)) != 0 && IsDelimiter(p, length, delim)) p += length;
    if (*p == 0) {
        t_next = nullptr;
        return nullptr;
    }
    unsigned char* token = p;
    while ((length = CharLength(p)) != 0 && !IsDelimiter(p, length, delim)) p += length;
    if (*p != 0) {
        // Ends the token at the delimiter, both bytes of a double-byte one.
        for (size_t k = 0; k < length; ++k) p[k] = 0;
        t_next = p + length;
    } else {
        t_next = p;
    }
    return token;
}

}  // namespace win
