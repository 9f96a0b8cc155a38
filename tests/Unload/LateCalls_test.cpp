// Calls into the library after main has returned: a program's own static object whose destructor
// uses every area that keeps process-wide state. The library built that state during main, after
// the program's object, so a static of the library would be destroyed first; the calls must still
// work, with the results they give during main, and the program must end cleanly (under the
// sanitizers too).
#include <HalcyonCommon.h>

#include "Lang/LangTestSupport.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using namespace halcyon::test;

const char kQueueName[] = "LATE_CALLS";
const char kLogName[] = "late";
const char kBig5[] = "\xA4\xA4\xB5\xD8";  // "Chung-hua" in Big5

std::string IniPath() { return RootHostPath() + "/late.ini"; }

// What the child prints after main returned, one "late <what>=<value>" line per call.
void Print(const char* what, const char* value) { std::printf("late %s=%s\n", what, value); }

// Writes "after main" and returns every record the queue holds, each followed by ";".
std::string QueueRoundTrip(short id) {
    unsigned char record[] = "after main", buffer[3095];
    s_MapFile_WriteQue(id, record, sizeof record - 1, 0);
    std::string read;
    for (short length; (length = s_MapFile_ReadQue(id, buffer, 0)) > 0;)
        read.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(length)).append(";");
    s_MapFile_CloseQue(id, true);
    return read;
}

const char kQuote[] = "bid 101.5 ask 101.6 bid 101.5 ask 101.6";

// kQuote encoded and decoded again.
std::string CodecRoundTrip() {
    std::string text = kQuote;  // with its terminating zero, which is encoded too
    char packed[256], unpacked[256];
    long packedLength = s_CodingEncode(&text[0], sizeof kQuote, packed, sizeof packed);
    long length = s_CodingDecode(packed, packedLength, unpacked, sizeof unpacked);
    return std::string(unpacked, length > 0 ? static_cast<size_t>(length) - 1 : 0);
}

std::string FirstFolderEntry() {
    CFileFind find;
    if (!find.FindFile(s_PathGetMainPath() + "\\late.ini")) return "none";
    find.FindNextFile();
    return std::string(find.GetFileName());
}

// The program's static object: does nothing unless the child role armed it.
struct LateCaller {
    bool armed = false;
    short queue = -1;
    CString iniPath;  // the test support's own statics are gone by the time this runs

    ~LateCaller() {
        if (!armed) return;
        Print("root", s_PathGetMainPath());
        Print("dat", s_PathGetDatPath(42));
        Print("ftp", s_PathGetFTPDatPath(42));
        Print("symbol", s_FileGetSymbolFileName(42, 0, "ABC"));
        Print("version", s_PathGetVersionPath());
        char value[64] = "";
        SProfileInfo::GetPrivateProfileStringA("Late", "Key", "missing", value, sizeof value,
                                               iniPath);
        Print("profile", value);
        Print("find", FirstFolderEntry().c_str());
        Print("log", s_NimbusLogGetSystemLogObj(kLogName)->Write(1, 2, "B", "after main")
                         ? "written"
                         : "failed");
        Print("lang", s_LangGetLangString(CString("IDS_LATE_TEXT")));
        Print("status", STATUS_CLOSE_STRING);
        CString gb;
        s_LangConvertToSimplifiedChinese(kBig5, gb);
        Print("gb", gb);
        Print("queue", QueueRoundTrip(queue).c_str());
        Print("tz", std::to_string(s_TimeZoneLibGetTimeDiff('T', 'N')).c_str());
        s_TimeZoneLibRelease();
        Print("codec", CodecRoundTrip().c_str());
        std::fflush(stdout);
    }
} g_lateCaller;

// The child: uses each area during main, so that the library builds its state now, after
// g_lateCaller, and leaves the rest to g_lateCaller's destructor.
int UseThenLeave(const std::vector<std::string>&) {
    s_PathGetFTPDatPath(42);
    s_FileGetSymbolFileName(42, 0, "ABC");
    s_PathGetVersionPath();
    g_lateCaller.iniPath = WindowsPath(IniPath()).c_str();
    char value[64];
    SProfileInfo::GetPrivateProfileStringA("Late", "Key", "", value, sizeof value,
                                           g_lateCaller.iniPath);
    FirstFolderEntry();
    s_NimbusLogGetSystemLogObj(kLogName)->Write(1, 1, "A", "during main");
    if (!s_LangInitialLanguage()) return 2;
    CString gb;
    s_LangConvertToSimplifiedChinese(kBig5, gb);
    s_MapFile_Initialize(true);
    g_lateCaller.queue = s_MapFile_CreateQue(kQueueName, 4);
    unsigned char record[] = "during main";
    s_MapFile_WriteQue(g_lateCaller.queue, record, sizeof record - 1, 0);
    if (!s_TimeZoneLibInitialize()) return 3;
    if (CodecRoundTrip() != kQuote) return 4;
    g_lateCaller.armed = true;
    return 0;
}

const ChildRole kLateCalls("late-calls", UseThenLeave);

std::string LogText() {
    std::string text;
    std::filesystem::path folder = RootHostPath() + "/LOG/" + kLogName + "/system";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        text += ReadFile(entry.path().string());
    }
    return text;
}

TEST(LateCalls, StaticDestructorAfterMainStillUsesTheLibrary) {
    WriteFile(IniPath(), "[Late]\r\nKey=cached value\r\n");
    WriteLanguageSettings("2", "Late.lng");
    WriteLanguageFile("Late.lng",
                      "[LATE]\r\nIDS_LATE_TEXT=still here\r\n"
                      "[BKAPI]\r\nIDS_BKAPI_STQSYMBOL_STATUS_CLOSE=closed\r\n");
    WriteLanguageFile("TestBK.lng", "");
    WriteLanguageFile("BIG5-GB.TAB",
                      ReadFile(std::string(HALCYON_SOURCE_DIR) + "/data/BIG5-GB.TAB"));
    MakeFolder(RootHostPath() + "/SYS");
    WriteFile(RootHostPath() + "/SYS/TimeZone.Ctl", "T,480\nN -300\n");

    std::string output;
    int status = RunCommand(ChildCommand("late-calls"), output);
    ASSERT_EQ(status, 0) << output;

    std::vector<std::string> want = {
        "root=" + std::string(s_PathGetMainPath()),
        "dat=" + std::string(s_PathGetDatPath(42)),
        "ftp=" + std::string(s_PathGetFTPDatPath(42)),
        "symbol=" + std::string(s_PathGetSysPath(42)) + "\\ABC.SYM",
        "version=" + std::string(s_PathGetSysPath(0)) + "\\Version.ini",
        "profile=cached value",
        "find=late.ini",
        "log=written",
        "lang=still here",
        "status=closed",
        "gb=\xD6\xD0\xBB\xAA",  // the same in GB
        "queue=during main;after main;",
        "tz=780",
        std::string("codec=") + kQuote,
    };
    std::string lines;
    for (const std::string& line : want) lines += "late " + line + "\n";
    EXPECT_NE(output.find(lines), std::string::npos) << output;
    std::string log = LogText();
    EXPECT_NE(log.find("after main"), std::string::npos) << log;
}

}  // namespace
