// SPDX-License-Identifier: Apache-2.0
// An installation read in code page 950 (Big5), where the trail byte of a character may be a
// backslash, "[", "]", "|" or a letter. The installation's own folder is named with such
// characters, and so are its language file, sections, keys and values: the language strings, the
// list of Simplified markets, both families of profile functions and the file calls must find
// every file and keep every character whole.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"
#include "support/TestProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace halcyon::test;

// `text` with these characters (written in UTF-8 here for reading's sake) in Big5. Their trail
// bytes are "\" (功 and 么), "]" (包), "[" (久), "|" (四), "a" (地), "A" (再) and "_" (乜).
std::string Big5(std::string text) {
    const char* const kCharacters[][2] = {
        {"功", "\xA5\x5C"}, {"么", "\xA4\x5C"}, {"包", "\xA5\x5D"}, {"久", "\xA4\x5B"},
        {"四", "\xA5\x7C"}, {"地", "\xA6\x61"}, {"再", "\xA6\x41"}, {"乜", "\xA4\x5F"}};
    for (const auto& character : kCharacters) {
        for (size_t at = text.find(character[0]); at != std::string::npos;
             at = text.find(character[0], at)) {
            text.replace(at, std::strlen(character[0]), character[1]);
        }
    }
    return text;
}

// A value of Cache.ini read through the profile cache, then through the platform's profile calls.
std::string Profile(const char* section, const char* key) {
    char cached[32], uncached[32];
    const CString file = s_PathGetSysPath(0) + "\\Cache.ini";
    const std::string s = Big5(section);
    const std::string k = Big5(key);
    SProfileInfo::GetPrivateProfileStringA(s.c_str(), k.c_str(), "-", cached, sizeof cached, file);
    s_ConfigReadProfileString(s.c_str(), k.c_str(), "-", uncached, sizeof uncached, file);
    return std::string(cached) + "/" + uncached;
}

std::string LangString(const char* key) {
    return static_cast<const char*>(s_LangGetLangString(CString(Big5(key).c_str())));
}

std::string Converts() {
    std::string out;
    for (unsigned char market : {0x0A, 0x0C, 0x1B})
        out += s_LangIsConvertToSimplified(market) ? '1' : '0';
    return out;
}

// Paths and names below the root whose separators must not be found inside a character.
std::string Main(const char* rest) { return std::string(s_PathGetMainPath()) + "\\" + Big5(rest); }

// Opens a new file two missing folders down; a folder made of a lone lead byte is a stray cut.
std::string CreatedWithFolders() {
    CFileEx file;
    bool opened = file.Open(Main("功\\么\\new.dat").c_str(), CFile::modeCreate | CFile::modeWrite);
    bool stray = win::GetFileAttributesA(Main("功\\\xA4").c_str()) != INVALID_FILE_ATTRIBUTES;
    return std::string(opened ? "opened" : "failed") + (stray ? " stray" : "");
}

// "功.*" finds the folder 功 that CreatedWithFolders made: ".*" matches a name without a dot too.
std::string FoundFirst() {
    win::_finddata64i32_t found;
    std::intptr_t search = win::_findfirst64i32(Main("功.*").c_str(), &found);
    if (search == -1) return "none";
    win::_findclose(search);
    return found.name;
}

std::string TempName() {
    char name[MAX_PATH];
    win::GetTempFileNameA(Main("功").c_str(), "tmp", 0x1F, name);
    return std::string(name).substr(s_PathGetMainPath().GetLength());
}

std::string MutexMade() {
    win::HANDLE mutex = win::CreateMutexA(nullptr, FALSE, Big5("Local\\功么").c_str());
    std::string made = mutex != nullptr ? "made" : std::to_string(win::GetLastError());
    if (mutex != nullptr) win::CloseHandle(mutex);
    return made;
}

// What the installation answers (the child prints each ended by a NUL) and what it must answer.
const std::pair<std::string (*)(), const char*> kQueries[] = {
    {[] { return std::string(s_PathGetMainPath().Right(4)); }, "功四"},
    {[] { return std::string(s_LangGetLangFile()); }, "么.lng"},
    {[] { return LangString("IDS_MAIN_功"); }, "久包"},  // a trail byte before "="
    {[] { return LangString("IDS_包_X"); }, "四"},       // the section within the key
    {[] { return LangString("IDS_乜_K"); }, "久"},       // a trail byte "_" within the key
    // Only a backslash of its own starts "\n".
    {[] { return LangString("IDS_MAIN_A") + "|" + LangString("IDS_MAIN_B"); }, "功n|么\r\n"},
    {Converts, "010"},
    {[] { return Profile("包", "功"); }, "久功/久功"},
    // A trail byte is no letter to fold.
    {[] { return Profile("包", "地") + Profile("包", "再"); }, "lower/lower-/-"},
    // The first "]" of its own closes a header; a trail byte "]" does not.
    {[] { return Profile("X\xA5]Y", "K"); }, "in X\xA5]Y/in X\xA5]Y"},
    {CreatedWithFolders, "opened"},
    {FoundFirst, "功"},
    {TempName, "\\功\\tmp1F.tmp"},
    {MutexMade, "made"},
};

// Child (run in code page 950): loads the language strings and the service list, then prints the
// answer to each query.
int InstallationRole(const std::vector<std::string>&) {
    s_LangInitialLanguageString();
    s_LangInitSupportSimplifiedService();
    for (const auto& [query, want] : kQueries) {
        std::string answer = query();
        std::fwrite(answer.c_str(), 1, answer.size() + 1, stdout);
    }
    return 0;
}
const ChildRole kInstallationRole("cp950-installation", InstallationRole);

// An installation in folder `root`, with the test program in its BIN; returns the program's path.
std::string MakeInstallation(const std::string& root) {
    const char* const kFiles[][2] = {
        {"SYS/Language/Language.ini", "[SETTING]\r\nLANG=2\r\n[LANGFILE]\r\n2=么.lng\r\n"},
        {"SYS/Language/么.lng",
         "[MAIN]\r\nIDS_MAIN_功=久包\r\nIDS_MAIN_A=功n\r\nIDS_MAIN_B=么\\n\r\n[包]\r\nIDS_包_X="
         "四\r\n"
         "[乜]\r\nIDS_乜_K=久\r\n"},
        {"SYS/Application.ini", "[LANG_Service]\r\nSimplified_Service=0A,功,1B\r\n"},
        {"SYS/Cache.ini", "[包]\r\n功=久功\r\n地=lower\r\n[X\xA5]Y]\r\nK=in X\xA5]Y\r\n"},
    };
    MakeFolder(root + "/SYS/Language");
    for (const auto& file : kFiles) WriteFile(Big5(root + "/" + file[0]), Big5(file[1]));
    MakeFolder(root + "/BIN");
    return PlaceProgram(os::SelfPath(), root + "/BIN");
}

TEST(CodePage950, InstallationInBig5KeepsCharactersWhole) {
#if HALCYON_STAND_IN
    std::string root = Big5(MakeScratchFolder("cp950") + "/功四");
    std::string exe = MakeInstallation(root);
    ASSERT_FALSE(exe.empty());
    std::string out;
    ASSERT_EQ(RunCommand("cd '" + root + "/BIN' && env HALCYON_CODEPAGE=950 '" + exe + "' " +
                             kRoleFlag + "cp950-installation",
                         out),
              0)
        << out;
    size_t start = 0;
    for (const auto& [query, want] : kQueries) {
        size_t end = out.find('\0', start);
        ASSERT_NE(end, std::string::npos) << want;
        EXPECT_EQ(out.substr(start, end - start), Big5(want));
        start = end + 1;
    }
#else
    GTEST_SKIP() << "HALCYON_CODEPAGE is a setting of the Linux stand-in";
#endif
}

}  // namespace
