// Placeholder until the INI implementation lands: every lookup gives the default.
#include "posix/Profile.h"

#include "posix/Errors.h"

#include <cstring>

namespace win {

DWORD GetPrivateProfileStringA(LPCSTR, LPCSTR, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR) {
    if (lpReturnedString == nullptr || nSize == 0) return 0;
    const char* def = lpDefault != nullptr ? lpDefault : "";
    size_t n = std::strlen(def);
    if (n >= nSize) n = nSize - 1;
    std::memcpy(lpReturnedString, def, n);
    lpReturnedString[n] = '\0';
    return static_cast<DWORD>(n);
}

UINT GetPrivateProfileIntA(LPCSTR, LPCSTR, int nDefault, LPCSTR) {
    return static_cast<UINT>(nDefault);
}

DWORD GetPrivateProfileSectionA(LPCSTR, LPSTR, DWORD, LPCSTR) { return 0; }
DWORD GetPrivateProfileSectionNamesA(LPSTR, DWORD, LPCSTR) { return 0; }
BOOL WritePrivateProfileStringA(LPCSTR, LPCSTR, LPCSTR, LPCSTR) { return FALSE; }

}  // namespace win
