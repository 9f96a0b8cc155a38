// An installation read in code page 950 (Big5), where the trail byte of a character may be a
// backslash, "[", "]", "|" or a letter. The installation's own folder is named with such
// characters, and so are its language file, sections, keys and values: the language strings, the
// list of Simplified markets, the application information and both families of profile
// functions must find every file and keep every character whole.
#include "Lang/LangTestSupport.h"

#include <HalcyonCommon.h>

#include "Platform/Win.h"
#include "support/TestProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

namespace {

using namespace halcyon::test;

// `text` with these characters (written in UTF-8 here for reading's sake) in Big5, each with the
// trail byte that follows it.
std::string Big5(std::string text) {
    const char* const kCharacters[][2] = {
        {"功", "\xA5\x5C"},  // "\"
        {"么", "\xA4\x5C"},  // "\"
        {"包", "\xA5\x5D"},  // "]"
        {"久", "\xA4\x5B"},  // "["
        {"四", "\xA5\x7C"},  // "|"
        {"地", "\xA6\x61"},  // "a"
        {"再", "\xA6\x41"},  // "A"
        {"乜", "\xA4\x5F"},  // "_"
    };
    for (const auto& character : kCharacters) {
        for (size_t at = text.find(character[0]); at != std::string::npos;
             at = text.find(character[0], at)) {
            text.replace(at, std::strlen(character[0]), character[1]);
        }
    }
    return text;
}

std::string AppInfo(void (*get)(CString&)) {
    CString value("unset");
    get(value);
    return static_cast<const char*>(value);
}

CString CacheFile() { return s_PathGetSysPath(0) + "\\Cache.ini"; }

std::string Cached(const char* section, const char* key) {
    char buf[32];
    SProfileInfo::GetPrivateProfileStringA(Big5(section).c_str(), Big5(key).c_str(), "-", buf,
                                           sizeof buf, CacheFile());
    return buf;
}

std::string Uncached(const char* section, const char* key) {
    char buf[32];
    s_ConfigReadProfileString(Big5(section).c_str(), Big5(key).c_str(), "-", buf, sizeof buf,
                              CacheFile());
    return buf;
}

std::string LangString(const char* key) {
    return static_cast<const char*>(s_LangGetLangString(CString(Big5(key).c_str())));
}

std::string Converts() {
    std::string out;
    for (unsigned char market : {0x0A, 0x0C, 0x1B}) {
        out += s_LangIsConvertToSimplified(market) ? '1' : '0';
    }
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

std::string FoundFirst() {
    win::_finddata64i32_t found;
    std::intptr_t search = win::_findfirst64i32(Main("SYS\\Language\\么.*").c_str(), &found);
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

using Query = std::function<std::string()>;

const std::map<std::string, Query>& Queries() {
    static const std::map<std::string, Query> queries = {
        {"root", [] { return std::string(s_PathGetMainPath().Right(4)); }},
        {"lang-file", [] { return std::string(s_LangGetLangFile()); }},
        {"lang-key-before-equals", [] { return LangString("IDS_MAIN_功"); }},
        {"lang-section", [] { return LangString("IDS_包_X"); }},
        {"lang-key-underscore", [] { return LangString("IDS_乜_K"); }},
        {"lang-line-breaks",
         [] {
             std::string value = LangString("IDS_MAIN_A") + "|" + LangString("IDS_MAIN_B");
             size_t at = value.find("\r\n");
             return at == std::string::npos ? value : value.replace(at, 2, "<CR LF>");
         }},
        {"service-list", Converts},
        {"product-name", [] { return AppInfo(s_AppInfoGetProductName); }},
        {"product-version", [] { return AppInfo(s_AppInfoGetProductVersion); }},
        {"app-id", [] { return AppInfo(s_AppInfoGetAPPID); }},
        {"version-by-key",
         [] {
             CString key(Big5("包").c_str());
             return std::string(s_AppInfoGetVersionInfoByKey(key));
         }},
        {"broker-id", [] { return AppInfo(s_AppInfoGetBrokerID); }},
        {"system-by-section",
         [] {
             CString section(Big5("包").c_str());
             return std::string(s_AppInfoGetSystemInfoByKeyInSection("Key", section));
         }},
        {"user-id", [] { return AppInfo(s_AppInfoGetAPPUserId); }},
        {"cache-key", [] { return Cached("包", "功"); }},
        {"cache-trail-letter", [] { return Cached("包", "地") + Cached("包", "再"); }},
        {"cache-header", [] { return Cached("X\xA5]Y", "K"); }},
        {"uncached-key", [] { return Uncached("包", "功"); }},
        {"uncached-trail-letter", [] { return Uncached("包", "地") + Uncached("包", "再"); }},
        {"uncached-header", [] { return Uncached("X\xA5]Y", "K"); }},
        {"file-with-folders", CreatedWithFolders},
        {"find-first", FoundFirst},
        {"temp-name", TempName},
        {"mutex-name", MutexMade},
    };
    return queries;
}

// Child (run in code page 950): loads the language strings and the service list, then prints the
// answer to each query named in `args`, one per line.
int InstallationRole(const std::vector<std::string>& args) {
    s_LangInitialLanguageString();
    s_LangInitSupportSimplifiedService();
    for (const std::string& name : args) {
        auto query = Queries().find(name);
        std::printf("%s\n", query == Queries().end() ? "no such query" : query->second().c_str());
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
         "[乜]\r\nIDS_乜_K=久\r\n"
         "[DIALOG-ABOUTBOX]\r\nIDS_DIALOG-ABOUTBOX_ACCOUNT=久:\r\n"},
        {"SYS/Application.ini", "[LANG_Service]\r\nSimplified_Service=0A,功,1B\r\n"},
        // "[OTHER\xA5]" is no header: its "]" is a trail byte, so ID belongs to SYSTEM.
        {"SYS/Version.ini",
         "[SYSTEM]\r\nProductName=功\r\nVersion=久1.0包\r\n包=by key\r\n"
         "[OTHER\xA5]\r\nID=in SYSTEM\r\n"},
        {"SYS/System.INI", "[CONFIG]\r\nBrokerID=么[包]\r\n[包]\r\nKey=四功\r\n"},
        {"SYS/UserInfo.CFG", "功007四0123456789"},
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
    struct Case {
        const char* query;
        const char* want;
    } cases[] = {
        {"root", "功四"},
        {"lang-file", "么.lng"},
        {"lang-key-before-equals", "久包"},
        {"lang-section", "四"},
        {"lang-key-underscore", "久"},
        {"lang-line-breaks", "功n|么<CR LF>"},  // only a backslash of its own starts "\n"
        {"service-list", "010"},
        {"product-name", "功"},
        {"product-version", "久1.0包"},
        {"app-id", "in SYSTEM"},
        {"version-by-key", "by key"},
        {"broker-id", "么[包]"},
        {"system-by-section", "四功"},
        {"user-id", "久: 功007四012345678"},
        {"cache-key", "久功"},
        {"cache-trail-letter", "lower-"},  // a trail byte is no letter to fold
        // The first "]" of its own closes a header; a trail byte "]" does not.
        {"cache-header", "in X\xA5]Y"},
        {"uncached-key", "久功"},
        {"uncached-trail-letter", "lower-"},
        {"uncached-header", "in X\xA5]Y"},
        {"file-with-folders", "opened"},
        {"find-first", "么.lng"},
        {"temp-name", "\\功\\tmp1F.tmp"},
        {"mutex-name", "made"},
    };
    std::string command = "cd '" + root + "/BIN' && env HALCYON_CODEPAGE=950 '" + exe + "' " +
                          kRoleFlag + "cp950-installation";
    for (const Case& c : cases) command += std::string(" ") + c.query;
    std::string out;
    ASSERT_EQ(RunCommand(command, out), 0) << out;
    size_t start = 0;
    for (const Case& c : cases) {
        size_t end = out.find('\n', start);
        ASSERT_NE(end, std::string::npos) << c.query;
        EXPECT_EQ(out.substr(start, end - start), Big5(c.want)) << c.query;
        start = end + 1;
    }
#else
    GTEST_SKIP() << "HALCYON_CODEPAGE is a setting of the Linux stand-in";
#endif
}

}  // namespace
