// halcyon paths: the installation root and the folders derived from it.
#include "Command.h"
#include "Json.h"

#include <HalcyonCommon.h>

#include <cstdio>
#include <string>
#include <vector>

namespace halcyon::tool {
namespace {

struct Shown {
    std::string label;
    std::string path;  // as the library returns it
    std::string host;  // as the host names it; "" for none
};
std::vector<Shown> g_shown;

void Show(const char* label, const CString& path) {
    g_shown.push_back({label, static_cast<const char*>(path),
                       path.IsEmpty() ? std::string() : halcyon::HostPath(path)});
}

// Server paths are relative to the data server's root: they have no host path here.
void ShowServer(const char* label, const CString& path) {
    g_shown.push_back({label, static_cast<const char*>(path), std::string()});
}

void PrintText(bool host) {
    for (const Shown& shown : g_shown) {
        std::printf("%-18s %s", shown.label.c_str(), shown.path.c_str());
        if (host && !shown.host.empty()) std::printf(" -> %s", shown.host.c_str());
        std::printf("\n");
    }
}

// {"market":N|null,"paths":{"root":{"path":"...","host":"..."|null},...}}, labels with '_' for
// their spaces.
void PrintJson(long market) {
    JsonObject paths;
    for (const Shown& shown : g_shown) {
        const std::string key = JsonKey(shown.label);
        JsonObject entry;
        entry.Text("path", shown.path);
        if (shown.host.empty())
            entry.Null("host");
        else
            entry.Text("host", shown.host);
        paths.Json(key.c_str(), entry.Str());
    }
    JsonObject all;
    if (market < 0)
        all.Null("market");
    else
        all.Number("market", static_cast<long long>(market));
    all.Json("paths", paths.Str());
    std::printf("%s\n", all.Str().c_str());
}

// The market's data folders, its FTP mirrors and the names of its symbol files.
void ShowMarketData(unsigned char m) {
    const struct {
        const char* label;
        CString (*folder)(unsigned char);
    } folders[] = {
        {"tick", s_PathGetTickPath},
        {"tick log", s_PathGetTickLogFilePath},
        {"min tick", s_PathGetMinTickPath},
        {"history", s_PathGetHistoryPath},
        {"signal tick", s_PathGetSignalTickPath},
        {"stock lending", s_PathGetStockLendingTickPath},
        {"wizard", s_PathGetWizardPath},
        {"new issue", s_PathGetNewIssuePath},
        {"memory", s_PathGetMemoryPath},
        {"basic analysis", s_PathGetBasicANPath},
        {"bulletin", s_PathGetBulletinPath},
        {"daily info", s_PathGetDailyInfoPath},
        {"sql", s_PathGetSQLPath},
        {"ftp dat", s_PathGetFTPDatPath},
        {"ftp sys", s_PathGetFTPSysPath},
    };
    for (const auto& f : folders) Show(f.label, f.folder(m));
    // Symbol-file names are kept per market and kind from the first call: "<name>" stands for
    // the symbol list's name.
    Show("symbol file", s_FileGetSymbolFileName(m, 0, "<name>"));
    Show("index file", s_FileGetSymbolFileName(m, 1, "<name>"));
    Show("ftp symbol file", s_FileGetFTPSymbolFileName(m, 0, "<name>"));
    Show("ftp index file", s_FileGetFTPSymbolFileName(m, 1, "<name>"));
}

int ShowPaths(const Invocation& call) {
    const long market = call.Number("--market", -1);
    Show("root", s_PathGetMainPath());
    Show("bin", s_PathGetBinPath());
    Show("dat", s_PathGetDatPath(0));
    Show("sys", s_PathGetSysPath(0));
    Show("log", s_PathGetLogPath(0));
    Show("temp", s_PathGetTempPath(0));
    Show("help", s_PathGetHelpPath());
    Show("documents", s_PathGetDocumentPath());
    Show("download", s_PathGetFileDownloadPath());
    Show("download patch", s_PathGetFileDownloadPatchPath());
    Show("bond data", s_PathGetBondDataPath());
    Show("bond yield curve", s_PathGetBondYieldCurvePath());
    Show("language folder", s_PathGetLangPath());
    Show("language file", s_PathGetLangIniFilePath());
    if (market >= 0) {
        auto m = static_cast<unsigned char>(market);
        Show("market dat", s_PathGetDatPath(m));
        Show("market sys", s_PathGetSysPath(m));
        Show("market log", s_PathGetLogPath(m));
        Show("market temp", s_PathGetTempPath(m));
        ShowServer("server market dat", s_PathGetServerDatPath(m));
        ShowServer("server market sys", s_PathGetServerSysPath(m));
        ShowMarketData(m);
    }
    if (call.Has("--json"))
        PrintJson(market);
    else
        PrintText(call.Has("--host"));
    return kExitOk;
}

const CommandSpec kPathsSpec{
    "paths",
    "print the installation root and its folders",
    "",
    {{"",
      "",
      "Prints the installation root (the folder of this program, or its parent when that is "
      "named BIN) and the folders the library derives from it, creating them as the library "
      "does.\n"
      "Paths are printed as the library returns them (Windows form).",
      {{"--market", "N",
        "also show the per-market folders of market N (0-254): its DAT, SYS, LOG and TEMP "
        "folders, its market data folders, its FTP mirror folders and the names of its symbol "
        "files (\"<name>\" standing for a symbol list's name)",
        0, 254},
       {"--host", nullptr, "also show each path as the host names it, after \" -> \""},
       {"--json", nullptr,
        "print one JSON object, each path with the host's name for it (docs/cli-json.md)"}},
      ShowPaths}}};
const Registration kPaths{kPathsSpec};

}  // namespace
}  // namespace halcyon::tool
