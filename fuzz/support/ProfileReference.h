// A plain reading of the profile cache's rules, written apart from the cache's parser and built
// without the fuzzer's coverage instrumentation (the sanitizers check it as they check the rest):
// it is the measure, not what is fuzzed, and its edges and comparisons would only steer the
// fuzzer towards itself. It keeps names as upper-cased copies and values as views of the text, in
// flat sorted vectors, so that it allocates little.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace profile_reference {

// Which bytes lead a double-byte character in the code page the text is read in.
using LeadTable = std::array<bool, 256>;

struct Entry {
    std::string section;     // trimmed, ASCII letters upper-cased
    std::string key;         // the same
    std::string_view value;  // trimmed, a view of the text
};

class Reference {
  public:
    // Reads `text`, which must outlive the reference, by the rules one by one: the text ends at
    // its first zero byte; lines end at line feeds that are characters of their own; a line is
    // left-trimmed, and skipped when shorter than two bytes or a comment (";"); a header line
    // ("[") hands the keys seen since the previous header to that header's section (up to its
    // first "]", trimmed; no "]" or no previous header: the keys are dropped), replacing what
    // the section held; a line with "=" after a non-empty name is a key; the first line of a key
    // wins within a section; at the end the keys go to the last header's section, or to the
    // empty name when there is none or it has no "]".
    Reference(std::string_view text, const LeadTable& lead);

    // Every key of every section, sorted by section, then key; each pair once.
    const std::vector<Entry>& Entries() const { return entries_; }

    // The value of `key` in `section` (both normal); false when either is missing.
    bool Find(std::string_view section, std::string_view key, std::string_view& value) const;

  private:
    std::vector<Entry> entries_;
};

// Names worth asking for, normal and each once: the text inside "[…]" as section names and the
// text before "=" as key names, from the first eight lines of `text`; with each, the empty name
// and one made of the text's last five bytes.
void NamesOf(std::string_view text, const LeadTable& lead, std::vector<std::string>& sections,
             std::vector<std::string>& keys);

}  // namespace profile_reference
