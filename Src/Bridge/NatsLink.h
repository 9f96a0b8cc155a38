// The bridge's connection to NATS: connects once (an unreachable server is an error), then
// reconnects without limit, saying on standard error when the connection is lost and when it is
// back.
#pragma once

#include "Bridge.h"

#include <nats/nats.h>

#include <string>

namespace halcyon::bridge {

// Adds stream `stream` over `subject` as the bridges make theirs: file storage, duplicates
// remembered for ten minutes. The client's status; `code` (may be null) gets JetStream's error.
natsStatus AddStream(jsCtx* js, const std::string& stream, const std::string& subject,
                     jsErrCode* code);

class NatsLink {
  public:
    NatsLink() = default;
    NatsLink(const NatsLink&) = delete;
    NatsLink& operator=(const NatsLink&) = delete;
    ~NatsLink();

    // Connects to the servers of `urls` (comma-separated, checked by ParseNatsUrls) as `security`
    // says. `who`, a string of static storage, names the bridge in messages ("halcyon bridge
    // out"). `js` may carry publish options. A failure's `error` tells a malformed URL, an
    // unusable certificate or key, a server that cannot be reached, one that refuses the
    // credentials and a failed TLS handshake apart.
    bool Connect(const std::string& urls, const Security& security, const char* who,
                 const jsOptions* js, std::string& error);
    // Creates stream `stream` over `subject` (file storage, duplicates remembered for ten
    // minutes) unless it exists; false with `error` set when neither works.
    bool EnsureStream(const std::string& stream, const std::string& subject, std::string& error);

    bool Connected() const;
    // How often the connection came back after a loss (one link per process).
    unsigned Reconnects() const;
    natsConnection* Connection() const { return conn_; }
    jsCtx* Js() const { return js_; }

  private:
    bool Secure(const Security& security, std::string& error);

    natsOptions* options_ = nullptr;
    natsConnection* conn_ = nullptr;
    jsCtx* js_ = nullptr;
};

// "<what>: <status text>" for messages.
std::string StatusText(const char* what, natsStatus status);

}  // namespace halcyon::bridge
