// SPDX-License-Identifier: Apache-2.0
#include "Json.h"

#include <cmath>
#include <cstdio>

namespace halcyon::tool {
namespace {

// The length of the valid UTF-8 sequence at text[i], or 0.
size_t Utf8Length(const std::string& text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    }
    const auto second = static_cast<unsigned char>(text[i + 1]);
    // Overlong forms, surrogates and code points beyond U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        char escape[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            out += escape;
        } else if (c >= 0x80) {
            const size_t length = Utf8Length(text, i);
            if (length > 0) {
                out.append(text, i, length);
                i += length;
                continue;
            }
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

std::string JsonKey(const std::string& label) {
    std::string key = label;
    for (char& c : key) c = c == ' ' ? '_' : c;
    return key;
}

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i > 0 ? "," : "") + items[i];
    return out + "]";
}

JsonObject& JsonObject::Json(const char* name, const std::string& json) {
    if (!fields_.empty()) fields_ += ',';
    fields_ += JsonString(name) + ":" + json;
    return *this;
}

JsonObject& JsonObject::Text(const char* name, const std::string& value) {
    return Json(name, JsonString(value));
}

JsonObject& JsonObject::Number(const char* name, long long value) {
    return Json(name, std::to_string(value));
}

JsonObject& JsonObject::Number(const char* name, double value, int decimals) {
    if (!std::isfinite(value)) return Null(name);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return Json(name, text);
}

JsonObject& JsonObject::Flag(const char* name, bool value) {
    return Json(name, value ? "true" : "false");
}

JsonObject& JsonObject::Null(const char* name) { return Json(name, "null"); }

}  // namespace halcyon::tool
