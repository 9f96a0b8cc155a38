// halcyon paths: the installation root and the folders derived from it.
#include "Command.h"

#include <HalcyonCommon.h>

#include <cstdio>

namespace halcyon::tool {
namespace {

const char kHelp[] =
    "usage: halcyon paths [--market N] [--host]\n"
    "\n"
    "Prints the installation root (the folder of this program, or its parent when that is\n"
    "named BIN) and the folders the library derives from it, creating them as the library\n"
    "does. With --market N (0-254) the per-market folders of market N are shown too: its\n"
    "DAT, SYS, LOG and TEMP folders, its market data folders, its FTP mirror folders and\n"
    "the names of its symbol files (\"<name>\" standing for a symbol list's name).\n"
    "Paths are printed as the library returns them (Windows form); with --host each line\n"
    "also shows the host's own path after \" -> \".\n";

bool g_showHost = false;

void Show(const char* label, const CString& path) {
    std::printf("%-18s %s", label, static_cast<const char*>(path));
    if (g_showHost && !path.IsEmpty()) std::printf(" -> %s", halcyon::HostPath(path).c_str());
    std::printf("\n");
}

// Server paths are relative to the data server's root: they have no host path here.
void ShowServer(const char* label, const CString& path) {
    std::printf("%-18s %s\n", label, static_cast<const char*>(path));
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

int RunPaths(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    long market = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--host") {
            g_showHost = true;
        } else if (args[i] == "--market" && i + 1 < args.size()) {
            if (!ParseNumber(args[++i], 0, 254, market))
                return UsageError("paths", "--market takes a market code from 0 to 254");
        } else {
            return UsageError("paths", "unexpected argument '" + args[i] + "'");
        }
    }
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
    return kExitOk;
}

const Registration kPaths{"paths", "print the installation root and its folders", RunPaths};

}  // namespace
}  // namespace halcyon::tool
