// SPDX-License-Identifier: Apache-2.0
// The markets that deliver Simplified Chinese already, and whether a market's text converts.
#include <HalcyonCommon/Convert.h>
#include <HalcyonCommon/Lang.h>
#include <HalcyonCommon/Paths.h>

#include "HalcyonCommon/Lang/LangState.h"
#include "Platform/Win.h"
#include "Platform/common/NeverDestroyed.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The list holds at most this many codes; further ones are ignored.
constexpr size_t kMaxServices = 64;

std::vector<unsigned char>& Services() {
    static halcyon::NeverDestroyed<std::vector<unsigned char>> services;
    return *services;
}

}  // namespace

bool s_LangInitSupportSimplifiedService() {
    char* buffer = halcyon::lang::ProfileBuffer();
    CString path;
    path.Format("%s\\Application.ini", static_cast<const char*>(s_PathGetSysPath(0)));
    buffer[0] = '\0';
    win::GetPrivateProfileStringA("LANG_Service", "Simplified_Service", "", buffer,
                                  halcyon::lang::kProfileBufferSize, path);
    std::vector<unsigned char> codes;
    auto* delimiters = reinterpret_cast<const unsigned char*>(" ,\n");
    for (unsigned char* piece = win::_mbstok(reinterpret_cast<unsigned char*>(buffer), delimiters);
         piece != nullptr; piece = win::_mbstok(nullptr, delimiters)) {
        if (std::strlen(reinterpret_cast<char*>(piece)) != 2) return false;
        unsigned char code = 0;
        unsigned char produced = 0;
        if (s_CastStrToHex(piece, 2, &code, &produced) && produced == 1) codes.push_back(code);
    }
    std::vector<unsigned char>& services = Services();
    for (unsigned char code : codes) {
        if (services.size() < kMaxServices) services.push_back(code);
    }
    return true;
}

bool s_LangIsConvertToSimplified(const unsigned char& byMarket) {
    if (s_LangGetLangID() != 2) return false;
    const std::vector<unsigned char>& services = Services();
    if (byMarket == 0 || services.empty()) return true;
    return std::find(services.begin(), services.end(), byMarket) == services.end();
}
