#include "NimbusLog/LogRoot.h"

#include <vector>

namespace halcyon::nimbuslog {
namespace {

// The executable's full name, never cut: the buffer grows past MAX_PATH for deep folders, so a
// root that is too long is seen as too long rather than as some shorter folder.
CString ExecutableName() {
    std::vector<char> name(MAX_PATH, '\0');
    for (;;) {
        auto size = static_cast<win::DWORD>(name.size());
        win::DWORD length = win::GetModuleFileNameA(nullptr, name.data(), size);
        if (length < size) return CString(name.data(), static_cast<int>(length));
        name.assign(name.size() * 2, '\0');
    }
}

}  // namespace

CString LogRootOf(const char* pszExecutable) {
    CString folder(pszExecutable);
    int slash = folder.ReverseFind('\\');
    if (slash >= 0) folder = folder.Left(slash);
    slash = folder.ReverseFind('\\');
    CString own = folder.Mid(slash + 1);
    own.MakeUpper();
    if (own.Compare("BIN") == 0 || own.Compare("SPU") == 0) {
        return folder.Left(slash < 0 ? 0 : slash) + "\\LOG\\";
    }
    return folder + "\\LOGS\\";
}

CString MakeLogRoot() {
    CString root = LogRootOf(ExecutableName());
    MakeFolder(root);
    return root;
}

void MakeFolder(const CString& path) {
    if (FitsPath(path)) win::_mkdir(path);
}

}  // namespace halcyon::nimbuslog
