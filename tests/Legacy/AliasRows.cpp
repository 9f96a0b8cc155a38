// The rows of the alias test, one family per signature: an older name and its current function
// must have the same type to share a family, and each family lists the calls its rows make, the
// arguments written as text. A row's line is each call's result and the state of its arguments
// afterwards (buffers, out-arguments, the mutex a handle names), and for some families what the
// current functions see afterwards in memory.
#include "Legacy/AliasRows.h"

#include <HalcyonCommon.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>

namespace halcyon::legacy_test {

namespace {

const char kNull[] = "<null>";  // the argument text of a null pointer

std::string Show(const CString& s) {
    return std::string(static_cast<const char*>(s), static_cast<std::size_t>(s.GetLength()));
}
std::string Show(bool b) { return b ? "true" : "false"; }
std::string Show(void* p) { return p != nullptr ? "handle" : "null"; }
template <typename T>
std::string Show(T number) {
    return std::to_string(number);
}

// A number, or a flag as 0 or 1.
template <typename T>
struct Number {
    explicit Number(const std::string& text) : value(static_cast<T>(std::stoll(text))) {}
    T& Get() { return value; }
    std::string After() const { return ""; }
    T value;
};

// A buffer of 512 bytes that starts with the text, shown up to its last byte that is not zero.
template <typename C>
struct Buffer {
    explicit Buffer(const std::string& text) : null(text == kNull), bytes(512, 0) {
        if (!null) std::copy(text.begin(), text.end(), bytes.begin());
    }
    C* Get() { return null ? nullptr : reinterpret_cast<C*>(bytes.data()); }
    std::string After() const {
        std::string out;
        char hex[4];
        std::size_t end = bytes.find_last_not_of('\0');
        for (std::size_t i = 0; end != std::string::npos && i <= end; ++i) {
            std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(bytes[i]));
            out += hex;
        }
        return out;
    }
    bool null;
    std::string bytes;
};

struct Text {
    explicit Text(const std::string& text) : value(text.c_str()) {}
    CString& Get() { return value; }
    std::string After() const { return Show(value); }
    CString value;
};

struct Name {
    explicit Name(const std::string& text) : value(text) {}
    const char* Get() { return value == kNull ? nullptr : value.c_str(); }
    std::string After() const { return ""; }
    std::string value;
};

struct Names {
    explicit Names(const std::string& text) { value.Add(CString(text.c_str())); }
    CStringArray& Get() { return value; }
    std::string After() const {
        std::string out;
        for (int i = 0; i < value.GetSize(); ++i) out += Show(value.GetAt(i)) + "|";
        return out;
    }
    CStringArray value;
};

struct Value {
    explicit Value(const std::string& text) : value(std::stoul(text)) {}
    unsigned long* Get() { return &value; }
    std::string After() const { return std::to_string(value); }
    unsigned long value;
};

// A handle of a new mutex of that name, owned first when the text starts with '*'; afterwards,
// whether the name is still there and another thread can take it.
struct Mutex {
    explicit Mutex(const std::string& text) : name(text.substr(text[0] == '*')) {
        if (text == kNull) return;
        handle = s_MutexCreate(name.c_str());
        if (text[0] == '*') s_MutexWait(handle, true);
    }
    void* Get() { return handle; }
    std::string After() const {
        void* other = handle != nullptr ? s_MutexOpen(name.c_str()) : nullptr;
        if (other == nullptr) return "gone";
        bool taken = false;
        std::thread([&] {
            taken = s_MutexWait(other, false);
            if (taken) s_MutexReset(other);
        }).join();
        s_MutexClose(other);
        return taken ? "free" : "owned";
    }
    std::string name;
    void* handle = nullptr;
};

// The argument of each parameter type, and the type as the table of exports writes it.
template <typename P>
struct Tag {};
template <typename H>
struct Kind {
    using Holder = H;
    const char* name;
};
Kind<Number<unsigned char>> Param(Tag<unsigned char>) { return {"unsigned char"}; }
Kind<Number<unsigned char>> Param(Tag<const unsigned char&>) { return {"unsigned char const&"}; }
Kind<Number<unsigned short>> Param(Tag<unsigned short>) { return {"unsigned short"}; }
Kind<Number<int>> Param(Tag<int>) { return {"int"}; }
Kind<Number<long>> Param(Tag<long>) { return {"long"}; }
Kind<Number<unsigned long>> Param(Tag<unsigned long>) { return {"unsigned long"}; }
Kind<Number<bool>> Param(Tag<bool>) { return {"bool"}; }
Kind<Buffer<unsigned char>> Param(Tag<unsigned char*>) { return {"unsigned char*"}; }
Kind<Buffer<char>> Param(Tag<char*>) { return {"char*"}; }
Kind<Text> Param(Tag<CString&>) { return {"CString&"}; }
Kind<Text> Param(Tag<const CString&>) { return {"CString const&"}; }
Kind<Name> Param(Tag<const char*>) { return {"char const*"}; }
Kind<Names> Param(Tag<CStringArray&>) { return {"CStringArray&"}; }
Kind<Value> Param(Tag<unsigned long*>) { return {"unsigned long*"}; }
Kind<Mutex> Param(Tag<void*>) { return {"void*"}; }
template <typename P>
using Arg = typename decltype(Param(Tag<P>{}))::Holder;

template <typename R, typename... P>
std::string Parameters(R (*)(P...)) {
    std::string out;
    ((out += std::string(out.empty() ? "" : ", ") + Param(Tag<P>{}).name), ...);
    return out;
}

template <typename R, typename... P, std::size_t... I>
std::string Call(R (*f)(P...), const std::vector<std::string>& texts, std::index_sequence<I...>) {
    std::tuple<Arg<P>...> args(texts.at(I)...);
    std::string out;
    if constexpr (std::is_void_v<R>) {
        f(std::get<I>(args).Get()...);
    } else {
        out = Show(f(std::get<I>(args).Get()...));
    }
    ((out += "," + std::get<I>(args).After()), ...);
    return out;
}

using Calls = std::vector<std::vector<std::string>>;
using Observer = std::string (*)();

template <typename F>
struct Pair {
    const char* name;
    F* older;
    F* current;
};
#define PAIR(older, current) \
    { #older, older, current }
// The older folder and application names: s_TQGet… for s_PathGet… and s_AppInfoGet….
#define TQ(area, name) PAIR(s_TQGet##name, s_##area##Get##name)

template <typename R, typename... P>
std::string Call(R (*f)(P...), const std::vector<std::string>& texts) {
    return Call(f, texts, std::index_sequence_for<P...>{});
}

// Adds a row per pair: each of `calls` made with the older name or the current function, then
// what `observe` sees.
template <typename F>
void Add(std::vector<AliasRow>& rows, std::initializer_list<Pair<F>> pairs, Calls calls,
         Observer observe = nullptr) {
    for (const Pair<F>& p : pairs) {
        rows.push_back({std::string(p.name) + "(" + Parameters(p.older) + ")", [=](bool legacy) {
                            std::string out;
                            for (const auto& texts : calls)
                                out += Call(legacy ? p.older : p.current, texts) + ";";
                            return observe != nullptr ? out + observe() : out;
                        }});
    }
}

// Big5 for two characters, converted once a table is loaded.
const char kBig5Sample[] = "\xA4\xA4\xB0\xEA-x";

// What the lookups and the conversion give after loading or unloading.
std::string Loaded() {
    CString converted("unchanged");
    s_LangConvertToSimplifiedChinese(CString(kBig5Sample), converted);
    return Show(converted) + "|" + Show(s_LangGetLangString(CString("IDS_MAIN_TITLE"))) + "|" +
           Show(STATUS_OPEN_STRING);
}
std::string Markets() {
    std::string out;
    for (unsigned char m : {0, 0x10, 0x2A, 0x11}) out += Show(s_LangIsConvertToSimplified(m));
    return out;
}
std::string LangId() { return Show(s_LangGetLangID()); }

// The one older name that takes fewer arguments: the current function with an empty name.
CString SqlCommandFolder(const CString& group) { return s_PathGetSQLCmdPath(group, CString()); }

std::string Scrambled() {
    std::string input;
    for (int i = 0; i < 23; ++i) input += static_cast<char>(i * 37 + 1);
    return input;
}

// Splits a text into its lines in place, from a pointer to its first byte to one to its last.
std::string AllLines(bool legacy) {
    char text[] = "[MAIN]\r\nIDS_MAIN_X=1\r\n\r\nlast";
    bool ok = (legacy ? LANG_bGetAllLine : s_LangGetAllLine)(text, text + sizeof text - 2);
    Arg<char*> shown(std::string(text, sizeof text));
    return Show(ok) + shown.After();
}

}  // namespace

std::vector<AliasRow> AliasRows() {
    std::vector<AliasRow> rows;
    Add<int()>(rows,
               {PAIR(LANG_iGetLangID, s_LangGetLangID), PAIR(s_TQGetLangCount, s_LangGetLangCount)},
               {{}});
    Add<bool()>(rows,
                {PAIR(LANG_bInitialGBTable, s_LangInitialGBTable),
                 PAIR(LANG_bUnInitialGBTable, s_LangUnInitialGBTable),
                 PAIR(LANG_bInitialLanguage, s_LangInitialLanguage),
                 PAIR(LANG_bUnInitialLanguageString, s_LangUnInitialLanguageString),
                 PAIR(LANG_bInitialLanguageString, s_LangInitialLanguageString)},
                {{}}, Loaded);
    Add<CString(const CString&)>(rows, {PAIR(s_TQcszGetLangString, s_LangGetLangString)},
                                 {{"IDS_MAIN_TITLE"}, {"IDS_MAIN_NONE"}});
    Add<CString(char*)>(rows, {PAIR(s_TQcszGetLangString, s_LangGetLangString)},
                        {{"IDS_LANG_ONE"}, {"IDS_LANG_NONE"}});
    Add<bool(CString&, const CString&, const CString&)>(
        rows, {PAIR(LANG_bGetLanguageString, s_LangGetLanguageString)},
        {{"old", "MAIN", "IDS_MAIN_TITLE"}, {"old", "MAIN", "IDS_MAIN_NONE"}});
    Add<void(CStringArray&)>(rows, {PAIR(s_TQvGetAllLang, s_LangGetAllLang)}, {{"stale"}});
    rows.push_back({"LANG_bGetAllLine(char*, char*)", AllLines});
    Add<bool(CString&, const CString&)>(rows, {PAIR(LANG_bGetSection, s_LangGetSection)},
                                        {{"old", "[MAIN]"}, {"old", "IDS_A=1"}});
    Add<bool(CString&, CString&, const CString&)>(rows,
                                                  {PAIR(LANG_bGetKeyValue, s_LangGetKeyValue)},
                                                  {{"k", "v", "IDS_A=1=2"}, {"k", "v", "no key"}});
    Add<void(CString&, int)>(rows, {PAIR(g_vConvertEnterChar, s_LangConvertEnterChar)},
                             {{"a\\nb\\Nc\\n", "6"}});
    Add<bool()>(rows,
                {PAIR(LANG_bInitSupportSimplifiedService, s_LangInitSupportSimplifiedService)},
                {{}}, Markets);
    Add<bool(const unsigned char&)>(
        rows, {PAIR(LANG_bIsConvertToSimplified, s_LangIsConvertToSimplified)},
        {{"0"}, {"16"}, {"42"}, {"17"}});
    Add<void(const CString&, CString&)>(
        rows, {PAIR(LANG_vConvertToSimplifiedChinese, s_LangConvertToSimplifiedChinese)},
        {{kBig5Sample, "old"}});
    Add<bool(CString&)>(rows, {PAIR(s_TQbSetLang, s_LangSetLang)}, {{"1"}}, LangId);
    Add<bool()>(rows, {PAIR(LANG_bUnInitialLanguage, s_LangUnInitialLanguage)}, {{}}, Loaded);

    Add<CString()>(rows,
                   {TQ(Path, MainPath),
                    TQ(Path, BinPath),
                    TQ(Path, HelpPath),
                    TQ(Path, DocumentPath),
                    TQ(Path, FileDownloadPath),
                    TQ(Path, BondDataPath),
                    TQ(Path, BondRptPath),
                    TQ(Path, BondDailyRptPath),
                    TQ(Path, BondWeeklyRptPath),
                    TQ(Path, BondYieldCurvePath),
                    TQ(Path, FileDownloadPatchPath),
                    TQ(Path, FileDownloadBondDataPath),
                    TQ(Path, FileDownloadBondRptPath),
                    TQ(Path, FileDownloadBondDailyRptPath),
                    TQ(Path, FileDownloadBondWeeklyRptPath),
                    TQ(Path, FileDownloadBondYieldCurvePath),
                    TQ(Path, ServerPatchPath),
                    TQ(Path, ServerBondDataPath),
                    TQ(Path, ServerBondRptPath),
                    TQ(Path, ServerBondDailyRptPath),
                    TQ(Path, ServerBondWeeklyRptPath),
                    TQ(Path, ServerBondYieldCurvePath),
                    TQ(Path, LangPath),
                    TQ(Path, LangIniFilePath)},
                   {{}});
    Add<CString()>(rows,
                   {PAIR(LANG_cszGetLangFile, s_LangGetLangFile),
                    PAIR(s_TQGetCurrLangFilename, s_LangGetCurrLangFilename),
                    PAIR(s_TQGetVertionPath, s_PathGetVersionPath)},
                   {{}});
    // Market 255 has no folder.
    Add<CString(unsigned char)>(
        rows,
        {TQ(Path, DatPath), TQ(Path, SysPath), TQ(Path, LogPath), TQ(Path, TempPath),
         TQ(Path, FileDownloadDatPath), TQ(Path, FileDownloadSysPath), TQ(Path, ServerDatPath),
         TQ(Path, ServerSysPath), TQ(Path, TickPath), TQ(Path, HistoryPath), TQ(Path, MemoryPath),
         TQ(Path, TickLogFilePath), TQ(Path, DividendPath), TQ(Path, BulletinPath),
         TQ(Path, DailyInfoPath), TQ(Path, SQLPath)},
        {{"42"}, {"0"}, {"255"}});
    Add<CString(const CString&)>(
        rows,
        {TQ(Path, UserDocumentPath), TQ(Path, DataExportPath), TQ(Path, ScreenSavePath),
         PAIR(s_TQGetSQLCmdPath, SqlCommandFolder)},
        {{"Ann"}});
    Add<CString(unsigned char, const CString&)>(
        rows,
        {TQ(Path, TickPath), TQ(Path, MagicPath), TQ(Path, SignalPath), TQ(Path, NewsHeadLinePath),
         TQ(Path, NewsRelatedInfoHeadlinePath), TQ(Path, NewsReviewPath), TQ(Path, NewsStoryPath),
         TQ(Path, RHeadlineReviewPath)},
        {{"42", "Name"}, {"7", ""}, {"255", "x"}});
    Add<CString(unsigned char, unsigned char)>(
        rows, {TQ(Path, HistoryPath), TQ(Path, BasicANPath), TQ(Path, HistoryLogFilePath)},
        {{"42", "65"}, {"0", "57"}, {"255", "66"}});
    Add<void(CString&)>(
        rows,
        {TQ(AppInfo, APPCopywrite), TQ(AppInfo, APPID), TQ(AppInfo, APPUserId),
         TQ(AppInfo, AccountType), TQ(AppInfo, BrokerID), TQ(AppInfo, ConnectVSTAAddr),
         TQ(AppInfo, LoginType), TQ(AppInfo, ProductDate), TQ(AppInfo, ProductID),
         TQ(AppInfo, ProductName), TQ(AppInfo, ProductType), TQ(AppInfo, ProductVersion)},
        {{"before"}});
    Add<CString(const CString&, const CString&)>(rows, {TQ(AppInfo, SystemInfoByKeyInSection)},
                                                 {{"VSTAAddr", "NetPlatForm"}, {"None", "CONFIG"}});
    Add<CString(CString&)>(rows, {TQ(AppInfo, VersionInfoByKey)}, {{"ProductName"}});

    // Mutexes: a second instance is refused; a handle's mutex is owned, free or gone afterwards.
    Add<bool(const char*)>(rows, {PAIR(s_TQCheckPrevInstance, s_AppInfoCheckPrevInstance)},
                           {{"HalcyonLegacyTask"}, {"HalcyonLegacyTask"}, {kNull}});
    Add<void*(const char*)>(rows, {PAIR(s_TQCreateMutex, s_MutexCreate)},
                            {{"HalcyonLegacyCreate"}, {kNull}});
    Add<void*(const char*)>(rows, {PAIR(s_TQOpenMutex, s_MutexOpen)},
                            {{"HalcyonLegacyOpen"}, {kNull}});
    Add<bool(void*, bool)>(rows, {PAIR(s_TQWaitMutex, s_MutexWait)},
                           {{"HalcyonLegacyWait", "0"}, {kNull, "1"}});
    Add<void(void*)>(rows, {PAIR(s_TQResetMutex, s_MutexReset)},
                     {{"*HalcyonLegacyReset"}, {kNull}});
    Add<void(void*)>(rows, {PAIR(s_TQCloseMutex, s_MutexClose)}, {{"HalcyonLegacyClose"}, {kNull}});

    // Conversions, with refused arguments that the verify log reports.
    Add<bool(unsigned long*, unsigned char*, unsigned short)>(
        rows, {PAIR(s_TQBCDtoHEX, s_CastBCDtoHex)},
        {{"7", "\x12\x34\x5A\x99", "4"}, {"7", "\x12", "11"}});
    Add<bool(unsigned long, unsigned char*, unsigned short)>(
        rows, {PAIR(s_TQHEXtoBCD, s_CastHextoBCD)}, {{"4294967295", "", "5"}, {"123456", "", "1"}});
    Add<unsigned short(unsigned short, unsigned char*, unsigned char*)>(
        rows, {PAIR(s_TQPackHexToChar, s_CastHexToChar)}, {{"5", "12345", ""}, {"0", "12345", ""}});
    Add<bool(unsigned char*, unsigned char, unsigned char*, unsigned char*)>(
        rows, {PAIR(s_TQHex2Str, s_CastHexToStr), PAIR(s_TQStr2Hex, s_CastStrToHex)},
        {{"0A1bFz9", "7", "", ""}, {"0A1bFz9", "2", kNull, ""}});
    Add<unsigned long(char*, bool)>(
        rows, {PAIR(s_TQStrValue, s_CastStrToValue)},
        {{"4096x", "0"}, {"fFzz", "1"}, {"1234567890", "0"}, {kNull, "1"}});

    // The codec: a buffer that compresses, too small a room, no input; a stream decoded.
    std::string market;
    for (int i = 0; i < 25; ++i) market += "market data ";
    Add<long(char*, long, char*, long)>(
        rows, {PAIR(s_Tzip_mEncode, s_CodingEncode)},
        {{market, "300", "", "400"}, {market, "300", "", "10"}, {market, "0", "", "400"}});
    const std::string stream("\x0A\0\0\0\xF6\xC9\0\0", 8);  // "aaaaaaaaaa"
    Add<long(char*, long, char*, long)>(rows, {PAIR(s_Tzip_mDecode, s_CodingDecode)},
                                        {{stream, "8", "", "64"}, {stream, "8", "", "4"}});
    // The scramblers change their output and, decoding, the input's last bytes.
    Add<long(long, unsigned char*, unsigned char*)>(
        rows, {PAIR(TQEncode, s_CodingEncode_2), PAIR(TQDecode, s_CodingDecode_2)},
        {{"23", Scrambled(), ""}, {"4", Scrambled(), ""}});
    return rows;
}

}  // namespace halcyon::legacy_test
