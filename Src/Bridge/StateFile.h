// SPDX-License-Identifier: Apache-2.0
// A small file the bridge keeps its progress in: opened for this process alone (a second bridge
// on the same file is refused with a sharing violation), read whole, written in place. A process
// killed after a write has the bytes in the file; a write is one call, so a kill never splits it.
// The file is the user's private file (halcyon::OpenPrivateFile): named exactly as given, made
// 0600, and refused when it is another user's, open to others, a link or no plain file, or lies in
// a folder others may write, so that nobody can plant a journal or a cursor for a bridge to use.
#pragma once

#include <cstdint>
#include <string>

namespace halcyon::bridge {

class StateFile {
  public:
    StateFile() = default;
    StateFile(const StateFile&) = delete;
    StateFile& operator=(const StateFile&) = delete;
    ~StateFile();

    // Opens or creates `path` (a Windows path) and reads it whole into `bytes`; false with `error`
    // set on failure, saying why (the file named as `what`, "cursor" or "journal").
    bool OpenAndRead(const std::string& path, const char* what, std::string& bytes,
                     std::string& error);
    // Writes `bytes` at `offset`; with `truncate`, the file ends after them.
    bool WriteAt(std::uint64_t offset, const std::string& bytes, bool truncate = false);
    // Maps the first `size` bytes (the file is at least that long) for writes without a system
    // call: a store into the view is in the file for every later reader, even if this process is
    // killed right after. Null on failure; the view lives as long as this object.
    unsigned char* Map(std::size_t size);

  private:
    bool Open(const std::string& path, std::string& error);
    bool ReadAll(std::string& bytes);

    void* handle_ = nullptr;
    void* mapping_ = nullptr;
    void* view_ = nullptr;
};

// Little-endian fields of the state files.
void PutU64(std::string& out, std::uint64_t value);
void PutU32(std::string& out, std::uint32_t value);
std::uint64_t GetU64(const std::string& in, std::size_t at);
std::uint32_t GetU32(const std::string& in, std::size_t at);

}  // namespace halcyon::bridge
