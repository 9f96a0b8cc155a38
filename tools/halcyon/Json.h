// SPDX-License-Identifier: Apache-2.0
// JSON for the tool's --json output (docs/cli-json.md): one object on one line, built field by
// field in the order given.
#pragma once

#include <string>
#include <vector>

namespace halcyon::tool {

// `text` as a JSON string, quotes included. Valid UTF-8 passes as it is; any other byte is read
// as Latin-1 (the code page's texts are not UTF-8), so the result is always valid JSON.
std::string JsonString(const std::string& text);

// "[a,b]" from items that are JSON already.
std::string JsonArray(const std::vector<std::string>& items);

// A label as a field name: "product id" -> "product_id".
std::string JsonKey(const std::string& label);

class JsonObject {
  public:
    JsonObject& Text(const char* name, const std::string& value);
    JsonObject& Number(const char* name, long long value);
    JsonObject& Number(const char* name, double value, int decimals);
    JsonObject& Flag(const char* name, bool value);
    JsonObject& Null(const char* name);
    // A value that is JSON already (an object or an array).
    JsonObject& Json(const char* name, const std::string& json);

    // "{...}".
    std::string Str() const { return "{" + fields_ + "}"; }

  private:
    std::string fields_;
};

}  // namespace halcyon::tool
