#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>
#include <vector>

namespace {

using halcyon::test::IsFolder;
using halcyon::test::RootHostPath;
using halcyon::test::RootWindowsPath;

// The test program runs from <root>\BIN, so the root is the run's fresh folder.
TEST(Paths, FoldersAreFormedFromTheRootAndCreated) {
    const std::string root = RootWindowsPath();
    struct Case {
        CString got;
        const char* suffix;
    } cases[] = {
        {s_PathGetMainPath(), ""},
        {s_PathGetBinPath(), "\\BIN"},
        {s_PathGetHelpPath(), "\\Help"},
        {s_PathGetDocumentPath(), "\\My Document"},
        {s_PathGetFileDownloadPath(), "\\FileDownload"},
        {s_PathGetDatPath(0), "\\DAT"},
        {s_PathGetDatPath(42), "\\DAT\\002A"},
        {s_PathGetSysPath(254), "\\SYS\\00FE"},
        {s_PathGetLogPath(1), "\\LOG\\0001"},
        {s_PathGetTempPath(0), "\\TEMP"},
        {s_PathGetUserDocumentPath("amy"), "\\My Document\\amy"},
        {s_PathGetUserDocumentPath(""), "\\My Document\\"},
        {s_PathGetDataExportPath("amy"), "\\My Document\\amy\\DataExport"},
        {s_PathGetScreenSavePath("bob"), "\\My Document\\bob\\ScreenSave"},
        {s_PathGetBondDataPath(), "\\DAT\\Bond"},
        {s_PathGetBondRptPath(), "\\DAT\\Bond\\Rpt"},
        {s_PathGetBondDailyRptPath(), "\\DAT\\Bond\\Rpt\\DailyHis"},
        {s_PathGetBondWeeklyRptPath(), "\\DAT\\Bond\\Rpt\\WeeklyHis"},
        {s_PathGetBondYieldCurvePath(), "\\DAT\\Bond\\YieldCurve"},
        {s_PathGetFileDownloadPatchPath(), "\\FileDownload\\Patch"},
        {s_PathGetFileDownloadDatPath(0), "\\FileDownload\\DAT"},
        {s_PathGetFileDownloadDatPath(16), "\\FileDownload\\DAT\\0010"},
        {s_PathGetFileDownloadSysPath(255), "\\FileDownload\\SYS\\00FF"},
        {s_PathGetFileDownloadBondDataPath(), "\\FileDownload\\DAT\\Bond"},
        {s_PathGetFileDownloadBondRptPath(), "\\FileDownload\\DAT\\Bond\\Rpt"},
        {s_PathGetFileDownloadBondDailyRptPath(), "\\FileDownload\\DAT\\Bond\\Rpt\\DailyHis"},
        {s_PathGetFileDownloadBondWeeklyRptPath(), "\\FileDownload\\DAT\\Bond\\Rpt\\WeeklyHis"},
        {s_PathGetFileDownloadBondYieldCurvePath(), "\\FileDownload\\DAT\\Bond\\YieldCurve"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(c.got), root + c.suffix);
        EXPECT_TRUE(IsFolder(halcyon::HostPath(c.got))) << c.got;
    }
}

TEST(Paths, MarketTablesFillInAnyOrderAndAMarketWithoutAFolderGivesEmpty) {
    // Market 3 first: the top level is formed on the way.
    EXPECT_EQ(std::string(s_PathGetTempPath(3)), RootWindowsPath() + "\\TEMP\\0003");
    EXPECT_EQ(std::string(s_PathGetTempPath(0)), RootWindowsPath() + "\\TEMP");
    EXPECT_TRUE(IsFolder(RootHostPath() + "/TEMP/0003"));
    EXPECT_STREQ(s_PathGetDatPath(255), "");
    EXPECT_STREQ(s_PathGetTempPath(255), "");
    EXPECT_FALSE(IsFolder(RootHostPath() + "/DAT/00FF"));
}

TEST(Paths, CachedFoldersAreNotRecreatedButUncachedOnesAre) {
    std::string dat = RootHostPath() + "/DAT/0007";
    std::string help = RootHostPath() + "/Help";
    s_PathGetDatPath(7);
    s_PathGetHelpPath();
    ASSERT_TRUE(halcyon::test::RemoveFolder(dat));
    ASSERT_TRUE(halcyon::test::RemoveFolder(help));
    s_PathGetDatPath(7);
    s_PathGetHelpPath();
    EXPECT_FALSE(IsFolder(dat));
    EXPECT_TRUE(IsFolder(help));
}

TEST(Paths, ServerPathsAreRelativeAndNeverCreated) {
    struct Case {
        CString got;
        const char* want;
    } cases[] = {
        {s_PathGetServerDatPath(0), "DAT"},
        {s_PathGetServerDatPath(16), "DAT\\0010"},
        {s_PathGetServerSysPath(255), "SYS\\00FF"},
        {s_PathGetServerPatchPath(), "Patch"},
        {s_PathGetServerBondDataPath(), "DAT\\Bond"},
        {s_PathGetServerBondDailyRptPath(), "DAT\\Bond\\Rpt\\DailyHis"},
        {s_PathGetServerBondYieldCurvePath(), "DAT\\Bond\\YieldCurve"},
    };
    for (const Case& c : cases) EXPECT_STREQ(c.got, c.want);
    EXPECT_FALSE(IsFolder(RootHostPath() + "/BIN/DAT"));
}

TEST(PathsThreads, ConcurrentCallersSeeOneRootAndOneTable) {
    constexpr int kThreads = 8;
    std::vector<std::vector<std::string>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &seen] {
            for (int m = 0; m < 255; m += 1 + t) {
                auto market = static_cast<unsigned char>(m);
                seen[t].push_back(std::string(s_PathGetMainPath()) + "|" +
                                  std::string(s_PathGetLogPath(market)) + "|" +
                                  std::string(s_PathGetBondRptPath()));
            }
        });
    }
    for (auto& th : threads) th.join();
    const std::string root = RootWindowsPath();
    for (int t = 0; t < kThreads; ++t) {
        for (size_t i = 0; i < seen[t].size(); ++i) {
            char market[16] = "";
            if (i != 0)
                std::snprintf(market, sizeof market, "\\%04X", static_cast<int>(i) * (1 + t));
            EXPECT_EQ(seen[t][i],
                      root + "|" + root + "\\LOG" + market + "|" + root + "\\DAT\\Bond\\Rpt");
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
    struct Case {
        std::string folder;
        std::string env;
        std::string root;
        std::string created;
    };
    std::vector<Case> cases = {
        {base + "/Quote/BIN", "", w + "\\Quote", base + "/Quote/DAT"},
        {base + "/Quote2/bin", "", w + "\\Quote2", base + "/Quote2/DAT"},
        {base + "/Quote3/Binaries", "", w + "\\Quote3\\Binaries", base + "/Quote3/Binaries/DAT"},
    };
#if HALCYON_STAND_IN  // drive letters are mapped by a setting of the Linux stand-in
    cases.push_back(
        {base + "/DriveC", "HALCYON_DRIVE_C=" + base + "/DriveC", "C:", base + "/DriveC/DAT"});
#endif
    for (const Case& c : cases) {
        EXPECT_EQ(RootOfCopiedTool(c.folder, c.env), c.root) << c.folder;
        EXPECT_TRUE(IsFolder(c.created)) << c.created;
    }
}

TEST(Paths, LanguageLocationsComeFromTheRootsSystemIni) {
    const std::string ini = RootHostPath() + "/system.ini";
    struct Case {
        const char* file;  // null: no system.ini at all
        const char* folder;
        const char* langFile;
    } cases[] = {
        {"[CONFIG_FILE]\r\nFILEPATH=D:\\Lang\r\nFILENAME=Language.ini\r\n", "D:\\Lang",
         "D:\\Lang\\Language.ini"},
        {"[config_file]\r\n  filepath = D:\\Lang\\ \r\nFileName=Language.ini\r\n", "D:\\Lang\\",
         "D:\\Lang\\Language.ini"},
        {"[CONFIG_FILE]\r\nFILENAME=Language.ini\r\n", "", "\\Language.ini"},
        {"[OTHER]\r\nFILEPATH=x\r\n", "", "\\"},
        {nullptr, "", "\\"},
    };
    for (const Case& c : cases) {
        std::remove(ini.c_str());
        if (c.file != nullptr) halcyon::test::WriteFile(ini, c.file);
        EXPECT_STREQ(s_PathGetLangPath(), c.folder) << (c.file ? c.file : "no file");
        EXPECT_STREQ(s_PathGetLangIniFilePath(), c.langFile) << (c.file ? c.file : "no file");
    }
}

}  // namespace
