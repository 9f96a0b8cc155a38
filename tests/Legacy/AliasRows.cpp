// The rows of the alias test, grouped by the shape of the call: a table per signature, so that an
// older name and its current function must have the same type to share a row, and rows of their
// own for the calls whose effect stays in memory (observed through the current functions).
#include "Legacy/AliasRows.h"

#include <HalcyonCommon.h>

#include <cstdio>
#include <thread>

namespace halcyon::legacy_test {

namespace {

std::string Text(const CString& s) {
    return std::string(static_cast<const char*>(s), static_cast<std::size_t>(s.GetLength()));
}
std::string Flag(bool b) { return b ? "true" : "false"; }
std::string Bytes(const unsigned char* p, std::size_t n) {
    std::string out;
    char hex[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", p[i]);
        out += hex;
    }
    return out;
}

// An older name and its current function, of one type F.
template <typename F>
struct Pair {
    const char* name;
    F* older;
    F* current;
};
#define PAIR(older, current) \
    { #older, older, current }

// Adds one row per pair, named with the pairs' `parameters` as the table of exports lists them,
// calling the pair's function as `call` says.
template <typename F, std::size_t N>
void Add(std::vector<AliasRow>& rows, const Pair<F> (&pairs)[N], const char* parameters,
         std::string (*call)(F* f)) {
    for (const Pair<F>& p : pairs) {
        rows.push_back({std::string(p.name) + "(" + parameters + ")",
                        [p, call](bool legacy) { return call(legacy ? p.older : p.current); }});
    }
}

// Big5 for two characters, and its conversion once a table is loaded.
const char kBig5Sample[] = "\xA4\xA4\xB0\xEA-x";
std::string Converted() {
    CString result("unchanged");
    s_LangConvertToSimplifiedChinese(CString(kBig5Sample), result);
    return Text(result);
}
const unsigned char kMarkets[] = {0, 0x10, 0x2A, 0x11};

std::string Looked() {
    return Text(s_LangGetLangString(CString("IDS_MAIN_TITLE"))) + "|" + Text(STATUS_OPEN_STRING);
}

using Flags = bool();
const Pair<Flags> kLoading[] = {
    PAIR(LANG_bInitialGBTable, s_LangInitialGBTable),
    PAIR(LANG_bUnInitialGBTable, s_LangUnInitialGBTable),
    PAIR(LANG_bInitialLanguage, s_LangInitialLanguage),
    PAIR(LANG_bUnInitialLanguageString, s_LangUnInitialLanguageString),
    PAIR(LANG_bInitialLanguageString, s_LangInitialLanguageString),
};
const Pair<Flags> kUnloading[] = {
    PAIR(LANG_bUnInitialLanguage, s_LangUnInitialLanguage),
};

using Number = int();
const Pair<Number> kNumbers[] = {
    PAIR(LANG_iGetLangID, s_LangGetLangID),
    PAIR(s_TQGetLangCount, s_LangGetLangCount),
};

using Folder = CString();
const Pair<Folder> kFolders[] = {
    PAIR(LANG_cszGetLangFile, s_LangGetLangFile),
    PAIR(s_TQGetCurrLangFilename, s_LangGetCurrLangFilename),
    PAIR(s_TQGetMainPath, s_PathGetMainPath),
    PAIR(s_TQGetBinPath, s_PathGetBinPath),
    PAIR(s_TQGetHelpPath, s_PathGetHelpPath),
    PAIR(s_TQGetDocumentPath, s_PathGetDocumentPath),
    PAIR(s_TQGetFileDownloadPath, s_PathGetFileDownloadPath),
    PAIR(s_TQGetBondDataPath, s_PathGetBondDataPath),
    PAIR(s_TQGetBondRptPath, s_PathGetBondRptPath),
    PAIR(s_TQGetBondDailyRptPath, s_PathGetBondDailyRptPath),
    PAIR(s_TQGetBondWeeklyRptPath, s_PathGetBondWeeklyRptPath),
    PAIR(s_TQGetBondYieldCurvePath, s_PathGetBondYieldCurvePath),
    PAIR(s_TQGetFileDownloadPatchPath, s_PathGetFileDownloadPatchPath),
    PAIR(s_TQGetFileDownloadBondDataPath, s_PathGetFileDownloadBondDataPath),
    PAIR(s_TQGetFileDownloadBondRptPath, s_PathGetFileDownloadBondRptPath),
    PAIR(s_TQGetFileDownloadBondDailyRptPath, s_PathGetFileDownloadBondDailyRptPath),
    PAIR(s_TQGetFileDownloadBondWeeklyRptPath, s_PathGetFileDownloadBondWeeklyRptPath),
    PAIR(s_TQGetFileDownloadBondYieldCurvePath, s_PathGetFileDownloadBondYieldCurvePath),
    PAIR(s_TQGetServerPatchPath, s_PathGetServerPatchPath),
    PAIR(s_TQGetServerBondDataPath, s_PathGetServerBondDataPath),
    PAIR(s_TQGetServerBondRptPath, s_PathGetServerBondRptPath),
    PAIR(s_TQGetServerBondDailyRptPath, s_PathGetServerBondDailyRptPath),
    PAIR(s_TQGetServerBondWeeklyRptPath, s_PathGetServerBondWeeklyRptPath),
    PAIR(s_TQGetServerBondYieldCurvePath, s_PathGetServerBondYieldCurvePath),
    PAIR(s_TQGetLangPath, s_PathGetLangPath),
    PAIR(s_TQGetLangIniFilePath, s_PathGetLangIniFilePath),
    PAIR(s_TQGetVertionPath, s_PathGetVersionPath),
};

using MarketFolder = CString(unsigned char);
const Pair<MarketFolder> kMarketFolders[] = {
    PAIR(s_TQGetDatPath, s_PathGetDatPath),
    PAIR(s_TQGetSysPath, s_PathGetSysPath),
    PAIR(s_TQGetLogPath, s_PathGetLogPath),
    PAIR(s_TQGetTempPath, s_PathGetTempPath),
    PAIR(s_TQGetFileDownloadDatPath, s_PathGetFileDownloadDatPath),
    PAIR(s_TQGetFileDownloadSysPath, s_PathGetFileDownloadSysPath),
    PAIR(s_TQGetServerDatPath, s_PathGetServerDatPath),
    PAIR(s_TQGetServerSysPath, s_PathGetServerSysPath),
    PAIR(s_TQGetTickPath, s_PathGetTickPath),
    PAIR(s_TQGetHistoryPath, s_PathGetHistoryPath),
    PAIR(s_TQGetMemoryPath, s_PathGetMemoryPath),
    PAIR(s_TQGetTickLogFilePath, s_PathGetTickLogFilePath),
    PAIR(s_TQGetDividendPath, s_PathGetDividendPath),
    PAIR(s_TQGetBulletinPath, s_PathGetBulletinPath),
    PAIR(s_TQGetDailyInfoPath, s_PathGetDailyInfoPath),
    PAIR(s_TQGetSQLPath, s_PathGetSQLPath),
};

using UserFolder = CString(const CString&);
const Pair<UserFolder> kUserFolders[] = {
    PAIR(s_TQGetUserDocumentPath, s_PathGetUserDocumentPath),
    PAIR(s_TQGetDataExportPath, s_PathGetDataExportPath),
    PAIR(s_TQGetScreenSavePath, s_PathGetScreenSavePath),
};

using NamedFolder = CString(unsigned char, const CString&);
const Pair<NamedFolder> kNamedFolders[] = {
    PAIR(s_TQGetTickPath, s_PathGetTickPath),
    PAIR(s_TQGetMagicPath, s_PathGetMagicPath),
    PAIR(s_TQGetSignalPath, s_PathGetSignalPath),
    PAIR(s_TQGetNewsHeadLinePath, s_PathGetNewsHeadLinePath),
    PAIR(s_TQGetNewsRelatedInfoHeadlinePath, s_PathGetNewsRelatedInfoHeadlinePath),
    PAIR(s_TQGetNewsReviewPath, s_PathGetNewsReviewPath),
    PAIR(s_TQGetNewsStoryPath, s_PathGetNewsStoryPath),
    PAIR(s_TQGetRHeadlineReviewPath, s_PathGetRHeadlineReviewPath),
};

using LetterFolder = CString(unsigned char, unsigned char);
const Pair<LetterFolder> kLetterFolders[] = {
    PAIR(s_TQGetHistoryPath, s_PathGetHistoryPath),
    PAIR(s_TQGetBasicANPath, s_PathGetBasicANPath),
    PAIR(s_TQGetHistoryLogFilePath, s_PathGetHistoryLogFilePath),
};

using Fact = void(CString&);
const Pair<Fact> kFacts[] = {
    PAIR(s_TQGetAPPCopywrite, s_AppInfoGetAPPCopywrite),
    PAIR(s_TQGetAPPID, s_AppInfoGetAPPID),
    PAIR(s_TQGetAPPUserId, s_AppInfoGetAPPUserId),
    PAIR(s_TQGetAccountType, s_AppInfoGetAccountType),
    PAIR(s_TQGetBrokerID, s_AppInfoGetBrokerID),
    PAIR(s_TQGetConnectVSTAAddr, s_AppInfoGetConnectVSTAAddr),
    PAIR(s_TQGetLoginType, s_AppInfoGetLoginType),
    PAIR(s_TQGetProductDate, s_AppInfoGetProductDate),
    PAIR(s_TQGetProductID, s_AppInfoGetProductID),
    PAIR(s_TQGetProductName, s_AppInfoGetProductName),
    PAIR(s_TQGetProductType, s_AppInfoGetProductType),
    PAIR(s_TQGetProductVersion, s_AppInfoGetProductVersion),
};

using HexText = bool(unsigned char*, unsigned char, unsigned char*, unsigned char*);
const Pair<HexText> kHexTexts[] = {
    PAIR(s_TQHex2Str, s_CastHexToStr),
    PAIR(s_TQStr2Hex, s_CastStrToHex),
};

using Codec = long(char*, long, char*, long);
const Pair<Codec> kCodecs[] = {
    PAIR(s_Tzip_mEncode, s_CodingEncode),
};

using Scrambler = long(long, unsigned char*, unsigned char*);
const Pair<Scrambler> kScramblers[] = {
    PAIR(TQEncode, s_CodingEncode_2),
    PAIR(TQDecode, s_CodingDecode_2),
};

// Each market-folder function for a market, market 0 and market 255 (no folder).
std::string CallMarketFolder(MarketFolder* f) {
    return Text(f(42)) + "|" + Text(f(0)) + "|" + Text(f(255));
}
std::string CallNamedFolder(NamedFolder* f) {
    return Text(f(42, CString("Name"))) + "|" + Text(f(7, CString())) + "|" +
           Text(f(255, CString("x")));
}
std::string CallLetterFolder(LetterFolder* f) {
    return Text(f(42, 'A')) + "|" + Text(f(0, '9')) + "|" + Text(f(255, 'B'));
}
std::string CallFact(Fact* f) {
    CString value("before");
    f(value);
    return Text(value);
}
// Text to bytes and bytes to text, and a null target (reported to the verify log).
std::string CallHexText(HexText* f) {
    unsigned char source[] = "0A1bFz9";
    unsigned char target[32] = {};
    unsigned char length = 0xEE;
    bool ok = f(source, 7, target, &length);
    bool refused = f(source, 2, nullptr, &length);
    return Flag(ok) + Bytes(target, sizeof target) + "/" + std::to_string(length) + Flag(refused);
}
// A buffer that compresses, the same into too small a room, and no input.
std::string CallCodec(Codec* f) {
    char input[300];
    for (std::size_t i = 0; i < sizeof input; ++i) input[i] = "market data "[i % 12];
    char output[400] = {};
    long n = f(input, sizeof input, output, sizeof output);
    long small = f(input, sizeof input, output, 10);
    long none = f(input, 0, output, sizeof output);
    return std::to_string(n) + Bytes(reinterpret_cast<unsigned char*>(output), sizeof output) +
           "/" + std::to_string(small) + "/" + std::to_string(none);
}
// The scramblers change their output and, decoding, the input's last bytes: both are shown.
std::string CallScrambler(Scrambler* f) {
    unsigned char input[23];
    for (std::size_t i = 0; i < sizeof input; ++i) input[i] = static_cast<unsigned char>(i * 37);
    unsigned char output[23] = {};
    long n = f(sizeof input, input, output);
    long tooShort = f(4, input, output);
    return std::to_string(n) + Bytes(output, sizeof output) + "/" + Bytes(input, sizeof input) +
           "/" + std::to_string(tooShort);
}

// The rows whose calls do not fit a table of one signature.
std::vector<AliasRow> LanguageRows() {
    return {
        {"s_TQcszGetLangString(CString const&)",
         [](bool legacy) {
             auto* f = legacy ? static_cast<CString (*)(const CString&)>(s_TQcszGetLangString)
                              : static_cast<CString (*)(const CString&)>(s_LangGetLangString);
             return Text(f(CString("IDS_MAIN_TITLE"))) + "|" + Text(f(CString("IDS_MAIN_NONE")));
         }},
        {"s_TQcszGetLangString(char*)",
         [](bool legacy) {
             auto* f = legacy ? static_cast<CString (*)(char*)>(s_TQcszGetLangString)
                              : static_cast<CString (*)(char*)>(s_LangGetLangString);
             char key[] = "IDS_LANG_ONE";
             char none[] = "IDS_LANG_NONE";
             return Text(f(key)) + "|" + Text(f(none));
         }},
        {"LANG_bGetLanguageString(CString&, CString const&, CString const&)",
         [](bool legacy) {
             auto* f = legacy ? LANG_bGetLanguageString : s_LangGetLanguageString;
             CString found("old"), missing("old");
             bool a = f(found, CString("MAIN"), CString("IDS_MAIN_TITLE"));
             bool b = f(missing, CString("MAIN"), CString("IDS_MAIN_NONE"));
             return Flag(a) + Text(found) + "|" + Flag(b) + Text(missing);
         }},
        {"s_TQvGetAllLang(CStringArray&)",
         [](bool legacy) {
             CStringArray names;
             names.Add(CString("stale"));
             (legacy ? s_TQvGetAllLang : s_LangGetAllLang)(names);
             std::string out;
             for (int i = 0; i < names.GetSize(); ++i) out += Text(names.GetAt(i)) + "|";
             return out;
         }},
        {"LANG_bGetAllLine(char*, char*)",
         [](bool legacy) {
             char text[] = "[MAIN]\r\nIDS_MAIN_X=1\r\n\r\nlast";
             bool ok = (legacy ? LANG_bGetAllLine : s_LangGetAllLine)(text, text + sizeof text - 2);
             return Flag(ok) + Bytes(reinterpret_cast<unsigned char*>(text), sizeof text);
         }},
        {"LANG_bGetSection(CString&, CString const&)",
         [](bool legacy) {
             auto* f = legacy ? LANG_bGetSection : s_LangGetSection;
             CString a("old"), b("old");
             bool x = f(a, CString("[MAIN]"));
             bool y = f(b, CString("IDS_A=1"));
             return Flag(x) + Text(a) + "|" + Flag(y) + Text(b);
         }},
        {"LANG_bGetKeyValue(CString&, CString&, CString const&)",
         [](bool legacy) {
             auto* f = legacy ? LANG_bGetKeyValue : s_LangGetKeyValue;
             CString k1("k"), v1("v"), k2("k"), v2("v");
             bool x = f(k1, v1, CString("IDS_A=1=2"));
             bool y = f(k2, v2, CString("no key"));
             return Flag(x) + Text(k1) + "=" + Text(v1) + "|" + Flag(y) + Text(k2) + "=" + Text(v2);
         }},
        {"g_vConvertEnterChar(CString&, int)",
         [](bool legacy) {
             CString text("a\\nb\\Nc\\n");
             (legacy ? g_vConvertEnterChar : s_LangConvertEnterChar)(text, 6);
             return Text(text);
         }},
        {"LANG_bInitSupportSimplifiedService()",
         [](bool legacy) {
             bool ok = (legacy ? LANG_bInitSupportSimplifiedService
                               : s_LangInitSupportSimplifiedService)();
             std::string out = Flag(ok);
             for (unsigned char m : kMarkets) out += Flag(s_LangIsConvertToSimplified(m));
             return out;
         }},
        {"LANG_bIsConvertToSimplified(unsigned char const&)",
         [](bool legacy) {
             std::string out;
             for (unsigned char m : kMarkets) {
                 out +=
                     Flag((legacy ? LANG_bIsConvertToSimplified : s_LangIsConvertToSimplified)(m));
             }
             return out;
         }},
        {"LANG_vConvertToSimplifiedChinese(CString const&, CString&)",
         [](bool legacy) {
             CString result("old");
             (legacy ? LANG_vConvertToSimplifiedChinese : s_LangConvertToSimplifiedChinese)(
                 CString(kBig5Sample), result);
             return Text(result);
         }},
        {"s_TQbSetLang(CString&)",
         [](bool legacy) {
             CString lang("1");
             bool ok = (legacy ? s_TQbSetLang : s_LangSetLang)(lang);
             return Flag(ok) + Text(lang) + "|" + std::to_string(s_LangGetLangID());
         }},
    };
}

std::vector<AliasRow> OtherRows() {
    return {
        {"s_TQGetSQLCmdPath(CString const&)",
         [](bool legacy) {
             // The older name takes the group alone: the current function with an empty name.
             CString group("Orders");
             return Text(legacy ? s_TQGetSQLCmdPath(group) : s_PathGetSQLCmdPath(group, CString()));
         }},
        {"s_TQGetSystemInfoByKeyInSection(CString const&, CString const&)",
         [](bool legacy) {
             auto* f =
                 legacy ? s_TQGetSystemInfoByKeyInSection : s_AppInfoGetSystemInfoByKeyInSection;
             return Text(f(CString("VSTAAddr"), CString("NetPlatForm"))) + "|" +
                    Text(f(CString("None"), CString("CONFIG")));
         }},
        {"s_TQGetVersionInfoByKey(CString&)",
         [](bool legacy) {
             CString key("ProductName");
             return Text((legacy ? s_TQGetVersionInfoByKey : s_AppInfoGetVersionInfoByKey)(key)) +
                    "|" + Text(key);
         }},
        {"s_TQCheckPrevInstance(char const*)",
         [](bool legacy) {
             auto* f = legacy ? s_TQCheckPrevInstance : s_AppInfoCheckPrevInstance;
             bool first = f("HalcyonLegacyTask");
             bool second = f("HalcyonLegacyTask");
             return Flag(first) + Flag(second) + Flag(f(nullptr));
         }},
        {"s_TQCreateMutex(char const*)",
         [](bool legacy) {
             void* h = (legacy ? s_TQCreateMutex : s_MutexCreate)("HalcyonLegacyCreate");
             void* again = s_MutexOpen("HalcyonLegacyCreate");
             std::string out = Flag(h != nullptr) + Flag(again != nullptr) +
                               Flag((legacy ? s_TQCreateMutex : s_MutexCreate)(nullptr) != nullptr);
             s_MutexClose(again);
             s_MutexClose(h);
             return out;
         }},
        {"s_TQOpenMutex(char const*)",
         [](bool legacy) {
             auto* f = legacy ? s_TQOpenMutex : s_MutexOpen;
             void* missing = f("HalcyonLegacyOpen");
             void* h = s_MutexCreate("HalcyonLegacyOpen");
             void* opened = f("HalcyonLegacyOpen");
             std::string out =
                 Flag(missing != nullptr) + Flag(opened != nullptr) + Flag(f(nullptr) != nullptr);
             s_MutexClose(opened);
             s_MutexClose(h);
             return out;
         }},
        {"s_TQWaitMutex(void*, bool)",
         [](bool legacy) {
             auto* f = legacy ? s_TQWaitMutex : s_MutexWait;
             void* h = s_MutexCreate("HalcyonLegacyWait");
             bool first = f(h, false);
             bool again = f(h, true);  // the owner may take it again
             bool other = true;
             std::thread([&] {
                 void* mine = s_MutexOpen("HalcyonLegacyWait");
                 other = f(mine, false);
                 s_MutexClose(mine);
             }).join();
             s_MutexReset(h);
             s_MutexReset(h);
             std::string out = Flag(first) + Flag(again) + Flag(other) + Flag(f(nullptr, true));
             s_MutexClose(h);
             return out;
         }},
        {"s_TQResetMutex(void*)",
         [](bool legacy) {
             auto* f = legacy ? s_TQResetMutex : s_MutexReset;
             void* h = s_MutexCreate("HalcyonLegacyReset");
             s_MutexWait(h, true);
             f(h);
             f(nullptr);
             bool taken = false;
             std::thread([&] {
                 void* mine = s_MutexOpen("HalcyonLegacyReset");
                 taken = s_MutexWait(mine, false);
                 if (taken) s_MutexReset(mine);
                 s_MutexClose(mine);
             }).join();
             s_MutexClose(h);
             return Flag(taken);
         }},
        {"s_TQCloseMutex(void*)",
         [](bool legacy) {
             auto* f = legacy ? s_TQCloseMutex : s_MutexClose;
             void* h = s_MutexCreate("HalcyonLegacyClose");
             f(h);
             f(nullptr);
             void* after = s_MutexOpen("HalcyonLegacyClose");  // the name died with its handle
             std::string out = Flag(after != nullptr);
             s_MutexClose(after);
             return out;
         }},
        {"s_TQBCDtoHEX(unsigned long*, unsigned char*, unsigned short)",
         [](bool legacy) {
             auto* f = legacy ? s_TQBCDtoHEX : s_CastBCDtoHex;
             unsigned char bcd[] = {0x12, 0x34, 0x5A, 0x99};
             unsigned long value = 7, untouched = 7;
             bool ok = f(&value, bcd, 4);
             bool refused = f(&untouched, bcd, 11);
             return Flag(ok) + std::to_string(value) + Flag(refused) + std::to_string(untouched);
         }},
        {"s_TQHEXtoBCD(unsigned long, unsigned char*, unsigned short)",
         [](bool legacy) {
             auto* f = legacy ? s_TQHEXtoBCD : s_CastHextoBCD;
             unsigned char bcd[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
             bool ok = f(4294967295UL, bcd, 5);
             bool refused = f(123456, bcd + 5, 1);
             return Flag(ok) + Flag(refused) + Bytes(bcd, sizeof bcd);
         }},
        {"s_TQPackHexToChar(unsigned short, unsigned char*, unsigned char*)",
         [](bool legacy) {
             auto* f = legacy ? s_TQPackHexToChar : s_CastHexToChar;
             unsigned char digits[] = "12345";
             unsigned char out[8] = {};
             unsigned short n = f(5, digits, out);
             unsigned short refused = f(0, digits, out);  // reported to the verify log
             return std::to_string(n) + Bytes(out, sizeof out) + "/" + std::to_string(refused);
         }},
        {"s_TQStrValue(char*, bool)",
         [](bool legacy) {
             auto* f = legacy ? s_TQStrValue : s_CastStrToValue;
             char dec[] = "4096x", hex[] = "fFzz", longer[] = "1234567890";
             return std::to_string(f(dec, false)) + "|" + std::to_string(f(hex, true)) + "|" +
                    std::to_string(f(longer, false)) + "|" + std::to_string(f(nullptr, true));
         }},
        {"s_Tzip_mDecode(char*, long, char*, long)",
         [](bool legacy) {
             char input[] = "decoded again and again and again";
             char stream[128] = {};
             long n = s_CodingEncode(input, sizeof input, stream, sizeof stream);
             char output[64] = {};
             auto* f = legacy ? s_Tzip_mDecode : s_CodingDecode;
             long m = f(stream, n, output, sizeof output);
             long small = f(stream, n, output, 4);
             return std::to_string(m) + output + "/" + std::to_string(small);
         }},
    };
}

std::string CallNumber(Number* f) { return std::to_string(f()); }
std::string CallFolder(Folder* f) { return Text(f()); }
std::string CallUserFolder(UserFolder* f) { return Text(f(CString("Ann"))); }
// Loading and unloading, and what the lookups and the conversion give afterwards.
std::string CallLoading(Flags* f) {
    bool ok = f();
    return Flag(ok) + "|" + Converted() + "|" + Looked();
}

}  // namespace

std::vector<AliasRow> AliasRows() {
    std::vector<AliasRow> rows;
    Add(rows, kNumbers, "", CallNumber);
    Add(rows, kLoading, "", CallLoading);
    for (AliasRow& row : LanguageRows()) rows.push_back(row);
    Add(rows, kUnloading, "", CallLoading);
    Add(rows, kFolders, "", CallFolder);
    Add(rows, kMarketFolders, "unsigned char", CallMarketFolder);
    Add(rows, kUserFolders, "CString const&", CallUserFolder);
    Add(rows, kNamedFolders, "unsigned char, CString const&", CallNamedFolder);
    Add(rows, kLetterFolders, "unsigned char, unsigned char", CallLetterFolder);
    Add(rows, kFacts, "CString&", CallFact);
    Add(rows, kHexTexts, "unsigned char*, unsigned char, unsigned char*, unsigned char*",
        CallHexText);
    Add(rows, kCodecs, "char*, long, char*, long", CallCodec);
    Add(rows, kScramblers, "long, unsigned char*, unsigned char*", CallScrambler);
    for (AliasRow& row : OtherRows()) rows.push_back(row);
    return rows;
}

}  // namespace halcyon::legacy_test
