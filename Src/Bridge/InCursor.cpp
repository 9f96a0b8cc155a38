// SPDX-License-Identifier: Apache-2.0
#include "InCursor.h"

#include <atomic>
#include <cstring>

namespace halcyon::bridge {
namespace {

const char kMagic[] = "HCBIN001";
constexpr std::size_t kSize = 32;

// Stores `value` little-endian at `at`, after every store before it.
void Store(unsigned char* at, std::uint64_t value, int width) {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    for (int i = 0; i < width; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

}  // namespace

bool InCursor::Open(const std::string& path, std::string& error) {
    std::string bytes;
    if (!file_.OpenAndRead(path, "cursor", bytes, error)) return false;
    if (bytes.empty()) {
        bytes.assign(kMagic, 8);
        bytes.resize(kSize, '\0');
        if (!file_.WriteAt(0, bytes)) {
            error = "cannot write cursor '" + path + "'";
            return false;
        }
    }
    if (bytes.size() != kSize || bytes.compare(0, 8, kMagic) != 0) {
        error = "'" + path + "' is not an in bridge's cursor";
        return false;
    }
    written_ = GetU64(bytes, 8);
    writing_ = GetU64(bytes, 16);
    writeCount_ = GetU32(bytes, 24);
    view_ = file_.Map(kSize);
    if (view_ == nullptr) error = "cannot map cursor '" + path + "'";
    return view_ != nullptr;
}

bool InCursor::Recover(std::uint32_t writeCount) {
    if (writing_ <= written_) return true;
    if (writeCount != writeCount_) written_ = writing_;
    writing_ = written_;
    Save();
    return true;
}

bool InCursor::Writing(std::uint64_t seq, std::uint32_t writeCount) {
    writing_ = seq;
    writeCount_ = writeCount;
    Save();
    return true;
}

void InCursor::Save() {
    Store(view_ + 8, written_, 8);
    Store(view_ + 24, writeCount_, 4);
    Store(view_ + 16, writing_, 8);
}

}  // namespace halcyon::bridge
