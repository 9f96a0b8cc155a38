// SPDX-License-Identifier: Apache-2.0
// The installed languages' names, as the selected language's string table spells them.
#include <HalcyonCommon/Lang.h>

#include "HalcyonCommon/Lang/LangState.h"

using halcyon::lang::ReadSetting;

void s_LangGetAllLang(CStringArray& arrLang) {
    arrLang.RemoveAll();
    for (int n = 1;; ++n) {
        CString number;
        number.Format("%d", n);
        CString key = ReadSetting("LANGNAME", number, "");
        if (key.IsEmpty()) break;
        arrLang.Add(s_LangGetLangString(key));
    }
}
