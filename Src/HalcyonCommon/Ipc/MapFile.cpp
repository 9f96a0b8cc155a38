// SPDX-License-Identifier: Apache-2.0
// Mapped files: a named mapping over a delete-on-close temporary file, and its view.
#include <HalcyonCommon/Paths.h>
#include <HalcyonCommon/SharedMemory.h>

#include "HalcyonCommon/Ipc/IpcState.h"
#include "Platform/Win.h"
#include "Platform/common/PrivateData.h"

#include <random>

using halcyon::ipc::EnsureClient;
using halcyon::ipc::kRegistryName;
using halcyon::ipc::ValidName;

namespace {

constexpr unsigned int kTempNumbers = 0xFFFF;
// Names are drawn at random, so that names others put in the folder cannot use up the tries.
constexpr int kTempTries = 64;

// A new unique file "TMP….tmp" in the installation's TEMP folder, which must be the user's own
// (halcyon::MakeFolderPrivate), created delete-on-close in one step (CREATE_NEW), so that a
// process killed at any moment leaves no empty file behind, as one killed between
// GetTempFileNameA's create and the open would. After kTempTries names that all exist: null with
// ERROR_FILE_EXISTS.
win::HANDLE CreateBackingFile() {
    CString folder = s_PathGetTempPath(0);
    if (folder.IsEmpty() || !halcyon::MakeFolderPrivate(folder)) return nullptr;
    std::random_device random;  // draws independent across threads and processes
    std::uniform_int_distribution<unsigned int> numbers(1, kTempNumbers);
    for (int tried = 0; tried < kTempTries; ++tried) {
        char name[MAX_PATH + 16] = {};
        if (win::GetTempFileNameA(folder, "TMP", numbers(random), name) == 0) return nullptr;
        win::HANDLE file = win::CreateFileA(
            name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
            CREATE_NEW,
            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_RANDOM_ACCESS,
            nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        if (win::GetLastError() != ERROR_FILE_EXISTS) return nullptr;
    }
    win::SetLastError(ERROR_FILE_EXISTS);
    return nullptr;
}

}  // namespace

int s_MapFile_CreateMapFile(MEM_MAPFILE* pMapFile, const char* lpszName, unsigned long dwSize) {
    if (pMapFile == nullptr || !ValidName(lpszName) || dwSize == 0) return 0;
    if (std::strcmp(lpszName, kRegistryName) != 0) EnsureClient();
    pMapFile->pView = nullptr;
    pMapFile->hMap = nullptr;
    pMapFile->hFile = CreateBackingFile();
    if (pMapFile->hFile == nullptr) return 0;
    pMapFile->hMap = win::CreateFileMappingA(pMapFile->hFile, nullptr, PAGE_READWRITE | SEC_COMMIT,
                                             0, static_cast<win::DWORD>(dwSize), lpszName);
    if (pMapFile->hMap == nullptr) return 0;
    pMapFile->pView = win::MapViewOfFile(pMapFile->hMap, FILE_MAP_ALL_ACCESS, 0, 0, dwSize);
    return pMapFile->pView != nullptr ? 1 : 0;
}

int s_MapFile_OpenMapFile(MEM_MAPFILE* pMapFile, const char* lpszName) {
    if (pMapFile == nullptr || !ValidName(lpszName)) return 0;
    EnsureClient();
    pMapFile->pView = nullptr;
    pMapFile->hFile = nullptr;
    pMapFile->hMap = win::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, lpszName);
    if (pMapFile->hMap == nullptr) return 0;
    pMapFile->pView = win::MapViewOfFile(pMapFile->hMap, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    return pMapFile->pView != nullptr ? 1 : 0;
}

void* s_MapFile_MapFilePtr(MEM_MAPFILE* pMapFile) {
    return pMapFile != nullptr ? pMapFile->pView : nullptr;
}

void s_MapFile_CloseMapFile(MEM_MAPFILE* pMapFile, bool bDelete) {
    if (pMapFile == nullptr) return;
    if (pMapFile->pView != nullptr) {
        win::UnmapViewOfFile(pMapFile->pView);
        pMapFile->pView = nullptr;
    }
    if (pMapFile->hMap != nullptr) {
        win::CloseHandle(pMapFile->hMap);
        pMapFile->hMap = nullptr;
    }
    if (bDelete && pMapFile->hFile != nullptr) {
        win::CloseHandle(pMapFile->hFile);
        pMapFile->hFile = nullptr;
    }
}
