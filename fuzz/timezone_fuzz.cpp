// SPDX-License-Identifier: Apache-2.0
// Fuzzes the reader of the market time zone file. The input is the text of TimeZone.Ctl as the
// runtime's text mode gives it (the file itself is read through the runtime's fgets; here the
// lines come from memory, the same way, so that each run costs no file): the table the reader
// makes must be the one an independent reading gives (strtok and strtoll), every zone unique and
// within -720 to 720 minutes, and every question answered from it.
#include "support/FuzzCheck.h"

#include <HalcyonCommon.h>

#include "HalcyonCommon/TimeZone/ControlFile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using fuzz::Check;

using Zones = std::vector<std::pair<unsigned char, long>>;

// The next of the input's lines as fgets gives them: up to size - 1 bytes, to and with a line
// feed. `context` is the rest of the input.
bool NextLine(char* buffer, int size, void* context) {
    auto& rest = *static_cast<std::string_view*>(context);
    if (rest.empty()) return false;
    size_t n = std::min({rest.find('\n'), rest.size() - 1, static_cast<size_t>(size) - 2}) + 1;
    rest.copy(buffer, n);
    buffer[n] = '\0';
    rest.remove_prefix(n);
    return true;
}

// The table the file's text describes.
Zones Expected(std::string_view input) {
    Zones zones;
    bool seen[256] = {};
    char line[256];
    while (NextLine(line, static_cast<int>(sizeof line), &input)) {
        if (line[0] == '/') continue;
        // strtok stops at the first NUL, as the reader does.
        char* code = std::strtok(line, " ,\n");
        char* offset = code != nullptr ? std::strtok(nullptr, " ,\n") : nullptr;
        if (offset == nullptr) break;
        // atoi of a number beyond int: the nearest int.
        long minutes = static_cast<long>(
            std::clamp<long long>(std::strtoll(offset, nullptr, 10), INT_MIN, INT_MAX));
        auto c = static_cast<unsigned char>(code[0]);
        if (minutes < -720 || minutes > 720 || seen[c]) break;
        seen[c] = true;
        zones.emplace_back(c, minutes);
    }
    return zones;
}

Zones Read(const CTimeZone& table) {
    Zones zones;
    for (POSITION pos = table.m_listTimeZone.GetHeadPosition(); pos != nullptr;) {
        auto* node = static_cast<CTimeZoneNode*>(table.m_listTimeZone.GetNext(pos));
        zones.emplace_back(node->m_byZoneCode, node->GetTimeDiffFromGMT());
    }
    return zones;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CTimeZone table;  // reads the installation's file once; emptied for every input
    table.RemoveAllTimeZoneNode();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view rest = input;
    halcyon::timezone::ReadZones(NextLine, &rest, table);
    Zones zones = Read(table);
    Check(zones == Expected(input), "the table differs from the file's zones");
    for (const auto& [code, minutes] : zones) {
        Check(table.GetTimeDiffFromGMT(code) == minutes, "a zone's lookup differs from the table");
    }
    return 0;
}
