// SPDX-License-Identifier: Apache-2.0
#include "Platform/posix/files/Wildcards.h"

#include <cstddef>
#include <vector>

namespace win::posix {
namespace {

// The pattern's wildcards with the DOS ones marked, as Windows marks them before it matches.
constexpr char kDosStar = '<';  // "*" before a dot
constexpr char kDosQm = '>';    // every "?"
constexpr char kDosDot = '"';   // a dot before "*", "?" or the end

std::string DosPattern(const std::string& pattern) {
    std::string marked = pattern;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '?') {
            marked[i] = kDosQm;
        } else if (pattern[i] == '.' && (next == '?' || next == '*' || next == '\0')) {
            marked[i] = kDosDot;
        } else if (pattern[i] == '*' && next == '.') {
            marked[i] = kDosStar;
        }
    }
    return marked;
}

char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Matches the pattern from position p against the name from position n, each pair of positions
// tried once (a pattern of many stars takes time in proportion to the pattern times the name).
struct Matcher {
    const std::string& pattern;
    const std::string& name;
    std::size_t lastDot;     // npos when the name has no dot
    std::vector<char> seen;  // (p, n) pairs found not to match

    bool From(std::size_t p, std::size_t n) {
        char& failed = seen[p * (name.size() + 1) + n];
        if (failed != 0) return false;
        bool matched = Step(p, n);
        failed = matched ? 0 : 1;
        return matched;
    }

    bool Step(std::size_t p, std::size_t n) {
        if (p == pattern.size()) return n == name.size();
        switch (pattern[p]) {
            case '*':
                for (std::size_t k = n; k <= name.size(); ++k) {
                    if (From(p + 1, k)) return true;
                }
                return false;
            case kDosStar: {
                // Up to the name's last dot, never past it.
                std::size_t limit =
                    lastDot != std::string::npos && lastDot >= n ? lastDot : name.size();
                for (std::size_t k = n; k <= limit; ++k) {
                    if (From(p + 1, k)) return true;
                }
                return false;
            }
            case kDosQm:
                if (n == name.size() || name[n] == '.') return From(p + 1, n);
                return From(p + 1, n + 1);
            case kDosDot:
                if (n == name.size()) return From(p + 1, n);
                return name[n] == '.' && From(p + 1, n + 1);
            default:
                return n < name.size() && Fold(pattern[p]) == Fold(name[n]) && From(p + 1, n + 1);
        }
    }
};

}  // namespace

bool MatchesWildcards(const std::string& pattern, const std::string& name) {
    std::string marked = DosPattern(pattern);
    Matcher matcher{marked, name, name.rfind('.'),
                    std::vector<char>((marked.size() + 1) * (name.size() + 1), 0)};
    return matcher.From(0, 0);
}

}  // namespace win::posix
