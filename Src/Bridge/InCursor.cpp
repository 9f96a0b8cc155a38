#include "InCursor.h"

namespace halcyon::bridge {
namespace {

const char kMagic[] = "HCBIN001";
constexpr std::size_t kSize = 32;

}  // namespace

bool InCursor::Open(const std::string& path, std::string& error) {
    std::string bytes;
    if (!file_.Open(path, error)) return false;
    if (!file_.ReadAll(bytes)) {
        error = "cannot read cursor '" + path + "'";
        return false;
    }
    if (bytes.empty()) {
        if (Save()) return true;
        error = "cannot write cursor '" + path + "'";
        return false;
    }
    if (bytes.size() != kSize || bytes.compare(0, 8, kMagic) != 0) {
        error = "'" + path + "' is not an in bridge's cursor";
        return false;
    }
    written_ = GetU64(bytes, 8);
    writing_ = GetU64(bytes, 16);
    writeCount_ = GetU32(bytes, 24);
    return true;
}

bool InCursor::Recover(std::uint32_t writeCount) {
    if (writing_ <= written_) return true;
    if (writeCount != writeCount_) written_ = writing_;
    writing_ = written_;
    return Save();
}

bool InCursor::Writing(std::uint64_t seq, std::uint32_t writeCount) {
    writing_ = seq;
    writeCount_ = writeCount;
    return Save();
}

bool InCursor::Save() {
    std::string bytes(kMagic, 8);
    PutU64(bytes, written_);
    PutU64(bytes, writing_);
    PutU32(bytes, writeCount_);
    PutU32(bytes, 0);
    return file_.WriteAt(0, bytes);
}

}  // namespace halcyon::bridge
