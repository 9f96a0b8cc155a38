// The bridge of shared queues over NATS JetStream: a queue on one machine, a stream on a NATS
// server, the same records in the same order in a queue on every other machine.
//
// `out` is the only consumer of its local queue: it takes each record, keeps it in a journal file
// until the stream has stored it, and publishes it as one message with the id
// "<queue>:<journal id>:<sequence>" and the stream sequence it must follow, so that the stream
// never holds a gap or a repeat. `in` is the only producer of its local queue: a durable push
// consumer whose stream sequence of the last record written is kept in a cursor file, so that a
// redelivered message is acknowledged and dropped instead of written twice.
// Both survive being killed at any instant, and the server being killed (see docs/user-guide.md).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace halcyon::bridge {

// How the bridge proves who it is to the NATS server, and how it checks the server in turn.
// Empty fields are not used.
struct Security {
    std::string credentials;  // a credentials file: the user's JWT and NKey seed
    std::string user;         // with `password`
    std::string password;
    std::string token;
    bool tls = false;      // require TLS; so do the files below, a hostname and a tls:// URL
    std::string caFile;    // the CAs that vouch for the server (default: the system's)
    std::string certFile;  // this client's certificate chain, with `keyFile`, for a server that
    std::string keyFile;   // asks for one
    std::string hostname;  // the name the server's certificate must carry
};

struct Settings {
    std::string queue;  // the local shared queue, opened by name
    std::string url;    // the NATS servers, e.g. nats://127.0.0.1:4222, comma-separated
    Security security;
    std::string subject;  // the subject the records travel under
    std::string stream;   // the JetStream stream; empty: StreamNameFor(subject)
    std::string durable;  // in: the durable consumer's name; empty: DurableNameFor(queue)
    std::string state;    // the journal (out) or cursor (in) file; empty: DefaultStatePath
    // Told of every record the bridge carries and its bytes (from any of its threads); may be
    // empty. The tool draws its progress line from it.
    std::function<void(std::uint64_t records, std::uint64_t bytes)> progress;
};

// "HALCYON_" and the subject with every character a stream name cannot hold made '_'.
std::string StreamNameFor(const std::string& subject);
// "HALCYON_IN_" and the queue's name, made valid the same way.
std::string DurableNameFor(const std::string& queue);
// The journal or cursor file of `direction` ("out" or "in") for `queue`, in the installation's
// TEMP folder (a Windows path, as the library names files).
std::string DefaultStatePath(const std::string& direction, const std::string& queue);

// Run until `stop` is set: the process's exit code, with a message on standard error for every
// failure (bad queue, unreachable server, unusable state file).
int RunOut(const Settings& settings, const std::atomic<bool>& stop);
int RunIn(const Settings& settings, const std::atomic<bool>& stop);

}  // namespace halcyon::bridge
