// SPDX-License-Identifier: Apache-2.0
// The installation root and the folders formed from it: per market, per data kind, the FTP
// mirrors, the symbol-file names and the language locations; the strings, and the folders they
// leave on disk.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace halcyon::test;

std::string Upper(const std::string& text) {
    return std::string(CString(text.c_str()).MakeUpper());
}

// Each thread asks for every few markets, the first of them together: one root, one folder each.
TEST(PathsThreads, ConcurrentCallersSeeOneRootAndOneTable) {
    const std::string root = RootWindowsPath();
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &root, &wrong] {
            for (int m = 0; m < 255; m += 1 + t) {
                char market[8] = "";
                if (m != 0) std::snprintf(market, sizeof market, "\\%04X", m);
                const std::string want = root + "\\LOG" + market;
                wrong += root != std::string(s_PathGetMainPath()) ||
                         want != std::string(s_PathGetLogPath(static_cast<unsigned char>(m))) ||
                         !IsFolder(halcyon::HostPath(want.c_str()));
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
}

// The test program runs from <root>\BIN, so the root is the run's fresh folder. Server paths are
// relative to the data server's root: nothing is made for them, not below the current folder
// either. Symbol-file names are kept per market and kind from the first call. A folder kept in a
// table is not made again; the others are, on every call.
TEST(Paths, FoldersAreFormedFromTheRootMadeAndKept) {
    const std::string root = RootWindowsPath();
    const std::string dat = root + "\\DAT\\";
    const std::string sys = root + "\\SYS\\";
    const std::string ftp = Upper(root) + "\\FTP\\";
    // What a call gives, and whether that is a folder it made.
    const std::tuple<CString, std::string, bool> cases[] = {
        {s_PathGetTempPath(3), root + "\\TEMP\\0003", true},  // the top level formed on the way
        {s_PathGetTempPath(0), root + "\\TEMP", true},
        {s_PathGetTempPath(255), "", false},
        {s_PathGetMainPath(), root, true},
        {s_PathGetBinPath(), root + "\\BIN", true},
        {s_PathGetHelpPath(), root + "\\Help", true},
        {s_PathGetDatPath(42), dat + "002A", true},
        {s_PathGetUserDocumentPath("amy"), root + "\\My Document\\amy", true},
        {s_PathGetUserDocumentPath(""), root + "\\My Document\\", true},
        {s_PathGetBondDailyRptPath(), dat + "Bond\\Rpt\\DailyHis", true},
        {s_PathGetFileDownloadPatchPath(), root + "\\FileDownload\\Patch", true},
        {s_PathGetFileDownloadDatPath(0), root + "\\FileDownload\\DAT", true},
        {s_PathGetFileDownloadSysPath(255), root + "\\FileDownload\\SYS\\00FF", true},
        {s_PathGetServerDatPath(0), "DAT", false},
        {s_PathGetServerSysPath(255), "SYS\\00FF", false},
        {s_PathGetServerPatchPath(), "Patch", false},
        {s_PathGetTickPath(0), dat + "TICK\\0000", true},
        {s_PathGetTickPath(255), "", false},  // the kinds kept in a table have no market 255
        {s_PathGetMinTickPath(254), dat + "Min\\00FE", true},
        {s_PathGetHistoryPath(254), dat + "HISTORY\\00FE", true},
        {s_PathGetSignalTickPath(254), dat + "SignalTick\\00FE", true},
        {s_PathGetWizardPath(254), dat + "Wizard\\00FE", true},
        {s_PathGetStockLendingTickPath(254), dat + "StockLending\\00FE", true},
        {s_PathGetNewIssuePath(254), dat + "NewIssue\\00FE", true},
        {s_PathGetMemoryPath(254), dat + "MEMORY\\00FE", true},
        {s_PathGetBasicANPath(254), dat + "BASICAN\\00FE", true},
        {s_PathGetDividendPath(254), dat + "HISTORY\\00FE", true},
        {s_PathGetBulletinPath(255), dat + "BULLETIN\\00FF", true},
        {s_PathGetDailyInfoPath(254), dat + "DAILYINFO\\00FE", true},
        {s_PathGetSQLPath(254), dat + "SQL\\00FE", true},
        {s_PathGetTickPath(42, "N"), dat + "TICK\\002A\\N", true},
        {s_PathGetTickLogFilePath(42), dat + "TICK\\002A\\LOG", true},
        {s_PathGetHistoryPath(42, 65), dat + "HISTORY\\002A\\A", true},
        {s_PathGetBasicANPath(42, 'z'), dat + "BASICAN\\002A\\z", true},
        {s_PathGetHistoryLogFilePath(42, 65), dat + "HISTORY\\002A\\A\\LOG", false},
        {s_PathGetMagicPath(42, ""), dat + "MAGIC\\002A\\", true},
        {s_PathGetNewsStoryPath(0, "T"), dat + "0000\\Story\\T", true},
        {s_PathGetSQLCmdPath("Q", ""), dat + "SQLCommand\\Q", true},
        {s_PathGetSQLCmdPath("Q", "R"), dat + "SQLCommand\\Q\\R", true},
        {s_PathGetFTPDatPath(42), ftp + "DAT\\002A", true},
        {s_PathGetFTPSysPath(0), ftp + "SYS", true},
        {s_PathGetFTPDatPath(255), "", false},
        {s_FileGetSymbolFileName(42, 0, "ABC"), sys + "002A\\ABC.SYM", false},
        {s_FileGetSymbolFileName(42, 1, "ABC"), sys + "002A\\ABC.IND", false},
        {s_FileGetSymbolFileName(42, 2, "ABC"), "", false},
        {s_FileGetSymbolFileName(42, 0, "XYZ"), sys + "002A\\ABC.SYM", false},
        {s_FileGetSymbolFileName(255, 0, "ABC"), "", false},
        {s_FileGetFTPSymbolFileName(7, 1, "abc"), ftp + "SYS\\0007\\abc.IND", false},
        {s_FileGetFTPSymbolFileName(7, 1, "XYZ"), ftp + "SYS\\0007\\abc.IND", false},
    };
    for (const auto& [got, want, made] : cases) {
        EXPECT_EQ(std::string(got), want);
        EXPECT_TRUE(want.empty() || IsFolder(halcyon::HostPath(want.c_str())) == made) << want;
    }
    // Folders removed and asked for again, and whether they are made again (the FTP mirror is,
    // from the left).
    const std::pair<const char*, bool> removed[] = {
        {"/TEMP/0003", false}, {"/Help", true}, {"/FTP/SYS/0007", true}};
    for (auto [folder, remade] : removed) ASSERT_TRUE(RemoveFolder(RootHostPath() + folder));
    s_PathGetTempPath(3);
    s_PathGetHelpPath();
    s_FileGetFTPSymbolFileName(7, 1, "abc");
    for (auto [folder, remade] : removed) EXPECT_EQ(IsFolder(RootHostPath() + folder), remade);
}

// The line labelled `label` that `main paths --market 42` prints, run from the test's current
// folder through the halcyon tool placed in `folder` as "main".
std::string ToolLine(const std::string& folder, const std::string& env, const std::string& label) {
    std::string tool = folder + "/" + ProgramFileName("main");
    if (!FileExists(tool) &&
        (!MakeFolder(folder) || PlaceProgram(HALCYON_TOOL_PATH, folder, "main").empty())) {
        return "cannot place the tool in " + folder;
    }
    std::string out;
    if (RunCommand(env + " \"" + tool + "\" paths --market 42", out) != 0) return "failed: " + out;
    size_t at = ("\n" + out).find("\n" + label + " ");
    if (at == std::string::npos) return "no line " + label;
    size_t start = out.find_first_not_of(' ', at + label.size());
    return out.substr(start, out.find('\n', start) - start);
}

// The root of a real executable: the folder it runs from, or that folder's parent when it is
// named BIN. Below a folder named dat, the DAT mirror's "\FTP" goes in front of the root's own
// "\DAT\"; the SYS mirror's marker is "\SYS\".
TEST(Paths, RootOfRealExecutables) {
    std::string base = MakeScratchFolder("roots");
    std::string w = WindowsPath(base);
    // The folder of the tool, its settings, the line, what it shows and a folder made for it.
    std::vector<std::tuple<std::string, std::string, std::string, std::string, std::string>> cases =
        {
            {base + "/Quote2/bin", "", "root", w + "\\Quote2", base + "/Quote2/DAT"},
            {base + "/Quote3/Binaries", "", "root", w + "\\Quote3\\Binaries",
             base + "/Quote3/Binaries/DAT"},
            {base + "/dat/Quote/BIN", "", "ftp dat", Upper(w) + "\\FTP\\DAT\\QUOTE\\DAT\\002A",
             base + "/FTP/DAT/QUOTE/DAT/002A"},
            {base + "/dat/Quote/BIN", "", "ftp sys", Upper(w) + "\\DAT\\QUOTE\\FTP\\SYS\\002A",
             base + "/dat/Quote/FTP/SYS/002A"},
        };
#if HALCYON_STAND_IN  // drive letters are mapped by a setting of the Linux stand-in
    cases.push_back({base + "/DriveC", "HALCYON_DRIVE_C=" + base + "/DriveC", "root",
                     "C:", base + "/DriveC/DAT"});
    // A program whose full name is longer than 260 bytes.
    std::string deep = "/" + std::string(130, 'L') + "/" + std::string(130, 'M');
    cases.push_back(
        {base + deep + "/BIN", "", "root", WindowsPath(base + deep), base + deep + "/DAT"});
#endif
    for (const auto& [folder, env, label, want, created] : cases) {
        EXPECT_EQ(ToolLine(folder, env, label), want) << folder;
        EXPECT_TRUE(IsFolder(created)) << created;
    }
}

TEST(Paths, LanguageLocationsComeFromTheRootsSystemIni) {
    const std::string ini = RootHostPath() + "/system.ini";
    // system.ini (null: none), the language folder and file it gives.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"[CONFIG_FILE]\r\nFILEPATH=D:\\Lang\r\nFILENAME=Language.ini\r\n", "D:\\Lang",
         "D:\\Lang\\Language.ini"},
        {"[config_file]\r\n  filepath = D:\\Lang\\ \r\nFileName=Language.ini\r\n", "D:\\Lang\\",
         "D:\\Lang\\Language.ini"},
        {"[CONFIG_FILE]\r\nFILENAME=Language.ini\r\n", "", "\\Language.ini"},
        {nullptr, "", "\\"},
    };
    for (const auto& [file, folder, langFile] : cases) {
        std::remove(ini.c_str());
        if (file != nullptr) WriteFile(ini, file);
        EXPECT_STREQ(s_PathGetLangPath(), folder) << (file ? file : "no file");
        EXPECT_STREQ(s_PathGetLangIniFilePath(), langFile) << (file ? file : "no file");
    }
}

}  // namespace
