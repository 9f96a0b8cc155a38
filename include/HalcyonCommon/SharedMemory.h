// SPDX-License-Identifier: Apache-2.0
/// \file
/// Shared memory between the terminal's processes: mapped files, named blocks, and the named
/// first-in-first-out queues with their machine-wide registry "SHARED_QUEUE".
///
/// Every failure is a return value (0 or -1, an empty name); nothing is logged and nothing throws.
/// The per-process tables carry no lock: a process creates, opens and closes a given id from one
/// thread at a time. Reads and writes of a queue or block may come from any thread or process:
/// each holds the object's named mutex for its whole copy.
///
/// A queue's mutex abandoned by a process that died holding it is released by the next waiter,
/// whose call then fails once (see s_MutexWait); a queue left with `sync` set by such a process
/// fails every read and write after their pauses until s_MapFile_ResetQue.
#pragma once

#include <HalcyonCommon/Export.h>

#include <cstddef>
#include <cstdint>

/// A mapped file: the caller owns the record; the functions below fill and clear it.
struct MEM_MAPFILE {
    void* hFile;  ///< the backing temporary file (creator only), else null
    void* hMap;   ///< the file-mapping object
    void* pView;  ///< the mapped view; null when nothing is mapped
};

/// The header at the start of every queue's mapping: 26 bytes, packed, little-endian. The ring of
/// size * 1024 bytes follows at offset 26.
#pragma pack(push, 1)
struct tagSHMHEADER {
    std::uint8_t H1;           ///< 0x8E when valid
    std::uint8_t size;         ///< ring size in KiB, 1-255
    std::uint32_t count;       ///< records now queued
    std::uint32_t put;         ///< ring offset of the next record to write
    std::uint32_t take;        ///< ring offset of the next record to read
    std::uint8_t sync;         ///< 1 while a read or write copies bytes, else 0
    std::uint16_t errcount;    ///< reads and writes that gave up after their pauses
    std::uint32_t ReadCount;   ///< records read
    std::uint32_t WriteCount;  ///< records written
    std::uint8_t H2;           ///< 0x8F when valid
};
#pragma pack(pop)
typedef tagSHMHEADER SHMHEADER;  ///< the same header

static_assert(sizeof(tagSHMHEADER) == 26, "the queue header is 26 bytes");
static_assert(offsetof(tagSHMHEADER, count) == 2 && offsetof(tagSHMHEADER, put) == 6 &&
                  offsetof(tagSHMHEADER, take) == 10 && offsetof(tagSHMHEADER, sync) == 14 &&
                  offsetof(tagSHMHEADER, errcount) == 15 &&
                  offsetof(tagSHMHEADER, ReadCount) == 17 &&
                  offsetof(tagSHMHEADER, WriteCount) == 21 && offsetof(tagSHMHEADER, H2) == 25,
              "the queue header's fields sit where every process expects them");

/// \name Mapped files
/// Names are at most 31 characters. Before its first use in a process, each of the four create
/// and open functions below makes the process a client of the queue registry, which waits until
/// some process has created it (s_MapFile_Initialize).
///@{

/// Creates the mapping lpszName of dwSize bytes (zero-filled) over a new delete-on-close temporary
/// file in s_PathGetTempPath(0), and maps all of it; an existing mapping of that name is mapped
/// instead, with its own size and contents. 1 when mapped, else 0 (the record may then hold
/// handles that s_MapFile_CloseMapFile(pMapFile, true) releases).
HALCYON_API int s_MapFile_CreateMapFile(MEM_MAPFILE* pMapFile, const char* lpszName,
                                        unsigned long dwSize);
/// Maps all of the existing mapping lpszName; 1 when mapped, 0 when there is none.
HALCYON_API int s_MapFile_OpenMapFile(MEM_MAPFILE* pMapFile, const char* lpszName);
/// The view's address, or null.
HALCYON_API void* s_MapFile_MapFilePtr(MEM_MAPFILE* pMapFile);
/// Unmaps and closes the mapping; the backing file too when bDelete is true (it is deleted once
/// nothing uses it).
HALCYON_API void s_MapFile_CloseMapFile(MEM_MAPFILE* pMapFile, bool bDelete);
///@}

// ---- Shared blocks -----------------------------------------------------------------------------
/// A block is a named mapping with its mutex `"MS_<name>"`, read and written whole from offset 0.
/// Block ids (0-127) are private to the process. The caller keeps dwSize within the block.
///@{
HALCYON_API short s_MapFile_CreateShm(const char* lpszName, unsigned long dwSize);
HALCYON_API short s_MapFile_OpenShm(const char* lpszName);
HALCYON_API int s_MapFile_ReadShm(short nId, unsigned char* pBuf, unsigned long dwSize);
HALCYON_API int s_MapFile_WriteShm(short nId, unsigned char* pData, unsigned long dwSize);
HALCYON_API int s_MapFile_CloseShm(short nId);
///@}

// ---- Queues ------------------------------------------------------------------------------------
/// A queue id (0-127) is the queue's slot in the registry, the same in every process. Records are
/// 1-3095 bytes. The registry owner calls s_MapFile_Initialize(true) before any other process uses
/// a queue; a client that finds no registry waits for one (without limit).
/// s_MapFile_CloseQue with `bDelete` frees the queue's registry slot only while that slot still
/// names this queue (another owner may have emptied the registry and given the slot to another
/// queue).
///@{
HALCYON_API void s_MapFile_Initialize(bool bCreate);
HALCYON_API short s_MapFile_CreateQue(const char* lpszName, unsigned char bySize);
HALCYON_API int s_MapFile_CloseQue(short nId, bool bDelete);
HALCYON_API void s_MapFile_ResetQue(short nId);
HALCYON_API unsigned long s_MapFile_QueryQueCount(short nId);
HALCYON_API unsigned short s_MapFile_QueryQueErrCount(short nId);
HALCYON_API int s_MapFile_QueryQueHeader(short nId, tagSHMHEADER* pHeader);
HALCYON_API short s_MapFile_QueryQueId(const char* lpszName);
HALCYON_API const char* s_MapFile_QueryQueName(short nId);
HALCYON_API unsigned long s_MapFile_QueryQueSize(short nId);
///@}
/// Waits (without limit) until the name is registered once its mutex exists.
HALCYON_API short s_MapFile_OpenQue(const char* lpszName);
/// As s_MapFile_OpenQue, but gives up with -1 after 60 seconds.
HALCYON_API short s_MapFile_WaitingOpenQue(const char* lpszName);
/// Appends one record; when the queue is full, pauses 50 ms at a time (at most min(wRetry, 32) + 1
/// pauses) holding the queue's mutex. 1 when appended, else 0.
HALCYON_API int s_MapFile_WriteQue(short nId, unsigned char* pData, unsigned short wLen,
                                   unsigned short wRetry);
/// Takes the front record into pBuf, which must hold 3095 bytes; its length, 0 when the queue is
/// empty, -1 on failure (a damaged queue is reset and its records are lost).
HALCYON_API short s_MapFile_ReadQue(short nId, unsigned char* pBuf, unsigned short wRetry);
/// Ring bytes in use, length fields included: what a producer checks before writing, so that it
/// never pauses on a full queue while holding its mutex.
HALCYON_API unsigned long s_MapFile_QueryQueUseSize(short nId);
