// SPDX-License-Identifier: Apache-2.0
#include "NimbusLog/LogRoot.h"

#include "Platform/common/ModuleName.h"

namespace halcyon::nimbuslog {

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
    CString root = LogRootOf(ExecutableFileName());
    MakeFolder(root);
    return root;
}

bool IsPlainName(const char* name) {
    CString text(name);
    // Windows drops the trailing dots and blanks of a name: ". ." and "..." are ".." or "." too.
    CString bare(text);
    bare.TrimRight(". ");
    return text.Find('\\') < 0 && text.Find('/') < 0 && text.Find(':') < 0 &&
           (text.IsEmpty() || !bare.IsEmpty());
}

void MakeFolder(const CString& path) {
    if (FitsPath(path)) win::_mkdir(path);
}

}  // namespace halcyon::nimbuslog
