// SPDX-License-Identifier: Apache-2.0
// Default names of streams, durable consumers and state files.
#include "Bridge.h"

#include <HalcyonCommon/Paths.h>

#include <cctype>

namespace halcyon::bridge {
namespace {

// Stream and consumer names may not hold '.', '*', '>', path separators or white space.
std::string Sanitised(const std::string& text) {
    std::string out = text;
    for (auto& c : out) {
        auto u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '-' && c != '_') c = '_';
    }
    return out;
}

}  // namespace

std::string StreamNameFor(const std::string& subject) { return "HALCYON_" + Sanitised(subject); }

std::string DurableNameFor(const std::string& queue) { return "HALCYON_IN_" + Sanitised(queue); }

std::string DefaultStatePath(const std::string& direction, const std::string& queue) {
    CString folder = s_PathGetTempPath(0);
    std::string path(static_cast<const char*>(folder));
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path + "BRIDGE_" + direction + "_" + Sanitised(queue) + ".DAT";
}

}  // namespace halcyon::bridge
