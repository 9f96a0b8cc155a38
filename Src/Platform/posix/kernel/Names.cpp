// SPDX-License-Identifier: Apache-2.0
// Object names as Windows accepts them, and the file names that stand for them in the folder.
#include "Platform/posix/kernel/Namespace.h"

#include "Platform/common/Mbcs.h"

#include <cstdint>
#include <cstring>

namespace win::posix::kernel {
namespace {

constexpr std::size_t kMaxNameBytes = MAX_PATH - 1;
constexpr std::size_t kMaxPlainFileName = 200;
const char kLocalPrefix[] = "Local\\";
const char kGlobalPrefix[] = "Global\\";

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool KeptInFileName(unsigned char c, bool first) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    if (c == '.') return !first;  // the folder's own files start with a dot
    return std::strchr("-_,+=@~", c) != nullptr && c != '\0';
}

// FNV-1a over the key from `seed`; two seeds give the 128 bits of a long name's file name.
std::uint64_t Fnv1a(const std::string& key, std::uint64_t seed) {
    std::uint64_t hash = seed;
    for (unsigned char c : key) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

void AppendHex(std::string& out, std::uint64_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i) out += kDigits[(value >> (4 * i)) & 0xF];
}

}  // namespace

bool ParseName(const char* name, std::string& key, DWORD& error) {
    key.clear();
    error = ERROR_SUCCESS;
    if (name == nullptr || name[0] == '\0') return true;
    if (std::strlen(name) > kMaxNameBytes) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    // "Local\x" is the session's own namespace, which is where a bare name lives too.
    const char* rest = name;
    if (StartsWith(name, kLocalPrefix)) {
        rest = name + std::strlen(kLocalPrefix);
    } else if (StartsWith(name, kGlobalPrefix)) {
        rest = name + std::strlen(kGlobalPrefix);
    }
    if (rest != name && rest[0] == '\0') {
        error = ERROR_INVALID_NAME;
        return false;
    }
    // Windows looks for the separator in the name's wide form: a Big5 trail byte is none.
    if (halcyon::mbcs::FindChar(rest, std::strlen(rest), '\\') >= 0) {
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    key = StartsWith(name, kGlobalPrefix) ? std::string(name) : std::string(rest);
    return true;
}

std::string FileNameFor(const std::string& key) {
    std::string file;
    for (std::size_t i = 0; i < key.size(); ++i) {
        auto c = static_cast<unsigned char>(key[i]);
        if (KeptInFileName(c, i == 0)) {
            file += static_cast<char>(c);
        } else {
            file += '%';
            AppendHex(file, c, 2);
        }
    }
    if (file.size() <= kMaxPlainFileName) return file;
    std::string hashed = "%%";
    AppendHex(hashed, Fnv1a(key, 0xcbf29ce484222325ULL), 16);
    AppendHex(hashed, Fnv1a(key, 0x84222325cbf29ce4ULL), 16);
    return hashed;
}

}  // namespace win::posix::kernel
