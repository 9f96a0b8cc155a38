// Per-market data folders, the FTP mirror folders and the symbol-file names: the strings, and
// the folders they leave on disk.
#include "support/TestEnv.h"

#include <HalcyonCommon.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using halcyon::test::IsFolder;
using halcyon::test::RootHostPath;
using halcyon::test::RootWindowsPath;

std::string Upper(std::string text) {
    for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return text;
}

bool Made(const std::string& windowsPath) {
    return IsFolder(halcyon::HostPath(windowsPath.c_str()));
}

TEST(MarketPaths, DataFoldersPerKindAndMarket) {
    const struct {
        CString (*folder)(unsigned char);
        const char* kind;
        bool kept;  // kept in a table: market 255 has no entry
    } kinds[] = {
        {s_PathGetTickPath, "TICK", true},
        {s_PathGetMinTickPath, "Min", true},
        {s_PathGetHistoryPath, "HISTORY", true},
        {s_PathGetSignalTickPath, "SignalTick", true},
        {s_PathGetWizardPath, "Wizard", true},
        {s_PathGetStockLendingTickPath, "StockLending", true},
        {s_PathGetNewIssuePath, "NewIssue", true},
        {s_PathGetMemoryPath, "MEMORY", true},
        {s_PathGetBasicANPath, "BASICAN", true},
        {s_PathGetDividendPath, "HISTORY", true},
        {s_PathGetBulletinPath, "BULLETIN", false},
        {s_PathGetDailyInfoPath, "DAILYINFO", false},
        {s_PathGetSQLPath, "SQL", false},
    };
    for (const auto& k : kinds) {
        for (unsigned int market : {0u, 254u, 255u}) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\%04X", market);
            std::string want = RootWindowsPath() + "\\DAT\\" + k.kind + hex;
            if (market == 255 && k.kept) {
                EXPECT_STREQ(k.folder(255), "") << k.kind;
                EXPECT_FALSE(IsFolder(RootHostPath() + "/DAT/" + k.kind + "/00FF")) << k.kind;
                continue;
            }
            EXPECT_EQ(std::string(k.folder(static_cast<unsigned char>(market))), want);
            EXPECT_TRUE(Made(want)) << want;
        }
    }
}

TEST(MarketPaths, NamesAndCharactersBelowMarketFolders) {
    const std::string dat = RootWindowsPath() + "\\DAT\\";
    const struct {
        CString got;
        std::string want;
        bool made;
    } cases[] = {
        {s_PathGetTickPath(42, "N"), dat + "TICK\\002A\\N", true},
        {s_PathGetTickLogFilePath(42), dat + "TICK\\002A\\LOG", true},
        {s_PathGetTickLogFilePath(255), "", false},
        {s_PathGetHistoryPath(42, 65), dat + "HISTORY\\002A\\A", true},
        {s_PathGetBasicANPath(42, 'z'), dat + "BASICAN\\002A\\z", true},
        {s_PathGetHistoryLogFilePath(42, 65), dat + "HISTORY\\002A\\A\\LOG", false},
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
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(c.got), c.want);
        if (!c.want.empty()) {
            EXPECT_EQ(Made(c.want), c.made) << c.want;
        }
    }
}

TEST(MarketPaths, FtpMirrorsAndSymbolFiles) {
    const std::string sys = RootWindowsPath() + "\\SYS\\";
    const std::string ftp = Upper(RootWindowsPath()) + "\\FTP\\";
    const std::pair<CString, std::string> cases[] = {
        {s_PathGetFTPDatPath(42), ftp + "DAT\\002A"},
        {s_PathGetFTPSysPath(0), ftp + "SYS"},
        {s_PathGetFTPDatPath(255), ""},
        {s_FileGetSymbolFileName(42, 0, "ABC"), sys + "002A\\ABC.SYM"},
        {s_FileGetSymbolFileName(42, 1, "ABC"), sys + "002A\\ABC.IND"},
        {s_FileGetSymbolFileName(42, 2, "ABC"), ""},
        {s_FileGetSymbolFileName(42, 0, "XYZ"), sys + "002A\\ABC.SYM"},  // the first name is kept
        {s_FileGetSymbolFileName(255, 0, "ABC"), ""},
        {s_FileGetFTPSymbolFileName(7, 1, "abc"), ftp + "SYS\\0007\\abc.IND"},
        {s_FileGetFTPSymbolFileName(7, 1, "XYZ"), ftp + "SYS\\0007\\abc.IND"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(std::string(got), want);
    EXPECT_TRUE(Made(ftp + "DAT\\002A"));
    // The mirror is not kept: it is made again, from the left, by every call.
    ASSERT_TRUE(halcyon::test::RemoveFolder(RootHostPath() + "/FTP/SYS/0007"));
    s_FileGetFTPSymbolFileName(7, 1, "abc");
    EXPECT_TRUE(IsFolder(RootHostPath() + "/FTP/SYS/0007"));
}

// The path that `halcyon paths` shows on the line labelled `label`.
std::string ToolLine(const std::string& output, const std::string& label) {
    size_t at = output.find("\n" + label + " ");
    if (at == std::string::npos) return "no line " + label;
    size_t start = output.find_first_not_of(' ', at + 1 + label.size());
    return output.substr(start, output.find('\n', start) - start);
}

// A real executable in …\Quote\BIN below a folder named dat: the DAT mirror's "\FTP" goes in
// front of the root's own "\DAT\"; the SYS mirror's marker is "\SYS\".
TEST(MarketPaths, RealExecutableUnderARootThatHoldsDat) {
    std::string base = halcyon::test::MakeScratchFolder("ftp-roots");
    ASSERT_TRUE(halcyon::test::MakeFolder(base + "/dat/Quote/BIN"));
    std::string tool =
        halcyon::test::PlaceProgram(HALCYON_TOOL_PATH, base + "/dat/Quote/BIN", "main");
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
