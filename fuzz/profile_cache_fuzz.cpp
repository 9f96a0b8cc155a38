// Fuzzes the profile cache's parser. The input is the bytes of an INI file, parsed into the
// cache's table as SProfileInfo parses a file it has read; every section and key name the input
// holds (and one made of its last bytes) is looked up, and each answer must equal that of a plain
// reference parser written from the same rules with ordered maps and copied strings.
// The code page is Big5, so that double-byte characters whose trail bytes are "]", "=" or
// letters reach the splitting, the searches and the upper-casing.
#include "HalcyonCommon/Config/ProfileTable.h"
#include "HalcyonCommon/Config/ProfileText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using halcyon::profile::Table;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "profile_cache_fuzz: %s\n", what);
    std::abort();
}

bool Lead(char c) { return halcyon::profile::ActiveLeadBytes()(c); }
bool Blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string Trimmed(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && Blank(s[b])) ++b;
    while (e > b && Blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string Normal(const std::string& name) {
    std::string out = Trimmed(name);
    for (size_t i = 0; i < out.size(); ++i) {
        if (Lead(out[i])) {
            ++i;
        } else if (out[i] >= 'a' && out[i] <= 'z') {
            out[i] = static_cast<char>(out[i] - 32);
        }
    }
    return out;
}

// Splits at `ch` standing as a character of its own, into at most `most` parts before the rest
// (the rest is dropped then). Each part is copied whole: appending byte by byte took a third of
// the target's time in the traced comparisons of std::string's growth.
std::vector<std::string> Split(const std::string& text, char ch, size_t most = SIZE_MAX) {
    std::vector<std::string> parts;
    size_t begin = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ch) {
            parts.emplace_back(text, begin, i - begin);
            if (parts.size() == most) return parts;
            begin = i + 1;
        } else if (Lead(text[i]) && i + 1 < text.size()) {
            ++i;
        }
    }
    parts.emplace_back(text, begin);
    return parts;
}

using Keys = std::vector<std::pair<std::string, std::string>>;

// The reference: the rules, one by one, with ordered maps.
struct Reference {
    std::map<std::string, std::map<std::string, std::string>> sections;

    explicit Reference(std::string text) {
        text = text.substr(0, std::strlen(text.c_str()));
        Keys pending;
        std::string header;  // the previous header line, "" when none
        for (std::string line : Split(text, '\n')) {
            size_t start = 0;
            while (start < line.size() && Blank(line[start])) ++start;
            line = line.substr(start);
            if (line.size() < 2 || line[0] == ';') continue;
            if (line[0] == '[') {
                std::vector<std::string> parts = Split(header.substr(header.empty() ? 0 : 1), ']');
                if (!header.empty() && parts.size() > 1) Store(Normal(parts[0]), pending);
                pending.clear();
                header = line;
                continue;
            }
            std::vector<std::string> parts = Split(line, '=');
            if (parts.size() < 2 || parts[0].empty()) continue;
            std::string value = line.substr(parts[0].size() + 1);
            pending.emplace_back(Normal(parts[0]), Trimmed(value));
        }
        std::vector<std::string> parts = Split(header.substr(header.empty() ? 0 : 1), ']');
        Store(!header.empty() && parts.size() > 1 ? Normal(parts[0]) : "", pending);
    }

    void Store(const std::string& name, const Keys& keys) {
        auto& table = sections[name];
        table.clear();
        for (const auto& key : keys) table.emplace(key.first, key.second);
    }

    bool Find(const std::string& section, const std::string& key, std::string& value) const {
        auto s = sections.find(section);
        if (s == sections.end()) return false;
        auto k = s->second.find(key);
        if (k == s->second.end()) return false;
        value = k->second;
        return true;
    }
};

// Names to ask for, normalised, from the first 8 lines of the input: the text inside "[…]" as
// section names, the text before "=" as key names; with each, the empty name and one made of the
// input's last bytes.
void NamesOf(const std::string& text, std::vector<std::string>& sections,
             std::vector<std::string>& keys) {
    std::string tail = Normal(text.substr(text.size() > 5 ? text.size() - 5 : 0));
    sections = keys = {"", tail};
    std::vector<std::string> lines = Split(text, '\n', 8);
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t open = lines[i].find('[');
        if (open != std::string::npos) {
            sections.push_back(Normal(Split(lines[i].substr(open + 1), ']')[0]));
        } else {
            keys.push_back(Normal(Split(lines[i], '=')[0]));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("HALCYON_CODEPAGE", "950", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    Table table(text);
    Reference reference(text);
    // Everything the reference holds, the table holds alike.
    for (const auto& section : reference.sections) {
        for (const auto& key : section.second) {
            std::string_view got;
            Check(table.Find(section.first, key.first, got) && got == key.second,
                  "the table lacks or misreads a key the reference holds");
        }
    }
    // And for names taken from the input, both find the same.
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    NamesOf(text, sections, keys);
    for (const std::string& section : sections) {
        for (const std::string& key : keys) {
            std::string_view got;
            std::string want;
            Check(table.Find(section, key, got) == reference.Find(section, key, want),
                  "the table and the reference disagree on a name");
        }
    }
    return 0;
}
