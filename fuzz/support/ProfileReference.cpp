// SPDX-License-Identifier: Apache-2.0
#include "ProfileReference.h"

#include <algorithm>
#include <utility>

namespace profile_reference {

std::map<std::string, Keys> Read(std::string_view text, const LeadTable& lead,
                                 std::vector<std::string>& names) {
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    auto find = [&](std::string_view s, char ch) {  // as a character of its own
        for (size_t i = 0; i < s.size(); i += lead[static_cast<unsigned char>(s[i])] ? 2 : 1) {
            if (s[i] == ch) return i;
        }
        return std::string_view::npos;
    };
    auto trimmed = [&](std::string_view s) {
        while (!s.empty() && blank(s.front())) s.remove_prefix(1);
        while (!s.empty() && blank(s.back())) s.remove_suffix(1);
        return s;
    };
    auto normal = [&](std::string_view s) {
        std::string out(trimmed(s));
        for (size_t i = 0; i < out.size(); i += lead[static_cast<unsigned char>(out[i])] ? 2 : 1) {
            if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
        }
        if (names.size() < 9 && std::find(names.begin(), names.end(), out) == names.end())
            names.push_back(out);
        return out;
    };
    std::map<std::string, Keys> sections;
    Keys pending;
    std::string_view header;  // the last header line, empty when none
    auto handOver = [&](bool atEnd) {
        size_t close = header.empty() ? std::string_view::npos : find(header.substr(1), ']');
        if (close != std::string_view::npos) {
            sections[normal(header.substr(1, close))] = std::move(pending);
        } else if (atEnd) {
            sections[""] = std::move(pending);
        }
        pending.clear();
    };
    names.assign(1, "");
    text = text.substr(0, text.find('\0'));
    auto readLine = [&](std::string_view line) {
        while (!line.empty() && blank(line[0])) line.remove_prefix(1);
        if (line.size() < 2 || line[0] == ';') return;
        if (line[0] == '[') {
            handOver(false);
            header = line;
            return;
        }
        size_t equals = find(line, '=');
        if (equals != std::string_view::npos && equals > 0) {
            pending.emplace(normal(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
        }
    };
    for (size_t end = find(text, '\n'); end != std::string_view::npos; end = find(text, '\n')) {
        readLine(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    readLine(text);
    handOver(true);
    return sections;
}

}  // namespace profile_reference
