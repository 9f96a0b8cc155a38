// Fuzzes the reader of the market time zone file. The input is the bytes of TimeZone.Ctl: the
// table the library reads from it must be the one an independent reading gives (the C library's
// fgets in text mode, strtok and strtol), every zone unique and within -720 to 720 minutes, and
// every question answered from it.
#include <HalcyonCommon.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using Zones = std::vector<std::pair<unsigned char, long>>;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "timezone_fuzz: %s\n", what);
    std::abort();
}

const std::string& ControlFile() {
    static const std::string path = halcyon::HostPath(s_PathGetSysPath(0)) + "/TimeZone.Ctl";
    return path;
}

// The text as the Windows runtime reads it in text mode: CR LF becomes LF, Ctrl-Z ends it.
std::string TextMode(const uint8_t* data, size_t size) {
    std::string text;
    for (size_t i = 0; i < size && data[i] != 0x1A; ++i) {
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
        text += static_cast<char>(data[i]);
    }
    return text;
}

long AtoiClamped(const char* field) {
    errno = 0;
    long long value = std::strtoll(field, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<long>(value);
}

// The table the file's text describes, read 255 characters at a time like fgets.
Zones Expected(const std::string& text) {
    Zones zones;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        size_t length =
            std::min(end == std::string::npos ? text.size() - at : end - at + 1, size_t{255});
        std::string line = text.substr(at, length);
        at += length;
        if (line[0] == '/') continue;
        std::vector<char> buf(line.c_str(), line.c_str() + line.size() + 1);  // up to a NUL
        char* code = std::strtok(buf.data(), " ,\n");
        char* offset = code != nullptr ? std::strtok(nullptr, " ,\n") : nullptr;
        if (offset == nullptr) break;
        long minutes = AtoiClamped(offset);
        auto c = static_cast<unsigned char>(code[0]);
        bool repeated = false;
        for (const auto& z : zones) repeated = repeated || z.first == c;
        if (minutes < -720 || minutes > 720 || repeated) break;
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
    std::FILE* file = std::fopen(ControlFile().c_str(), "wb");
    Check(file != nullptr, "cannot write the control file");
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);

    static CTimeZone table;
    table.RemoveAllTimeZoneNode();
    table.InitialControlFile();
    Zones zones = Read(table);
    Check(zones == Expected(TextMode(data, size)), "the table differs from the file's zones");
    for (size_t i = 0; i < zones.size(); ++i) {
        Check(table.GetTimeDiffFromGMT(zones[i].first) == zones[i].second, "lookup");
        Check(
            table.GetTimeDiff(zones[i].first, zones[0].first) == zones[i].second - zones[0].second,
            "difference");
    }
    return 0;
}
