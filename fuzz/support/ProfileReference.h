// SPDX-License-Identifier: Apache-2.0
// A plain reading of the profile cache's rules, written apart from the cache's parser and built
// without the fuzzer's coverage instrumentation (the sanitizers check it as they check the rest):
// it is the measure, not what is fuzzed, and its edges and comparisons would only steer the
// fuzzer towards itself.
#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace profile_reference {

// Which bytes lead a double-byte character in the code page the text is read in.
using LeadTable = std::array<bool, 256>;

// Key names (trimmed, ASCII letters upper-cased) and their values (trimmed views of the text).
using Keys = std::map<std::string, std::string_view>;

// Reads `text`, which must outlive the result, by the rules one by one: the text ends at its
// first zero byte; lines end at line feeds that are characters of their own; a line is
// left-trimmed, and skipped when shorter than two bytes or a comment (";"); a header line ("[")
// hands the keys seen since the previous header to that header's section (up to its first "]",
// normal; no "]" or no previous header: the keys are dropped), replacing what the section held;
// a line with "=" after a non-empty name is a key; the first line of a key wins within a section;
// at the end the keys go to the last header's section, or to the empty name when there is none
// or it has no "]". `names` gets the empty name and the first eight other section and key names
// the text gives, normal, each once: the names worth asking for.
std::map<std::string, Keys> Read(std::string_view text, const LeadTable& lead,
                                 std::vector<std::string>& names);

}  // namespace profile_reference
