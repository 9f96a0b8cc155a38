// SPDX-License-Identifier: Apache-2.0
#include "HalcyonCommon/Profile/ProfileRead.h"

#include "HalcyonCommon/Profile/ProfileTable.h"
#include "HalcyonCommon/Profile/ProfileText.h"
#include "Platform/Win.h"

#include <algorithm>
#include <cstring>

namespace halcyon::profile {

namespace {

constexpr std::size_t kFirstChunk = 64 * 1024;
constexpr std::size_t kLargestChunk = 16 * 1024 * 1024;

// Appends the file's bytes to `text` until its end, a zero byte, a read error or the limit.
void ReadAll(win::HANDLE file, std::string& text) {
    std::size_t chunk = kFirstChunk;
    while (text.size() < kMaxFileBytes) {
        std::size_t old = text.size();
        std::size_t want = std::min(chunk, kMaxFileBytes - old);
        text.resize(old + want);
        win::DWORD got = 0;
        if (!win::ReadFile(file, &text[old], static_cast<win::DWORD>(want), &got, nullptr)) got = 0;
        text.resize(old + got);
        if (got == 0) return;
        const void* zero = std::memchr(text.data() + old, '\0', got);
        if (zero != nullptr) {
            text.resize(static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
            return;
        }
        chunk = std::min(chunk * 2, kLargestChunk);
    }
}

}  // namespace

bool ReadProfileFile(std::string_view path, std::string& text) {
    std::string upper(path);
    UpperCaseName(upper.data(), upper.size(), ActiveLeadBytes());
    win::HANDLE file = win::CreateFileA(upper.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    struct Closer {
        win::HANDLE file;
        ~Closer() { win::CloseHandle(file); }
    } closer{file};
    text.clear();
    ReadAll(file, text);
    return true;
}

}  // namespace halcyon::profile
