// SPDX-License-Identifier: Apache-2.0
// The NATS server URLs a bridge is given, checked before any connection is tried, so that a
// malformed URL is reported as such rather than as a server that cannot be reached.
#pragma once

#include <string>
#include <vector>

namespace halcyon::bridge {

// Splits `list` at its commas into URLs of the form [nats://|tls://][user[:password]@]host[:port]
// (host a name, an IPv4 address or an IPv6 one in brackets; port 1-65535). False, with `error`
// naming the first malformed one and why, for anything else.
bool ParseNatsUrls(const std::string& list, std::vector<std::string>& urls, std::string& error);

// `urls` for messages, with every password in them shown as "***".
std::string RedactedUrls(const std::string& urls);

}  // namespace halcyon::bridge
