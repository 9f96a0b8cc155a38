// SPDX-License-Identifier: Apache-2.0
// Every older exported name against its current function, in a fake installation.
//
// The functions are checked kind by kind (one kind: one signature). A kind's probe calls one
// function of that kind and shows what the call returned and what it left behind: its
// out-arguments, and what the current functions see afterwards where the call changes more than
// its arguments. An older name must show what its current function shows, and the current
// functions of one kind must all show differently: a probe that could not tell them apart could
// not catch an older name that calls the wrong one. Each probe's calls make every argument count,
// and give each result a bool function can give. Every older name the table of exports lists must
// have been checked.
//
// The program runs from the BIN folder of an installation root of its own (CMakeLists.txt), and
// the kinds run in order, each from the state the ones before it left. It is built from the public
// headers alone and links the shared library as any module does.
#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>

namespace fs = std::filesystem;

namespace {

std::string Show(const CString& s) { return s.str(); }
std::string Show(const std::string& s) { return s; }
std::string Show(bool b) { return b ? "true" : "false"; }
std::string Show(void* handle) { return handle != nullptr ? "handle" : "null"; }
std::string Show(const CStringArray& names) {
    std::string shown;
    for (int i = 0; i < names.GetSize(); ++i) shown += names.GetAt(i).str() + ",";
    return shown;
}
template <typename T>
std::string Show(T number) {
    return std::to_string(number);
}

// What calls and their arguments showed, in order: a braced list is evaluated left to right, and
// shown once it is whole, so that an argument shows as the calls before it left it.
struct Shown {
    template <typename... T>
    Shown(const T&... shown) : text(((Show(shown) + "|") + ...)) {}
    std::string text;
};
std::string Show(const Shown& shown) { return shown.text; }

// A probe that calls a function with copies of `args` and shows its result (when it has one)
// and the arguments as the call left them.
template <typename... A>
auto Calls(A... args) {
    return [=](auto f) {
        std::tuple<A...> a(args...);
        auto showArgs = [&](const auto&... before) {
            return std::apply([&](const auto&... after) { return Shown{before..., after...}; }, a);
        };
        if constexpr (std::is_void_v<decltype(std::apply(f, a))>) {
            std::apply(f, a);
            return showArgs();
        } else {
            return showArgs(std::apply(f, a));
        }
    };
}

// A probe that shows what each of `probes` shows, in order.
template <typename... P>
auto Each(P... probes) {
    return [=](auto f) { return Shown{probes(f)...}; };
}

// A buffer that an argument points into, shown as its bytes.
struct Buffer {
    std::string bytes;
    operator char*() { return &bytes[0]; }
    operator unsigned char*() { return reinterpret_cast<unsigned char*>(&bytes[0]); }
};
std::string Show(const Buffer& buffer) { return buffer.bytes; }

// 512 bytes: n bytes of a pattern that does not compress, then zeros.
std::string Pattern(int n) {
    std::string bytes(512, '\0');
    for (int i = 0; i < n; ++i) bytes[i] = static_cast<char>(i * 37 + 1);
    return bytes;
}

// The settings, language and product files the functions read, in a root emptied of all but the
// program's folder.
void WriteInstallation() {
    CString windowsRoot = s_PathGetMainPath();
    const fs::path root = halcyon::HostPath(windowsRoot);
    for (const auto& entry : fs::directory_iterator(root))
        if (entry.path().filename() != "BIN") fs::remove_all(entry.path());
    fs::create_directories(root / "SYS" / "Language");
    const std::pair<const char*, std::string> files[] = {
        {"system.ini", "[CONFIG_FILE]\r\nFILEPATH=" + Show(windowsRoot) +
                           "\\SYS\\Language\r\nFILENAME=Language.ini\r\n"},
        {"SYS/Language/Language.ini",
         "[SETTING]\r\nLANG=2\r\nCOUNT=3\r\n[LANGNAME]\r\n1=IDS_LANG_ONE\r\n2=IDS_LANG_TWO\r\n"
         "[LANGFILE]\r\n1=One.lng\r\n2=Test.lng\r\n"},
        {"SYS/Language/Test.lng",
         "[MAIN]\r\nIDS_MAIN_TITLE=Main\\nTitle\r\n[LANG]\r\nIDS_LANG_ONE=One\r\nIDS_LANG_TWO="
         "Two\r\n"},
        {"SYS/Language/BIG5-GB.TAB", std::string(2 * 13565, '\xB1')},
        {"SYS/Application.ini", "[LANG_Service]\r\nSimplified_Service=10 2A\r\n"},
        {"SYS/Version.ini",
         "[SYSTEM]\r\nCOPYWRITE=Copy\r\nID=App\r\nProductName=Name\r\nVersion=1.2\r\n"
         "ProductDate=20260101\r\nProductID=P1\r\nProductType=T\r\nAccountType=A\r\nLoginType="
         "L\r\n"},
        {"SYS/System.INI",
         "[CONFIG]\r\nBrokerID=B7\r\n[NetPlatForm]\r\nVSTAAddr=10.0.0.1:7000\r\n"},
        {"SYS/UserInfo.CFG", "ACCOUNT-12345678-and-more"},
    };
    for (const auto& [name, bytes] : files) std::ofstream(root / name, std::ios::binary) << bytes;
}

// Big5 text that the loaded conversion table changes.
const char kBig5[] = "\xA4\xA4\xB0\xEA-x";

// What the conversion, a lookup and the list of markets that deliver Simplified text give now.
Shown LangState() {
    CString converted("unchanged");
    s_LangConvertToSimplifiedChinese(CString(kBig5), converted);
    return {converted, s_LangGetLangString(CString("IDS_MAIN_TITLE")),
            s_LangIsConvertToSimplified(0x2A)};
}

// A loading or unloading call, from nothing loaded, then from the table and the strings loaded.
Shown Loading(bool (*f)()) {
    s_LangUnInitialLanguage();
    Shown fromNothing{f(), LangState()};
    s_LangInitialGBTable();
    s_LangInitialLanguageString();
    return {fromNothing, f(), LangState()};
}

// The one older name that takes fewer arguments: the current function with an empty name.
CString SqlCommandFolder(const CString& group) { return s_PathGetSQLCmdPath(group, CString()); }

// A mutex name no call has used yet.
std::string FreshName() {
    static int count = 0;
    return "HalcyonLegacy" + std::to_string(++count);
}

// Whether mutex `name` is gone, or free or owned for another thread (which, if it takes the
// mutex, leaves it abandoned: no probe uses it again).
std::string MutexState(const std::string& name) {
    void* other = s_MutexOpen(name.c_str());
    if (other == nullptr) return "gone";
    bool taken = false;
    std::thread([&] { taken = s_MutexWait(other, false); }).join();
    s_MutexClose(other);
    return taken ? "free" : "owned";
}

// Creates or opens a name that exists and a new one.
Shown Named(void* (*f)(const char*)) {
    std::string existing = FreshName(), fresh = FreshName();
    s_MutexCreate(existing.c_str());
    return {f(existing.c_str()), f(fresh.c_str()), MutexState(fresh)};
}

// Releases or closes the only handle of a mutex this thread owns.
std::string Held(void (*f)(void*)) {
    std::string name = FreshName();
    void* handle = s_MutexCreate(name.c_str());
    s_MutexWait(handle, true);
    f(handle);
    return MutexState(name);
}

// Waits for a mutex this thread holds from other threads: one not waiting, one waiting until this
// thread lets the mutex go.
std::string WaitForHeld(bool (*wait)(void*, bool)) {
    void* handle = s_MutexCreate(FreshName().c_str());
    s_MutexWait(handle, true);
    std::string out;
    std::thread([&] { out = Show(wait(handle, false)); }).join();
    std::thread waiter([&] {
        out += Show(wait(handle, true));
        s_MutexReset(handle);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    s_MutexReset(handle);
    waiter.join();
    s_MutexClose(handle);
    return out;
}

// An older name, its function and its current function.
template <typename F>
using Pair = std::tuple<const char*, F*, F*>;
#define PAIR(older, current) \
    { #older, older, current }
// The older folder and application names: s_TQGet… for s_PathGet… and s_AppInfoGet….
#define PATH(name) PAIR(s_TQGet##name, s_PathGet##name)
#define INFO(name) PAIR(s_TQGet##name, s_AppInfoGet##name)

// Current functions that are another one of their kind under a second name.
const std::set<std::string> kSecondNames = {"s_TQGetDividendPath", "s_TQGetRHeadlineReviewPath"};

std::set<std::string> g_checked;  // the older names checked, as the table of exports writes them

// Checks the older names of one kind, whose parameters the table writes as `parameters`.
template <typename F, typename Probe>
void Check(const char* parameters, std::initializer_list<Pair<F>> pairs, Probe probe) {
    std::set<std::string> shown;
    for (const auto& [older, olderFunction, currentFunction] : pairs) {
        std::string name = std::string(older) + "(" + parameters + ")";
        std::string olderShows = Show(probe(olderFunction));
        std::string currentShows = Show(probe(currentFunction));
        EXPECT_EQ(olderShows, currentShows) << name;
        EXPECT_TRUE(shown.insert(currentShows).second || kSecondNames.count(older) == 1)
            << name << " shows as another does: " << currentShows;
        g_checked.insert(name);
    }
}

// The older names the table of exports lists: the lines of their family.
std::set<std::string> ListedOlderNames() {
    std::ifstream table(HALCYON_EXPORT_TABLE);
    std::set<std::string> names;
    bool older = false;
    for (std::string line; std::getline(table, line);) {
        if (line.rfind("[", 0) == 0) older = line.rfind("[Older names", 0) == 0;
        if (older && !line.empty() && line[0] != '#' && line[0] != '[') names.insert(line);
    }
    return names;
}

TEST(LegacyAliases, EachOlderNameDoesWhatItsCurrentFunctionDoes) {
    WriteInstallation();
    // The language number is read here, once for the process: 2.
    Check<int()>(
        "", {PAIR(LANG_iGetLangID, s_LangGetLangID), PAIR(s_TQGetLangCount, s_LangGetLangCount)},
        Calls());
    // The list of Simplified markets only grows: it is loaded first, while still empty.
    Check<bool()>("",
                  {PAIR(LANG_bInitSupportSimplifiedService, s_LangInitSupportSimplifiedService),
                   PAIR(LANG_bInitialGBTable, s_LangInitialGBTable),
                   PAIR(LANG_bUnInitialGBTable, s_LangUnInitialGBTable),
                   PAIR(LANG_bInitialLanguage, s_LangInitialLanguage),
                   PAIR(LANG_bUnInitialLanguage, s_LangUnInitialLanguage),
                   PAIR(LANG_bInitialLanguageString, s_LangInitialLanguageString),
                   PAIR(LANG_bUnInitialLanguageString, s_LangUnInitialLanguageString)},
                  Loading);
    s_LangInitialLanguage();  // for the lookups and conversions below
    Check<CString(const CString&)>(
        "CString const&",
        {PAIR(s_TQcszGetLangString, s_LangGetLangString), PATH(UserDocumentPath),
         PATH(DataExportPath), PATH(ScreenSavePath), PAIR(s_TQGetSQLCmdPath, SqlCommandFolder)},
        Calls(CString("IDS_MAIN_TITLE")));
    Check<CString(char*)>("char*", {PAIR(s_TQcszGetLangString, s_LangGetLangString)},
                          Calls(Buffer{"IDS_LANG_ONE"}));
    Check<bool(CString&, const CString&, const CString&)>(
        "CString&, CString const&, CString const&",
        {PAIR(LANG_bGetLanguageString, s_LangGetLanguageString)},
        Calls(CString("old"), CString("MAIN"), CString("IDS_MAIN_TITLE")));
    Check<void(CStringArray&)>("CStringArray&", {PAIR(s_TQvGetAllLang, s_LangGetAllLang)},
                               Calls(CStringArray()));
    Check<bool(char*, char*)>(
        "char*, char*", {PAIR(LANG_bGetAllLine, s_LangGetAllLine)}, [](auto f) {
            char text[] = "[MAIN]\r\nIDS_MAIN_X=1\r\n\r\nlast";
            return Shown{f(text, text + sizeof text - 2), std::string(text, sizeof text)};
        });
    Check<bool(CString&, const CString&)>("CString&, CString const&",
                                          {PAIR(LANG_bGetSection, s_LangGetSection)},
                                          Calls(CString("old"), CString("[MAIN]")));
    Check<bool(CString&, CString&, const CString&)>(
        "CString&, CString&, CString const&", {PAIR(LANG_bGetKeyValue, s_LangGetKeyValue)},
        Calls(CString("k"), CString("v"), CString("IDS_A=1=2")));
    Check<void(CString&, int)>("CString&, int", {PAIR(g_vConvertEnterChar, s_LangConvertEnterChar)},
                               Calls(CString("a\\nb\\Nc\\n"), 6));
    Check<bool(const unsigned char&)>(
        "unsigned char const&", {PAIR(LANG_bIsConvertToSimplified, s_LangIsConvertToSimplified)},
        Each(Calls(0x2A), Calls(0x11)));
    Check<void(const CString&, CString&)>(
        "CString const&, CString&",
        {PAIR(LANG_vConvertToSimplifiedChinese, s_LangConvertToSimplifiedChinese)},
        Calls(CString(kBig5), CString("old")));
    // Selects language 1 in the settings file for the next start: the language file now named
    // there differs from the one loaded.
    Check<bool(CString&)>("CString&", {PAIR(s_TQbSetLang, s_LangSetLang)}, [](auto f) {
        CString lang("1");
        return Shown{f(lang), s_LangGetCurrLangFilename()};
    });
    // The folders and files of the installation, then the folders of the downloads and the server.
    Check<CString()>("",
                     {PATH(MainPath), PATH(BinPath), PATH(HelpPath), PATH(DocumentPath),
                      PATH(BondDataPath), PATH(BondRptPath), PATH(BondDailyRptPath),
                      PATH(BondWeeklyRptPath), PATH(BondYieldCurvePath), PATH(LangPath),
                      PATH(LangIniFilePath), PAIR(s_TQGetVertionPath, s_PathGetVersionPath),
                      PAIR(LANG_cszGetLangFile, s_LangGetLangFile),
                      PAIR(s_TQGetCurrLangFilename, s_LangGetCurrLangFilename)},
                     Calls());
    Check<CString()>(
        "",
        {PATH(FileDownloadPath), PATH(FileDownloadPatchPath), PATH(FileDownloadBondDataPath),
         PATH(FileDownloadBondRptPath), PATH(FileDownloadBondDailyRptPath),
         PATH(FileDownloadBondWeeklyRptPath), PATH(FileDownloadBondYieldCurvePath),
         PATH(ServerPatchPath), PATH(ServerBondDataPath), PATH(ServerBondRptPath),
         PATH(ServerBondDailyRptPath), PATH(ServerBondWeeklyRptPath),
         PATH(ServerBondYieldCurvePath)},
        Calls());
    Check<CString(unsigned char)>(
        "unsigned char",
        {PATH(DatPath), PATH(SysPath), PATH(LogPath), PATH(TempPath), PATH(FileDownloadDatPath),
         PATH(FileDownloadSysPath), PATH(ServerDatPath), PATH(ServerSysPath), PATH(TickPath),
         PATH(HistoryPath), PATH(MemoryPath), PATH(TickLogFilePath), PATH(DividendPath),
         PATH(BulletinPath), PATH(DailyInfoPath), PATH(SQLPath)},
        Calls(0x2A));
    Check<CString(unsigned char, const CString&)>(
        "unsigned char, CString const&",
        {PATH(TickPath), PATH(MagicPath), PATH(SignalPath), PATH(NewsHeadLinePath),
         PATH(NewsRelatedInfoHeadlinePath), PATH(NewsReviewPath), PATH(NewsStoryPath),
         PATH(RHeadlineReviewPath)},
        Calls(0x2A, CString("Name")));
    Check<CString(unsigned char, unsigned char)>(
        "unsigned char, unsigned char",
        {PATH(HistoryPath), PATH(BasicANPath), PATH(HistoryLogFilePath)}, Calls(0x2A, 'A'));

    Check<void(CString&)>(
        "CString&",
        {INFO(APPCopywrite), INFO(APPID), INFO(APPUserId), INFO(AccountType), INFO(BrokerID),
         INFO(ConnectVSTAAddr), INFO(LoginType), INFO(ProductDate), INFO(ProductID),
         INFO(ProductName), INFO(ProductType), INFO(ProductVersion)},
        Calls(CString("before")));
    Check<CString(const CString&, const CString&)>(
        "CString const&, CString const&", {INFO(SystemInfoByKeyInSection)},
        Calls(CString("VSTAAddr"), CString("NetPlatForm")));
    Check<CString(CString&)>("CString&", {INFO(VersionInfoByKey)}, Calls(CString("ProductName")));

    Check<bool(const char*)>("char const*",
                             {PAIR(s_TQCheckPrevInstance, s_AppInfoCheckPrevInstance)}, [](auto f) {
                                 std::string task = FreshName();
                                 return Shown{f(task.c_str()), f(task.c_str())};
                             });
    Check<void*(const char*)>(
        "char const*", {PAIR(s_TQCreateMutex, s_MutexCreate), PAIR(s_TQOpenMutex, s_MutexOpen)},
        Named);
    Check<bool(void*, bool)>("void*, bool", {PAIR(s_TQWaitMutex, s_MutexWait)}, WaitForHeld);
    Check<void(void*)>(
        "void*", {PAIR(s_TQResetMutex, s_MutexReset), PAIR(s_TQCloseMutex, s_MutexClose)}, Held);

    Check<bool(unsigned long*, unsigned char*, unsigned short)>(
        "unsigned long*, unsigned char*, unsigned short", {PAIR(s_TQBCDtoHEX, s_CastBCDtoHex)},
        [](auto f) {
            unsigned long value = 7;
            Buffer bcd{"\x12\x34\x56\x78"};
            return Shown{f(&value, bcd, 4), value, f(&value, bcd, 11)};
        });
    Check<bool(unsigned long, unsigned char*, unsigned short)>(
        "unsigned long, unsigned char*, unsigned short", {PAIR(s_TQHEXtoBCD, s_CastHextoBCD)},
        Each(Calls(123456, Buffer{std::string(16, '\0')}, 5),
             Calls(123456, Buffer{std::string(16, '\0')}, 2)));
    Check<unsigned short(unsigned short, unsigned char*, unsigned char*)>(
        "unsigned short, unsigned char*, unsigned char*",
        {PAIR(s_TQPackHexToChar, s_CastHexToChar)},
        Calls(5, Buffer{"12345"}, Buffer{std::string(16, '\0')}));
    Check<bool(unsigned char*, unsigned char, unsigned char*, unsigned char*)>(
        "unsigned char*, unsigned char, unsigned char*, unsigned char*",
        {PAIR(s_TQHex2Str, s_CastHexToStr), PAIR(s_TQStr2Hex, s_CastStrToHex)},
        Calls(Buffer{"0A1b"}, 4, Buffer{std::string(16, '\0')}, Buffer{std::string(16, '\0')}));
    Check<unsigned long(char*, bool)>(
        "char*, bool", {PAIR(s_TQStrValue, s_CastStrToValue)},
        Each(Calls(Buffer{"fF"}, true), Calls(Buffer{"4096x"}, false)));
    // Bytes that do not compress and a stream of "aaaaaaaaaa", into room enough and too little.
    const std::string stream = Pattern(0).replace(0, 8, "\x0A\0\0\0\xF6\xC9\0\0", 8);
    Check<long(char*, long, char*, long)>(
        "char*, long, char*, long",
        {PAIR(s_Tzip_mEncode, s_CodingEncode), PAIR(s_Tzip_mDecode, s_CodingDecode)},
        Each(Calls(Buffer{Pattern(300)}, 300, Buffer{Pattern(0)}, 400),
             Calls(Buffer{Pattern(300)}, 300, Buffer{Pattern(0)}, 10),
             Calls(Buffer{stream}, 8, Buffer{Pattern(0)}, 64),
             Calls(Buffer{stream}, 8, Buffer{Pattern(0)}, 4)));
    Check<long(long, unsigned char*, unsigned char*)>(
        "long, unsigned char*, unsigned char*",
        {PAIR(TQEncode, s_CodingEncode_2), PAIR(TQDecode, s_CodingDecode_2)},
        Calls(23, Buffer{Pattern(23)}, Buffer{std::string(512, '\0')}));

    EXPECT_EQ(g_checked, ListedOlderNames());
}

}  // namespace
