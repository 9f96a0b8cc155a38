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
const char kMutexName[] = "LATE_CALLS_MUTEX";
const char kLogName[] = "late";
const char kBig5[] = "\xA4\xA4\xB5\xD8";  // "Chung-hua" in Big5

std::string IniPath() { return RootHostPath() + "/late.ini"; }

// What the child prints after main returned, one "late <what>=<value>" line per call.
void Print(const char* what, const std::string& value) {
    std::printf("late %s=%s\n", what, value.c_str());
}

std::string Hex(const CString& text) {
    std::string hex;
    for (int i = 0; i < text.GetLength(); ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(text.GetAt(i)));
        hex += pair;
    }
    return hex;
}

std::string QueueRoundTrip(short id) {
    char record[] = "after main";
    if (s_MapFile_WriteQue(id, reinterpret_cast<unsigned char*>(record),
                           static_cast<unsigned short>(std::strlen(record)), 0) <= 0) {
        return "write failed";
    }
    std::string read;
    unsigned char buffer[3095];
    for (short length; (length = s_MapFile_ReadQue(id, buffer, 0)) > 0;) {
        read += std::string(reinterpret_cast<char*>(buffer), static_cast<size_t>(length)) + ";";
    }
    s_MapFile_CloseQue(id, true);
    return read;
}

std::string CodecRoundTrip() {
    char text[] = "bid 101.5 ask 101.6 bid 101.5 ask 101.6";
    char packed[256];
    char unpacked[256];
    long packedLength = s_CodingEncode(text, sizeof text, packed, sizeof packed);
    if (packedLength <= 0) return "encode failed";
    long length = s_CodingDecode(packed, packedLength, unpacked, sizeof unpacked);
    return length == static_cast<long>(sizeof text) && std::memcmp(text, unpacked, sizeof text) == 0
               ? "same"
               : "different";
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
    void* mutex = nullptr;
    CString iniPath;  // the test support's own statics are gone by the time this runs

    ~LateCaller() {
        if (!armed) return;
        Print("root", std::string(s_PathGetMainPath()));
        Print("dat", std::string(s_PathGetDatPath(42)));
        Print("tick", std::string(s_PathGetTickPath(42)));
        Print("ftp", std::string(s_PathGetFTPDatPath(42)));
        Print("symbol", std::string(s_FileGetSymbolFileName(42, 0, "ABC")));
        Print("version", std::string(s_PathGetVersionPath()));
        char value[64] = "";
        SProfileInfo::GetPrivateProfileStringA("Late", "Key", "missing", value, sizeof value,
                                               iniPath);
        Print("profile", value);
        Print("find", FirstFolderEntry());
        Print("log", s_NimbusLogGetSystemLogObj(kLogName)->Write(1, 2, "B", "after main")
                         ? "written"
                         : "failed");
        Print("lang", std::string(s_LangGetLangString(CString("IDS_LATE_TEXT"))));
        Print("status", std::string(STATUS_CLOSE_STRING));
        CString gb;
        s_LangConvertToSimplifiedChinese(kBig5, gb);
        Print("gb", Hex(gb));
        Print("queue", QueueRoundTrip(queue));
        bool owned = s_MutexWait(mutex, false);
        s_MutexReset(mutex);
        s_MutexClose(mutex);
        Print("mutex", owned ? "owned" : "not owned");
        Print("tz", std::to_string(s_TimeZoneLibGetTimeDiff('T', 'N')));
        s_TimeZoneLibRelease();
        Print("codec", CodecRoundTrip());
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
    char record[] = "during main";
    s_MapFile_WriteQue(g_lateCaller.queue, reinterpret_cast<unsigned char*>(record),
                       static_cast<unsigned short>(std::strlen(record)), 0);
    g_lateCaller.mutex = s_MutexCreate(kMutexName);
    if (!s_TimeZoneLibInitialize()) return 3;
    if (CodecRoundTrip() != "same") return 4;
    g_lateCaller.armed = true;
    return 0;
}

const ChildRole kLateCalls("late-calls", UseThenLeave);

// The lines the child printed after main, as "what=value" without the prefix.
std::vector<std::string> LateLines(const std::string& output) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = output.substr(start, end - start);
        if (line.rfind("late ", 0) == 0) lines.push_back(line.substr(5));
    }
    return lines;
}

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

    auto path = [](const CString& p) { return std::string(p); };
    std::vector<std::string> want = {
        "root=" + path(s_PathGetMainPath()),
        "dat=" + path(s_PathGetDatPath(42)),
        "tick=" + path(s_PathGetTickPath(42)),
        "ftp=" + path(s_PathGetFTPDatPath(42)),
        "symbol=" + path(s_PathGetSysPath(42)) + "\\ABC.SYM",
        "version=" + path(s_PathGetSysPath(0)) + "\\Version.ini",
        "profile=cached value",
        "find=late.ini",
        "log=written",
        "lang=still here",
        "status=closed",
        "gb=D6D0BBAA",
        "queue=during main;after main;",
        "mutex=owned",
        "tz=780",
        "codec=same",
    };
    EXPECT_EQ(LateLines(output), want) << output;
    std::string log = LogText();
    EXPECT_NE(log.find("during main"), std::string::npos) << log;
    EXPECT_NE(log.find("after main"), std::string::npos) << log;
}

}  // namespace
