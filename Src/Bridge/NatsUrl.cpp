// SPDX-License-Identifier: Apache-2.0
#include "NatsUrl.h"

#include <cctype>

namespace halcyon::bridge {
namespace {

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool HostCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

// Why `url` is not one, or "" when it is.
std::string Fault(const std::string& url) {
    if (url.empty()) return "it is empty";
    std::string rest = url;
    const size_t scheme = rest.find("://");
    if (scheme != std::string::npos) {
        std::string name = rest.substr(0, scheme);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name != "nats" && name != "tls") return "the scheme is not nats:// or tls://";
        rest = rest.substr(scheme + 3);
    } else if (rest.find(":/") != std::string::npos || rest.find('/') != std::string::npos) {
        return "the scheme is not nats:// or tls://";
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    const size_t at = rest.rfind('@');
    if (at != std::string::npos) {
        if (at == 0) return "it has an empty user name";
        rest = rest.substr(at + 1);
    }
    if (rest.find('/') != std::string::npos) return "it has a path";
    std::string host = rest, port;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos || close == 1) return "its IPv6 address is not closed";
        host = rest.substr(0, close + 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty() && after[0] != ':') return "something follows its IPv6 address";
        if (!after.empty()) port = after.substr(1);
        if (after == ":") return "its port is empty";
    } else {
        const size_t colon = rest.find(':');
        if (colon != std::string::npos) {
            host = rest.substr(0, colon);
            port = rest.substr(colon + 1);
            if (port.empty()) return "its port is empty";
        }
        if (host.empty()) return "it has no host";
        for (char c : host) {
            if (!HostCharacter(c)) return "its host holds '" + std::string(1, c) + "'";
        }
    }
    if (!port.empty()) {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
            return "its port is not a number";
        const long number = std::stol(port);
        if (number < 1 || number > 65535) return "its port is not from 1 to 65535";
    }
    return "";
}

}  // namespace

bool ParseNatsUrls(const std::string& list, std::vector<std::string>& urls, std::string& error) {
    urls.clear();
    size_t start = 0;
    while (true) {
        const size_t comma = list.find(',', start);
        const std::string url = Trimmed(list.substr(start, comma - start));
        const std::string fault = Fault(url);
        if (!fault.empty()) {
            error = "malformed NATS URL '" + RedactedUrls(url) + "': " + fault +
                    " (expected nats://host:port, or several separated by commas)";
            return false;
        }
        urls.push_back(url);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

std::string RedactedUrls(const std::string& urls) {
    std::string out;
    size_t start = 0;
    while (start <= urls.size()) {
        size_t comma = urls.find(',', start);
        if (comma == std::string::npos) comma = urls.size();
        std::string url = urls.substr(start, comma - start);
        const size_t at = url.rfind('@');
        const size_t scheme = url.find("://");
        const size_t user = scheme == std::string::npos ? 0 : scheme + 3;
        const size_t colon = at == std::string::npos ? std::string::npos : url.find(':', user);
        if (colon != std::string::npos && colon < at) url.replace(colon + 1, at - colon - 1, "***");
        out += (start > 0 ? "," : "") + url;
        start = comma + 1;
    }
    return out;
}

}  // namespace halcyon::bridge
