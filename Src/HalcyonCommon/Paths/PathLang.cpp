// SPDX-License-Identifier: Apache-2.0
// The language files' locations, from the root's system.ini.
#include <HalcyonCommon/Paths.h>

#include "Platform/Win.h"

#include <vector>

namespace {

constexpr win::DWORD kValueSize = 4096;

CString ReadConfigFile(const char* key) {
    CString ini = s_PathGetMainPath() + "\\system.ini";
    std::vector<char> value(kValueSize, '\0');
    win::GetPrivateProfileStringA("CONFIG_FILE", key, "", value.data(), kValueSize, ini);
    return CString(value.data());
}

}  // namespace

CString s_PathGetLangPath() { return ReadConfigFile("FILEPATH"); }

CString s_PathGetLangIniFilePath() {
    CString path = ReadConfigFile("FILEPATH");
    // A trail byte of a double-byte character is not a backslash.
    if (path.IsEmpty() || path.ReverseFind('\\') != path.GetLength() - 1) path += '\\';
    return path + ReadConfigFile("FILENAME");
}
