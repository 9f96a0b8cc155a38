#include "NatsLink.h"

#include "NatsUrl.h"

#include <atomic>
#include <cstdio>
#include <vector>

namespace halcyon::bridge {
namespace {

// The client calls these on a thread of its own, possibly after the link is gone: they use only
// the caller's static name, and say nothing once the process closes its connection.
std::atomic<bool> g_closing{false};
std::atomic<unsigned> g_reconnects{0};

void OnDisconnected(natsConnection*, void* who) {
    if (g_closing) return;
    std::fprintf(stderr, "%s: connection to the NATS server lost; reconnecting\n",
                 static_cast<const char*>(who));
}

void OnReconnected(natsConnection*, void* who) {
    g_reconnects.fetch_add(1);
    if (g_closing) return;
    std::fprintf(stderr, "%s: reconnected to the NATS server\n", static_cast<const char*>(who));
}

// Why the first connection failed, in the user's terms.
std::string ConnectFailure(const std::string& urls, natsStatus status) {
    const std::string detail =
        std::string(" (") + natsStatus_GetText(status) + ": " + nats_GetLastError(nullptr) + ")";
    switch (status) {
        case NATS_NOT_PERMITTED:
        case NATS_CONNECTION_AUTH_FAILED:
            return "the NATS server at " + urls + " refused the credentials" + detail +
                   "; see --creds, --user, --token-file";
        case NATS_SSL_ERROR:
            return "the TLS handshake with the NATS server at " + urls + " failed" + detail +
                   "; see --tls-ca, --tls-hostname";
        case NATS_SECURE_CONNECTION_REQUIRED:
        case NATS_SECURE_CONNECTION_WANTED:
            return "the NATS server at " + urls + " and this bridge disagree on TLS" + detail;
        default:
            return "cannot reach the NATS server at " + urls + detail;
    }
}

}  // namespace

std::string StatusText(const char* what, natsStatus status) {
    return std::string(what) + ": " + natsStatus_GetText(status);
}

NatsLink::~NatsLink() {
    g_closing = true;
    jsCtx_Destroy(js_);
    natsConnection_Destroy(conn_);
    natsOptions_Destroy(options_);
}

bool NatsLink::Secure(const Security& security, std::string& error) {
    natsStatus s = NATS_OK;
    auto step = [&](natsStatus status, const std::string& what) {
        if (s == NATS_OK && status != NATS_OK) {
            s = status;
            error =
                what + " (" + natsStatus_GetText(status) + ": " + nats_GetLastError(nullptr) + ")";
        }
    };
    const Security& q = security;
    if (!q.credentials.empty())
        step(natsOptions_SetUserCredentialsFromFiles(options_, q.credentials.c_str(), nullptr),
             "cannot use the credentials file '" + q.credentials + "'");
    if (!q.user.empty())
        step(natsOptions_SetUserInfo(options_, q.user.c_str(), q.password.c_str()),
             "cannot use the user name");
    if (!q.token.empty())
        step(natsOptions_SetToken(options_, q.token.c_str()), "cannot use the token");
    const bool tls = q.tls || !q.caFile.empty() || !q.certFile.empty() || !q.hostname.empty();
    if (tls) step(natsOptions_SetSecure(options_, true), "cannot require TLS");
    if (!q.caFile.empty())
        step(natsOptions_LoadCATrustedCertificates(options_, q.caFile.c_str()),
             "cannot load the CA certificates of '" + q.caFile + "'");
    if (!q.certFile.empty())
        step(natsOptions_LoadCertificatesChain(options_, q.certFile.c_str(), q.keyFile.c_str()),
             "cannot load the certificate '" + q.certFile + "' with the key '" + q.keyFile + "'");
    if (!q.hostname.empty())
        step(natsOptions_SetExpectedHostname(options_, q.hostname.c_str()),
             "cannot expect the host name '" + q.hostname + "'");
    return s == NATS_OK;
}

bool NatsLink::Connect(const std::string& urls, const Security& security, const char* who,
                       const jsOptions* js, std::string& error) {
    std::vector<std::string> servers;
    if (!ParseNatsUrls(urls, servers, error)) return false;
    std::vector<const char*> list;
    for (const std::string& server : servers) list.push_back(server.c_str());
    natsStatus s = natsOptions_Create(&options_);
    if (s == NATS_OK)
        s = natsOptions_SetServers(options_, list.data(), static_cast<int>(list.size()));
    if (s == NATS_OK) s = natsOptions_SetNoRandomize(options_, true);
    if (s == NATS_OK) s = natsOptions_SetTimeout(options_, 2000);
    if (s == NATS_OK) s = natsOptions_SetMaxReconnect(options_, -1);
    if (s == NATS_OK) s = natsOptions_SetReconnectWait(options_, 200);
    if (s == NATS_OK)
        s = natsOptions_SetDisconnectedCB(options_, OnDisconnected, const_cast<char*>(who));
    if (s == NATS_OK)
        s = natsOptions_SetReconnectedCB(options_, OnReconnected, const_cast<char*>(who));
    if (s != NATS_OK) {
        error = StatusText("bad NATS options", s);
        return false;
    }
    if (!Secure(security, error)) return false;
    s = natsConnection_Connect(&conn_, options_);
    if (s != NATS_OK) {
        error = ConnectFailure(RedactedUrls(urls), s);
        return false;
    }
    jsOptions copy;
    if (js != nullptr) copy = *js;
    s = natsConnection_JetStream(&js_, conn_, js != nullptr ? &copy : nullptr);
    if (s != NATS_OK) {
        error = StatusText("no JetStream context", s);
        return false;
    }
    return true;
}

natsStatus AddStream(jsCtx* js, const std::string& stream, const std::string& subject,
                     jsErrCode* code) {
    jsStreamConfig config;
    jsStreamConfig_Init(&config);
    const char* subjects[] = {subject.c_str()};
    config.Name = stream.c_str();
    config.Subjects = subjects;
    config.SubjectsLen = 1;
    config.Storage = js_FileStorage;
    config.Duplicates = 10LL * 60 * 1000 * 1000 * 1000;
    jsStreamInfo* info = nullptr;
    natsStatus s = js_AddStream(&info, js, &config, nullptr, code);
    if (info != nullptr) jsStreamInfo_Destroy(info);
    return s;
}

bool NatsLink::EnsureStream(const std::string& stream, const std::string& subject,
                            std::string& error) {
    jsStreamInfo* info = nullptr;
    jsErrCode code = static_cast<jsErrCode>(0);
    natsStatus s = js_GetStreamInfo(&info, js_, stream.c_str(), nullptr, &code);
    if (s == NATS_OK) {
        jsStreamInfo_Destroy(info);
        return true;
    }
    s = AddStream(js_, stream, subject, &code);
    if (s == NATS_OK) return true;
    // The other bridge may have created it at the same moment.
    s = js_GetStreamInfo(&info, js_, stream.c_str(), nullptr, nullptr);
    if (s == NATS_OK) {
        jsStreamInfo_Destroy(info);
        return true;
    }
    error = "cannot create stream '" + stream + "' over '" + subject + "' (" +
            natsStatus_GetText(s) + ", JetStream error " + std::to_string(code) +
            "); is JetStream enabled on the server?";
    return false;
}

unsigned NatsLink::Reconnects() const { return g_reconnects.load(); }

bool NatsLink::Connected() const {
    return conn_ != nullptr && natsConnection_Status(conn_) == NATS_CONN_STATUS_CONNECTED;
}

}  // namespace halcyon::bridge
