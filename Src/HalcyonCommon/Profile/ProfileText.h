// SPDX-License-Identifier: Apache-2.0
// The text rules the profile cache shares between parsing a file and looking names up in it:
// blanks, trimming, and the upper-casing of names in the active code page.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace halcyon::profile {

// Space, tab, carriage return, line feed, vertical tab and form feed.
inline bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline std::string_view TrimLeft(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) ++begin;
    return text.substr(begin);
}

inline std::string_view TrimRight(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return text.substr(0, end);
}

inline std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

// The lead bytes of the active code page, read once per process.
struct LeadBytes {
    std::array<bool, 256> lead{};
    bool any = false;
    bool operator()(char c) const { return lead[static_cast<unsigned char>(c)]; }
};
const LeadBytes& ActiveLeadBytes();

// Upper-cases the ASCII letters of text[0, length), stepping over double-byte characters.
void UpperCaseName(char* text, size_t length, const LeadBytes& lead);

// A caller's name trimmed and upper-cased: a name as the cache stores it. A null name is the
// empty one. Names of ordinary length stay in the object itself, so that a lookup allocates
// nothing.
class NormalName {
  public:
    explicit NormalName(const char* name) {
        std::string_view text = Trim(name == nullptr ? std::string_view() : name);
        char* out = small_;
        if (text.size() > sizeof small_) {
            large_.resize(text.size());
            out = &large_[0];
        }
        const LeadBytes& lead = ActiveLeadBytes();
        for (size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            out[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
            if (lead.any && lead(c) && i + 1 < text.size()) {
                ++i;
                out[i] = text[i];  // a trail byte stays as it is
            }
        }
        view_ = std::string_view(out, text.size());
    }
    NormalName(const NormalName&) = delete;
    NormalName& operator=(const NormalName&) = delete;

    std::string_view View() const { return view_; }

  private:
    char small_[128];
    std::string large_;
    std::string_view view_;
};

// Where `ch` (a single-byte character) first stands in `text` as a character of its own, not as
// the second byte of a double-byte character; npos when it does not.
size_t FindChar(std::string_view text, char ch, const LeadBytes& lead);

// The number in `text` as atol reads it (blanks, an optional sign, decimal digits up to the first
// other character, 0 without any), held to the range of a 32-bit long.
long ParseLong(std::string_view text);

}  // namespace halcyon::profile
