// The bridge's connection to NATS: connects once (an unreachable server is an error), then
// reconnects without limit, saying on standard error when the connection is lost and when it is
// back.
#pragma once

#include <nats/nats.h>

#include <string>

namespace halcyon::bridge {

class NatsLink {
  public:
    NatsLink() = default;
    NatsLink(const NatsLink&) = delete;
    NatsLink& operator=(const NatsLink&) = delete;
    ~NatsLink();

    // `who`, a string of static storage, names the bridge in messages ("halcyon bridge out"). `js`
    // may carry publish options.
    bool Connect(const std::string& url, const char* who, const jsOptions* js, std::string& error);
    // Creates stream `stream` over `subject` (file storage, duplicates remembered for ten
    // minutes) unless it exists; false with `error` set when neither works.
    bool EnsureStream(const std::string& stream, const std::string& subject, std::string& error);

    bool Connected() const;
    // How often the connection came back after a loss (one link per process).
    unsigned Reconnects() const;
    natsConnection* Connection() const { return conn_; }
    jsCtx* Js() const { return js_; }

  private:
    natsOptions* options_ = nullptr;
    natsConnection* conn_ = nullptr;
    jsCtx* js_ = nullptr;
};

// "<what>: <status text>" for messages.
std::string StatusText(const char* what, natsStatus status);

}  // namespace halcyon::bridge
