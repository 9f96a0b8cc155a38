// Fuzzes the profile cache's parser. The input is the bytes of an INI file:
//   - it is parsed into the cache's table, and every section and key name the input holds (and a
//     few made of its last bytes) is looked up; each answer must equal that of a plain reference
//     parser written from the same rules with ordered maps and copied strings;
//   - one input in 32 goes the whole way, as a file read through SProfileInfo, whose answers
//     (cut to the buffer) must match the table's.
// The code page is Big5, so that double-byte characters whose trail bytes are "]", "=" or
// letters reach the splitting, the searches and the upper-casing.
#include "HalcyonCommon/Config/ProfileTable.h"
#include "HalcyonCommon/Config/ProfileText.h"
#include "Platform/Win.h"

#include <HalcyonCommon.h>

#include <unistd.h>

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

// Splits at `ch` standing as a character of its own.
std::vector<std::string> Split(const std::string& text, char ch) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ch) {
            parts.emplace_back();
        } else if (Lead(text[i]) && i + 1 < text.size()) {
            parts.back() += text[i];
            parts.back() += text[++i];
        } else {
            parts.back() += text[i];
        }
    }
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

// Names to ask for: each line's text before "=" and inside "[…]", and the input's last bytes.
std::vector<std::string> NamesOf(const std::string& text) {
    std::vector<std::string> names = {"", text.substr(text.size() > 5 ? text.size() - 5 : 0)};
    for (const std::string& line : Split(text, '\n')) {
        if (names.size() > 64) break;
        names.push_back(Split(line, '=')[0]);
        size_t open = line.find('[');
        if (open != std::string::npos) names.push_back(Split(line.substr(open + 1), ']')[0]);
    }
    return names;
}

std::string& HostFile() {
    static std::string path = [] {
        std::string p = "/tmp/profile_cache_fuzz_" + std::to_string(getpid()) + ".ini";
        std::atexit([] { unlink(HostFile().c_str()); });
        return p;
    }();
    return path;
}

// The whole way: the bytes as a file, read through SProfileInfo.
void CheckThroughTheCache(const std::string& text, const Table& table,
                          const std::vector<std::string>& names) {
    std::FILE* f = std::fopen(HostFile().c_str(), "wb");
    Check(f != nullptr, "cannot write the scratch file");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    SProfileInfo::EraseAll();
    char buf[9];
    for (const std::string& fullSection : names) {
        for (const std::string& fullKey : names) {
            // The C strings the cache is called with end at a name's first zero byte.
            const std::string section = fullSection.c_str();
            const std::string key = fullKey.c_str();
            std::string_view value;
            std::string want = table.Find(Normal(section), Normal(key), value)
                                   ? std::string(value.substr(0, sizeof buf - 1))
                                   : "\x01";
            unsigned long n = SProfileInfo::GetPrivateProfileStringA(
                section.c_str(), key.c_str(), "\x01", buf, sizeof buf, HostFile().c_str());
            Check(n == std::strlen(buf) && want == buf, "SProfileInfo and the table disagree");
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
    std::vector<std::string> names = NamesOf(text);
    for (const std::string& section : names) {
        for (const std::string& key : names) {
            std::string_view got;
            std::string want;
            bool found = table.Find(Normal(section), Normal(key), got);
            Check(found == reference.Find(Normal(section), Normal(key), want),
                  "the table and the reference disagree on a name");
            Check(!found || got == want, "the table and the reference disagree on a value");
        }
    }
    if (size > 0 && data[0] % 32 == 0) CheckThroughTheCache(text, table, names);
    return 0;
}
