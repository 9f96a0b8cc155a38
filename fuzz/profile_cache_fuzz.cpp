// SPDX-License-Identifier: Apache-2.0
// Fuzzes the profile cache's parser. The input is the bytes of an INI file, parsed into the
// cache's table as SProfileInfo parses a file it has read. Every key a plain reference parser of
// the same rules finds must be in the table with the same value; every pair of section and key
// names the input gives, asked of both, must be found by both or neither, with the same value.
// The code page is Big5, so that double-byte characters whose trail bytes are "]", "=" or
// letters reach the splitting, the searches and the upper-casing.
#include "HalcyonCommon/Profile/ProfileTable.h"
#include "HalcyonCommon/Profile/ProfileText.h"
#include "support/FuzzCheck.h"
#include "support/ProfileReference.h"

#include <cstdint>
#include <cstdlib>

using fuzz::Check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("HALCYON_CODEPAGE", "950", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const halcyon::profile::Table table{std::string(text)};
    std::vector<std::string> names;
    const auto reference =
        profile_reference::Read(text, halcyon::profile::ActiveLeadBytes().lead, names);
    for (const auto& [section, keys] : reference) {
        for (const auto& [key, value] : keys) {
            std::string_view got;
            Check(table.Find(section, key, got) && got == value,
                  "the table lacks or misreads a key the reference holds");
        }
    }
    for (const std::string& section : names) {
        auto keys = reference.find(section);
        for (const std::string& key : names) {
            std::string_view got;
            bool found = keys != reference.end() && keys->second.count(key) > 0;
            Check(table.Find(section, key, got) == found,
                  "the table holds a key the reference does not");
        }
    }
    return 0;
}
