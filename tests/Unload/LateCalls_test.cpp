// SPDX-License-Identifier: Apache-2.0
// Calls into the library after main has returned: a program's own static object whose destructor
// uses every area that keeps process-wide state. The library built that state during main, after
// the program's object, so a static of the library would be destroyed first; the calls must still
// work, with the results they gave during main, and the program must end cleanly (under the
// sanitizers too).
#include <HalcyonCommon.h>

#include "Lang/LangTestSupport.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using namespace halcyon::test;

const char kLogName[] = "late";
const char kBig5[] = "\xA4\xA4\xB5\xD8";  // "Chung-hua" in Big5
const char kQuote[] = "bid 101.5 ask 101.6 bid 101.5 ask 101.6";

std::string IniPath() { return RootHostPath() + "/late.ini"; }

// The child's own state, built before g_lateCaller and so destroyed after it (the test support's
// statics are gone by the time it runs).
CString g_iniPath;
short g_queue = -1;

// Writes a record and returns every record the queue holds, each followed by ";".
std::string QueueRoundTrip() {
    unsigned char record[] = "record", buffer[3095];
    s_MapFile_WriteQue(g_queue, record, sizeof record - 1, 0);
    std::string read;
    for (short length; (length = s_MapFile_ReadQue(g_queue, buffer, 0)) > 0;)
        read.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(length)).append(";");
    return read;
}

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

std::string Profile() {
    char value[64] = "";
    SProfileInfo::GetPrivateProfileStringA("Late", "Key", "missing", value, sizeof value,
                                           g_iniPath);
    return value;
}

std::string SimplifiedChinese() {
    CString gb;
    s_LangConvertToSimplifiedChinese(kBig5, gb);
    return std::string(gb);
}

std::string LogLine() {
    return s_NimbusLogGetSystemLogObj(kLogName)->Write(1, 2, "B", "late line") ? "written"
                                                                               : "failed";
}

// One call of each area that keeps process-wide state, its result as text.
struct LateCall {
    const char* what;
    std::string (*call)();
};
const LateCall kCalls[] = {
    {"root", [] { return std::string(s_PathGetMainPath()); }},
    {"dat", [] { return std::string(s_PathGetDatPath(42)); }},
    {"ftp", [] { return std::string(s_PathGetFTPDatPath(42)); }},
    {"symbol", [] { return std::string(s_FileGetSymbolFileName(42, 0, "ABC")); }},
    {"version", [] { return std::string(s_PathGetVersionPath()); }},
    {"profile", Profile},
    {"find", FirstFolderEntry},
    {"log", LogLine},
    {"lang", [] { return std::string(s_LangGetLangString(CString("IDS_LATE_TEXT"))); }},
    {"status", [] { return std::string(STATUS_CLOSE_STRING); }},
    {"gb", SimplifiedChinese},
    {"queue", QueueRoundTrip},
    {"tz", [] { return std::to_string(s_TimeZoneLibGetTimeDiff('T', 'N')); }},
    {"codec", CodecRoundTrip},
};

// Prints `title`, then "<what>=<result>" for each call.
void PrintCalls(const char* title) {
    std::printf("%s\n", title);
    for (const LateCall& c : kCalls) std::printf("%s=%s\n", c.what, c.call().c_str());
    std::fflush(stdout);
}

// The program's static object: does nothing unless the child role armed it.
struct LateCaller {
    bool armed = false;
    ~LateCaller() {
        if (!armed) return;
        PrintCalls("after main:");
        s_MapFile_CloseQue(g_queue, true);
        s_TimeZoneLibRelease();
    }
} g_lateCaller;

// The child: makes every call during main, so that the library builds its state now, after
// g_lateCaller, and leaves the same calls to g_lateCaller's destructor.
int UseThenLeave(const std::vector<std::string>&) {
    g_iniPath = WindowsPath(IniPath()).c_str();
    if (!s_LangInitialLanguage() || !s_TimeZoneLibInitialize()) return 2;
    s_MapFile_Initialize(true);
    g_queue = s_MapFile_CreateQue("LATE_CALLS", 4);
    PrintCalls("during main:");
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

TEST(LateCalls, AStaticDestructorAfterMainGetsWhatMainGot) {
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
    ASSERT_EQ(RunCommand(ChildCommand("late-calls"), output), 0) << output;
    size_t during = output.find("during main:\n"), after = output.find("after main:\n");
    ASSERT_TRUE(during != std::string::npos && after != std::string::npos) << output;
    std::string calls = output.substr(during + 13, after - during - 13);
    EXPECT_EQ(output.substr(after + 12, calls.size()), calls);
    // During main, every call found what the test made for it.
    for (const char* unset : {"=\n", "=missing\n", "=none\n", "=failed\n", "tz=0\n"})
        EXPECT_EQ(calls.find(unset), std::string::npos) << unset << " in\n" << calls;
    std::string log = LogText();
    EXPECT_NE(log.find("late line"), log.rfind("late line")) << "not written twice:\n" << log;
}

}  // namespace
