// SPDX-License-Identifier: Apache-2.0
#include <HalcyonCommon/Diag.h>

#include "Platform/Win.h"

#include <atomic>
#include <cstdio>

namespace {

const char kVerifyLogPath[] = "..\\LOG\\TQVERIFY.LOG";
constexpr int kCallsBeforeEmptying = 10000;

std::atomic<int> g_verifyCount{0};

// Counts the call; the call that finds the count past the limit empties the log.
void CountCall() {
    int seen = g_verifyCount.fetch_add(1);
    if (seen > kCallsBeforeEmptying && g_verifyCount.compare_exchange_strong(++seen, 0)) {
        win::DeleteFileA(kVerifyLogPath);
    }
}

const char* OrNull(const char* text) { return text != nullptr ? text : "(null)"; }

}  // namespace

bool TQVerify(const char* pszExpression, const char* pszFile, unsigned short nLine) {
    CountCall();
    std::FILE* log = nullptr;
    if (win::fopen_s(&log, kVerifyLogPath, "at+") != 0 || log == nullptr) return false;
    std::setvbuf(log, nullptr, _IONBF, 0);
    win::SYSTEMTIME now;
    win::GetLocalTime(&now);
    std::fprintf(log, "%04d/%02d/%02d %02d:%02d:%02d <%s> failed in file <%s> in line <%d>\n",
                 now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                 OrNull(pszExpression), OrNull(pszFile), nLine);
    std::fclose(log);
    return false;
}
