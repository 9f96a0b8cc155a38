#include "Platform/posix/base/Errors.h"
#include "Platform/posix/files/Files.h"

#include <dlfcn.h>

namespace win {

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    if (lpModuleName != nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    static HMODULE executable = dlopen(nullptr, RTLD_LAZY);
    return executable;
}

}  // namespace win
