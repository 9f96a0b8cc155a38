// SPDX-License-Identifier: Apache-2.0
#include "StateFile.h"

#include "Platform/Win.h"
#include "Platform/common/PrivateData.h"

namespace halcyon::bridge {

StateFile::~StateFile() {
    if (view_ != nullptr) win::UnmapViewOfFile(view_);
    if (mapping_ != nullptr) win::CloseHandle(mapping_);
    if (handle_ != nullptr) win::CloseHandle(handle_);
}

unsigned char* StateFile::Map(std::size_t size) {
    mapping_ = win::CreateFileMappingA(handle_, nullptr, PAGE_READWRITE, 0,
                                       static_cast<win::DWORD>(size), nullptr);
    if (mapping_ != nullptr) view_ = win::MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, size);
    return static_cast<unsigned char*>(view_);
}

namespace {

// Why a state file could not be opened, and what to do about it.
std::string OpenFailure(const std::string& path, unsigned long code) {
    std::string what = "cannot open state file '" + path + "' (error " + std::to_string(code);
    switch (code) {
        case ERROR_SHARING_VIOLATION:
            return what + ": another bridge uses it)";
        case ERROR_ACCESS_DENIED:
            return what +
                   "): it must be a plain file of yours that nobody else may read or "
                   "write (0600), in a folder of yours that nobody else may write; it "
                   "is not, or it is a link: remove it, or give --state another file";
        default:
            return what + ")";
    }
}

}  // namespace

bool StateFile::Open(const std::string& path, std::string& error) {
    win::HANDLE handle = halcyon::OpenPrivateFile(path.c_str());
    if (handle == INVALID_HANDLE_VALUE) {
        error = OpenFailure(path, win::GetLastError());
        return false;
    }
    handle_ = handle;
    return true;
}

bool StateFile::ReadAll(std::string& bytes) {
    bytes.clear();
    if (win::SetFilePointer(handle_, 0, nullptr, FILE_BEGIN) != 0) return false;
    char buf[65536];
    for (;;) {
        win::DWORD got = 0;
        if (!win::ReadFile(handle_, buf, sizeof buf, &got, nullptr)) return false;
        if (got == 0) return true;
        bytes.append(buf, got);
    }
}

bool StateFile::OpenAndRead(const std::string& path, const char* what, std::string& bytes,
                            std::string& error) {
    if (!Open(path, error)) return false;
    if (ReadAll(bytes)) return true;
    error = std::string("cannot read ") + what + " '" + path + "'";
    return false;
}

bool StateFile::WriteAt(std::uint64_t offset, const std::string& bytes, bool truncate) {
    win::LONG high = static_cast<win::LONG>(offset >> 32);
    win::DWORD low = win::SetFilePointer(handle_, static_cast<win::LONG>(offset & 0xFFFFFFFFu),
                                         &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && win::GetLastError() != NO_ERROR) return false;
    win::DWORD written = 0;
    if (!bytes.empty() &&
        (!win::WriteFile(handle_, bytes.data(), static_cast<win::DWORD>(bytes.size()), &written,
                         nullptr) ||
         written != bytes.size()))
        return false;
    return !truncate || win::SetEndOfFile(handle_);
}

void PutU64(std::string& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void PutU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

std::uint64_t GetU64(const std::string& in, std::size_t at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(in[at + i]);
    return value;
}

std::uint32_t GetU32(const std::string& in, std::size_t at) {
    return static_cast<std::uint32_t>(GetU64(in.substr(at, 4) + std::string(4, '\0'), 0));
}

}  // namespace halcyon::bridge
