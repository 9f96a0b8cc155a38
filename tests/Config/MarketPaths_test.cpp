// Per-market data folders, the FTP mirror folders and the symbol-file names: the strings, and
// the folders they leave on disk.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using halcyon::test::IsFolder;
using halcyon::test::RootHostPath;
using halcyon::test::RootWindowsPath;

std::string Upper(std::string text) {
    for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return text;
}

std::string Hex(unsigned int market) {
    char name[8];
    std::snprintf(name, sizeof name, "%04X", market);
    return name;
}

using MarketFolder = CString (*)(unsigned char);

struct Kind {
    MarketFolder folder;
    const char* name;
};

const Kind kCachedKinds[] = {
    {s_PathGetTickPath, "TICK"},
    {s_PathGetMinTickPath, "Min"},
    {s_PathGetHistoryPath, "HISTORY"},
    {s_PathGetSignalTickPath, "SignalTick"},
    {s_PathGetStockLendingTickPath, "StockLending"},
    {s_PathGetWizardPath, "Wizard"},
    {s_PathGetNewIssuePath, "NewIssue"},
    {s_PathGetMemoryPath, "MEMORY"},
    {s_PathGetBasicANPath, "BASICAN"},
    {s_PathGetDividendPath, "HISTORY"},
};
const Kind kUncachedKinds[] = {
    {s_PathGetBulletinPath, "BULLETIN"},
    {s_PathGetDailyInfoPath, "DAILYINFO"},
    {s_PathGetSQLPath, "SQL"},
};

TEST(MarketPaths, DataFoldersPerKindAndMarket) {
    const std::string dat = RootWindowsPath() + "\\DAT\\";
    for (const auto& kinds :
         {std::vector<Kind>(std::begin(kCachedKinds), std::end(kCachedKinds)),
          std::vector<Kind>(std::begin(kUncachedKinds), std::end(kUncachedKinds))}) {
        for (const Kind& kind : kinds) {
            for (unsigned int market : {0u, 42u, 254u}) {
                std::string want = dat + kind.name + "\\" + Hex(market);
                EXPECT_EQ(std::string(kind.folder(static_cast<unsigned char>(market))), want);
                EXPECT_TRUE(IsFolder(halcyon::HostPath(want.c_str()))) << want;
            }
        }
    }
    EXPECT_EQ(std::string(s_PathGetTickLogFilePath(42)), dat + "TICK\\002A\\LOG");
    EXPECT_TRUE(IsFolder(RootHostPath() + "/DAT/TICK/002A/LOG"));
}

// Market 255 has no entry in the tables: empty, and no folder is made for it. The uncached
// folders have no table and name it 00FF.
TEST(MarketPaths, Market255) {
    for (const Kind& kind : kCachedKinds) {
        EXPECT_STREQ(kind.folder(255), "") << kind.name;
        EXPECT_FALSE(IsFolder(RootHostPath() + "/DAT/" + kind.name + "/00FF")) << kind.name;
    }
    EXPECT_STREQ(s_PathGetTickLogFilePath(255), "");
    EXPECT_STREQ(s_PathGetTickPath(255, "N"), "");
    EXPECT_STREQ(s_PathGetHistoryPath(255, 'A'), "");
    EXPECT_STREQ(s_PathGetFTPDatPath(255), "");
    EXPECT_STREQ(s_PathGetFTPSysPath(255), "");
    EXPECT_STREQ(s_FileGetSymbolFileName(255, 0, "ABC"), "");
    EXPECT_STREQ(s_FileGetFTPSymbolFileName(255, 1, "ABC"), "");
    EXPECT_EQ(std::string(s_PathGetBulletinPath(255)), RootWindowsPath() + "\\DAT\\BULLETIN\\00FF");
}

TEST(MarketPaths, CachedFoldersAreKeptUncachedOnesRecreated) {
    const std::string tick = RootHostPath() + "/DAT/Wizard/0009";
    const std::string bulletin = RootHostPath() + "/DAT/BULLETIN/0009";
    CString first = s_PathGetWizardPath(9);
    s_PathGetBulletinPath(9);
    ASSERT_TRUE(halcyon::test::RemoveFolder(tick));
    ASSERT_TRUE(halcyon::test::RemoveFolder(bulletin));
    EXPECT_STREQ(s_PathGetWizardPath(9), first);
    s_PathGetBulletinPath(9);
    EXPECT_FALSE(IsFolder(tick));
    EXPECT_TRUE(IsFolder(bulletin));
    // A named folder below a kept one is formed on every call, its base is not.
    EXPECT_EQ(std::string(s_PathGetWizardPath(9, "W")), std::string(first) + "\\W");
    EXPECT_FALSE(IsFolder(tick + "/W"));
}

TEST(MarketPaths, NamesAndCharactersBelowMarketFolders) {
    const std::string dat = RootWindowsPath() + "\\DAT\\";
    struct Case {
        CString got;
        std::string want;
        bool created;
    } cases[] = {
        {s_PathGetTickPath(42, "N"), dat + "TICK\\002A\\N", true},
        {s_PathGetMinTickPath(42, "N"), dat + "Min\\002A\\N", true},
        {s_PathGetSignalTickPath(0, "N"), dat + "SignalTick\\0000\\N", true},
        {s_PathGetWizardPath(254, "N"), dat + "Wizard\\00FE\\N", true},
        {s_PathGetHistoryPath(42, 65), dat + "HISTORY\\002A\\A", true},
        {s_PathGetBasicANPath(42, 'z'), dat + "BASICAN\\002A\\z", true},
        {s_PathGetHistoryLogFilePath(42, 65), dat + "HISTORY\\002A\\A\\LOG", false},
        {s_PathGetMagicPath(42, "M"), dat + "MAGIC\\002A\\M", true},
        {s_PathGetMagicPath(42, ""), dat + "MAGIC\\002A\\", true},
        {s_PathGetSignalPath(7, "S"), dat + "SIGNAL\\0007\\S", true},
        {s_PathGetNewsHeadLinePath(42, "H"), dat + "002A\\Headline\\H", true},
        {s_PathGetNewsRelatedInfoHeadlinePath(42, "R"), dat + "002A\\RelatedInfoHeadline\\R", true},
        {s_PathGetNewsReviewPath(42, "V"), dat + "002A\\Review\\V", true},
        {s_PathGetRHeadlineReviewPath(42, "V"), dat + "002A\\Review\\V", true},
        {s_PathGetNewsStoryPath(0, "T"), dat + "0000\\Story\\T", true},
        {s_PathGetSQLCmdPath("Q", ""), dat + "SQLCommand\\Q", true},
        {s_PathGetSQLCmdPath("Q", "R"), dat + "SQLCommand\\Q\\R", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(c.got), c.want);
        EXPECT_EQ(IsFolder(halcyon::HostPath(c.want.c_str())), c.created) << c.want;
    }
}

TEST(MarketPaths, FtpMirrorsAreUpperCasedAndCreatedFromTheLeft) {
    const std::string ftp = Upper(RootWindowsPath()) + "\\FTP\\";
    ASSERT_EQ(Upper(RootWindowsPath()).find("\\DAT\\"), std::string::npos);
    struct Case {
        CString got;
        std::string want;
    } cases[] = {
        {s_PathGetFTPDatPath(42), ftp + "DAT\\002A"},
        {s_PathGetFTPDatPath(0), ftp + "DAT"},
        {s_PathGetFTPSysPath(0), ftp + "SYS"},
        {s_PathGetFTPSysPath(254), ftp + "SYS\\00FE"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(c.got), c.want);
        EXPECT_TRUE(IsFolder(halcyon::HostPath(c.want.c_str()))) << c.want;
    }
    // Not kept: a removed mirror is made again, from the left.
    ASSERT_TRUE(halcyon::test::RemoveFolder(RootHostPath() + "/FTP/SYS/00FE"));
    s_PathGetFTPSysPath(254);
    EXPECT_TRUE(IsFolder(RootHostPath() + "/FTP/SYS/00FE"));
}

TEST(MarketPaths, SymbolFilesKeepTheFirstNamePerMarketAndKind) {
    const std::string sys = RootWindowsPath() + "\\SYS\\002A\\";
    const std::string ftp = Upper(RootWindowsPath()) + "\\FTP\\SYS\\002A\\";
    struct Case {
        CString got;
        std::string want;
    } cases[] = {
        {s_FileGetSymbolFileName(42, 0, "ABC"), sys + "ABC.SYM"},
        {s_FileGetSymbolFileName(42, 1, "ABC"), sys + "ABC.IND"},
        {s_FileGetSymbolFileName(42, 2, "ABC"), ""},
        {s_FileGetSymbolFileName(42, 0, "XYZ"), sys + "ABC.SYM"},
        {s_FileGetSymbolFileName(0, 1, "Q"), RootWindowsPath() + "\\SYS\\Q.IND"},
        {s_FileGetSymbolFileName(254, 1, "Q"), RootWindowsPath() + "\\SYS\\00FE\\Q.IND"},
        {s_FileGetFTPSymbolFileName(42, 0, "abc"), ftp + "abc.SYM"},
        {s_FileGetFTPSymbolFileName(42, 0, "XYZ"), ftp + "abc.SYM"},
        {s_FileGetFTPSymbolFileName(42, 255, "XYZ"), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(std::string(c.got), c.want);
    // The FTP variant makes its folder on every call, even when it answers from its table.
    ASSERT_TRUE(halcyon::test::RemoveFolder(RootHostPath() + "/FTP/SYS/002A"));
    s_FileGetFTPSymbolFileName(42, 0, "abc");
    EXPECT_TRUE(IsFolder(RootHostPath() + "/FTP/SYS/002A"));
}

TEST(MarketPathsThreads, ConcurrentCallersShareOneEntryPerMarket) {
    constexpr int kThreads = 6;
    std::vector<std::vector<std::string>> answers(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &answers] {
            std::string name = "T" + std::to_string(t);
            for (int m = 100; m < 140; ++m) {
                auto market = static_cast<unsigned char>(m);
                answers[t].push_back(std::string(s_PathGetTickLogFilePath(market)) + "|" +
                                     std::string(s_FileGetSymbolFileName(market, 1, name.c_str())));
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int m = 100; m < 140; ++m) {
        std::set<std::string> distinct;
        for (int t = 0; t < kThreads; ++t) distinct.insert(answers[t][m - 100]);
        ASSERT_EQ(distinct.size(), 1u) << m;
        EXPECT_EQ(distinct.begin()->find(RootWindowsPath() + "\\DAT\\TICK\\" + Hex(m) + "\\LOG|"),
                  0u);
        EXPECT_TRUE(IsFolder(RootHostPath() + "/DAT/TICK/" + Hex(m) + "/LOG"));
    }
}

// Runs the halcyon tool placed as <folder>/main with `paths --market 42` and returns the path
// shown on the line labelled `label`.
std::string ToolLine(const std::string& output, const std::string& label) {
    size_t at = output.find("\n" + label + " ");
    if (at == std::string::npos) return "no line " + label;
    size_t start = output.find_first_not_of(' ', at + 1 + label.size());
    return output.substr(start, output.find('\n', start) - start);
}

// A real executable in …\Quote\BIN below a folder named dat: the root holds "\dat\", so the FTP
// marker of the DAT mirror goes in front of that first occurrence (the SYS mirror's marker is
// "\SYS\").
TEST(MarketPaths, RealExecutableUnderARootThatHoldsDat) {
    std::string base = halcyon::test::MakeScratchFolder("ftp-roots");
    std::string bin = base + "/dat/Quote/BIN";
    ASSERT_TRUE(halcyon::test::MakeFolder(bin));
    std::string tool = halcyon::test::PlaceProgram(HALCYON_TOOL_PATH, bin, "main");
    ASSERT_FALSE(tool.empty());
    std::string out;
    ASSERT_EQ(halcyon::test::RunCommand("\"" + tool + "\" paths --market 42", out), 0) << out;
    const std::string w = halcyon::test::WindowsPath(base);
    EXPECT_EQ(ToolLine(out, "tick"), w + "\\dat\\Quote\\DAT\\TICK\\002A");
    EXPECT_EQ(ToolLine(out, "ftp dat"), Upper(w) + "\\FTP\\DAT\\QUOTE\\DAT\\002A");
    EXPECT_EQ(ToolLine(out, "ftp sys"), Upper(w) + "\\DAT\\QUOTE\\FTP\\SYS\\002A");
    EXPECT_EQ(ToolLine(out, "symbol file"), w + "\\dat\\Quote\\SYS\\002A\\<name>.SYM");
    EXPECT_TRUE(IsFolder(base + "/dat/Quote/DAT/TICK/002A"));
    EXPECT_TRUE(IsFolder(base + "/FTP/DAT/QUOTE/DAT/002A"));
    EXPECT_TRUE(IsFolder(base + "/dat/Quote/FTP/SYS/002A"));
}

}  // namespace
