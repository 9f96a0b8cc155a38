#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using halcyon::test::IsFolder;
using halcyon::test::RootHostPath;
using halcyon::test::RootWindowsPath;

// The test program runs from <root>\BIN, so the root is the run's fresh folder.
TEST(Paths, FoldersAreFormedFromTheRootAndCreated) {
    const std::string root = RootWindowsPath();
    const std::pair<CString, const char*> cases[] = {
        {s_PathGetMainPath(), ""},
        {s_PathGetBinPath(), "\\BIN"},
        {s_PathGetHelpPath(), "\\Help"},
        {s_PathGetDocumentPath(), "\\My Document"},
        {s_PathGetFileDownloadPath(), "\\FileDownload"},
        {s_PathGetDatPath(0), "\\DAT"},
        {s_PathGetDatPath(42), "\\DAT\\002A"},
        {s_PathGetSysPath(254), "\\SYS\\00FE"},
        {s_PathGetUserDocumentPath("amy"), "\\My Document\\amy"},
        {s_PathGetUserDocumentPath(""), "\\My Document\\"},
        {s_PathGetDataExportPath("amy"), "\\My Document\\amy\\DataExport"},
        {s_PathGetScreenSavePath("bob"), "\\My Document\\bob\\ScreenSave"},
        {s_PathGetBondDailyRptPath(), "\\DAT\\Bond\\Rpt\\DailyHis"},
        {s_PathGetBondWeeklyRptPath(), "\\DAT\\Bond\\Rpt\\WeeklyHis"},
        {s_PathGetBondYieldCurvePath(), "\\DAT\\Bond\\YieldCurve"},
        {s_PathGetFileDownloadPatchPath(), "\\FileDownload\\Patch"},
        {s_PathGetFileDownloadDatPath(16), "\\FileDownload\\DAT\\0010"},
        {s_PathGetFileDownloadSysPath(255), "\\FileDownload\\SYS\\00FF"},
        {s_PathGetFileDownloadBondDailyRptPath(), "\\FileDownload\\DAT\\Bond\\Rpt\\DailyHis"},
        {s_PathGetFileDownloadBondWeeklyRptPath(), "\\FileDownload\\DAT\\Bond\\Rpt\\WeeklyHis"},
        {s_PathGetFileDownloadBondYieldCurvePath(), "\\FileDownload\\DAT\\Bond\\YieldCurve"},
    };
    for (const auto& [got, suffix] : cases) {
        EXPECT_EQ(std::string(got), root + suffix);
        EXPECT_TRUE(IsFolder(halcyon::HostPath(got))) << got;
    }
}

TEST(Paths, MarketTablesFillInAnyOrderAreKeptAndAMarketWithoutAFolderGivesEmpty) {
    // Market 3 first: the top level is formed on the way.
    EXPECT_EQ(std::string(s_PathGetTempPath(3)), RootWindowsPath() + "\\TEMP\\0003");
    EXPECT_EQ(std::string(s_PathGetTempPath(0)), RootWindowsPath() + "\\TEMP");
    EXPECT_TRUE(IsFolder(RootHostPath() + "/TEMP/0003"));
    EXPECT_STREQ(s_PathGetDatPath(255), "");
    EXPECT_STREQ(s_PathGetTempPath(255), "");
    EXPECT_FALSE(IsFolder(RootHostPath() + "/DAT/00FF"));
    // A kept folder is not made again; the others are, on every call.
    s_PathGetHelpPath();
    ASSERT_TRUE(halcyon::test::RemoveFolder(RootHostPath() + "/TEMP/0003"));
    ASSERT_TRUE(halcyon::test::RemoveFolder(RootHostPath() + "/Help"));
    s_PathGetTempPath(3);
    s_PathGetHelpPath();
    EXPECT_FALSE(IsFolder(RootHostPath() + "/TEMP/0003"));
    EXPECT_TRUE(IsFolder(RootHostPath() + "/Help"));
}

TEST(Paths, ServerPathsAreRelativeAndNeverCreated) {
    const std::pair<CString, const char*> cases[] = {
        {s_PathGetServerDatPath(0), "DAT"},
        {s_PathGetServerSysPath(255), "SYS\\00FF"},
        {s_PathGetServerPatchPath(), "Patch"},
        {s_PathGetServerBondDailyRptPath(), "DAT\\Bond\\Rpt\\DailyHis"},
        {s_PathGetServerBondYieldCurvePath(), "DAT\\Bond\\YieldCurve"},
    };
    for (const auto& [got, want] : cases) EXPECT_STREQ(got, want);
    EXPECT_FALSE(IsFolder(RootHostPath() + "/BIN/DAT"));
}

// Each thread asks for every few markets, the first of them together: one root, one folder each.
TEST(PathsThreads, ConcurrentCallersSeeOneRootAndOneTable) {
    std::vector<std::vector<std::string>> seen(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &seen] {
            for (int m = 0; m < 255; m += 1 + t) {
                seen[t].push_back(std::string(s_PathGetMainPath()) + "|" +
                                  std::string(s_PathGetLogPath(static_cast<unsigned char>(m))));
            }
        });
    }
    for (auto& th : threads) th.join();
    const std::string root = RootWindowsPath();
    for (int t = 0; t < 8; ++t) {
        for (size_t i = 0; i < seen[t].size(); ++i) {
            char market[8] = "";
            if (i != 0)
                std::snprintf(market, sizeof market, "\\%04X", static_cast<int>(i) * (1 + t));
            EXPECT_EQ(seen[t][i], root + "|" + root + "\\LOG" + market);
            EXPECT_TRUE(IsFolder(halcyon::HostPath((root + "\\LOG" + market).c_str())));
        }
    }
}

// Places the halcyon tool in `folder` as "main" and returns the first line of `main paths`, run
// from the test's current folder, which is not the tool's.
std::string RootOfCopiedTool(const std::string& folder, const std::string& env = "") {
    std::string out;
    std::string tool;
    if (halcyon::test::MakeFolder(folder))
        tool = halcyon::test::PlaceProgram(HALCYON_TOOL_PATH, folder, "main");
    if (tool.empty()) return "cannot place the tool in " + folder;
    if (halcyon::test::RunCommand(env + " \"" + tool + "\" paths", out) != 0)
        return "failed: " + out;
    std::string line = out.substr(0, out.find('\n'));
    // "root               <windows path>"
    size_t start = line.find_first_not_of(' ', 4);
    return start == std::string::npos ? line : line.substr(start);
}

TEST(Paths, RootOfRealExecutables) {
    std::string base = halcyon::test::MakeScratchFolder("roots");
    std::string w = halcyon::test::WindowsPath(base);
    // The folder of the copy, its settings, the root it reports, a folder made below that root.
    std::vector<std::array<std::string, 4>> cases = {
        {base + "/Quote/BIN", "", w + "\\Quote", base + "/Quote/DAT"},
        {base + "/Quote2/bin", "", w + "\\Quote2", base + "/Quote2/DAT"},
        {base + "/Quote3/Binaries", "", w + "\\Quote3\\Binaries", base + "/Quote3/Binaries/DAT"},
    };
#if HALCYON_STAND_IN  // drive letters are mapped by a setting of the Linux stand-in
    cases.push_back(
        {base + "/DriveC", "HALCYON_DRIVE_C=" + base + "/DriveC", "C:", base + "/DriveC/DAT"});
#endif
    for (const auto& [folder, env, root, created] : cases) {
        EXPECT_EQ(RootOfCopiedTool(folder, env), root) << folder;
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
        if (file != nullptr) halcyon::test::WriteFile(ini, file);
        EXPECT_STREQ(s_PathGetLangPath(), folder) << (file ? file : "no file");
        EXPECT_STREQ(s_PathGetLangIniFilePath(), langFile) << (file ? file : "no file");
    }
}

}  // namespace
