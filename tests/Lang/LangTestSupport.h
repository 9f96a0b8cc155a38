// SPDX-License-Identifier: Apache-2.0
// A language folder for the tests: root/Sys/Language with a settings file that selects language 2
// (files "Test.lng" and "TestBK.lng"), and a message-box catcher.
#pragma once

#include "support/TestEnv.h"

#include <Platform/Host.h>

#include <string>
#include <vector>

namespace halcyon::test {

inline std::string LanguageFolder() { return RootHostPath() + "/Sys/Language"; }

// The settings every test of the process shares: language 2, read once per process.
inline void WriteLanguageSettings(const char* lang = "2", const char* file = "Test.lng") {
    MakeFolder(LanguageFolder());
    WriteFile(LanguageFolder() + "/Language.ini",
              std::string("[SETTING]\r\nLANG=") + lang +
                  "\r\nCOUNT=3\r\n[LANGNAME]\r\n1=IDS_LANG_ONE\r\n2=IDS_LANG_TWO\r\n"
                  "4=IDS_LANG_FOUR\r\n[LANGFILE]\r\n2=" +
                  file +
                  "\r\n1=One.lng\r\n"
                  "[BKLANGFILE]\r\n2=TestBK.lng\r\n");
}

inline void WriteLanguageFile(const std::string& name, const std::string& bytes) {
    WriteFile(LanguageFolder() + "/" + name, bytes);
}

// Collects the texts of the message boxes shown while it lives.
struct MessageBoxes {
    MessageBoxes() { halcyon::SetMessageBoxHook(Capture, &texts); }
    ~MessageBoxes() { halcyon::SetMessageBoxHook(nullptr, nullptr); }
    static int Capture(const char* text, const char*, unsigned int, void* texts) {
        static_cast<std::vector<std::string>*>(texts)->emplace_back(text);
        return 1;
    }
    std::vector<std::string> texts;
};

}  // namespace halcyon::test
