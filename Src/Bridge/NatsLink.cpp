#include "NatsLink.h"

#include <atomic>
#include <cstdio>

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

bool NatsLink::Connect(const std::string& url, const char* who, const jsOptions* js,
                       std::string& error) {
    natsStatus s = natsOptions_Create(&options_);
    if (s == NATS_OK) s = natsOptions_SetURL(options_, url.c_str());
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
    s = natsConnection_Connect(&conn_, options_);
    if (s != NATS_OK) {
        error = "cannot reach the NATS server at " + url + " (" + natsStatus_GetText(s) + ")";
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

bool NatsLink::EnsureStream(const std::string& stream, const std::string& subject,
                            std::string& error) {
    jsStreamInfo* info = nullptr;
    jsErrCode code = static_cast<jsErrCode>(0);
    natsStatus s = js_GetStreamInfo(&info, js_, stream.c_str(), nullptr, &code);
    if (s == NATS_OK) {
        jsStreamInfo_Destroy(info);
        return true;
    }
    jsStreamConfig config;
    jsStreamConfig_Init(&config);
    const char* subjects[] = {subject.c_str()};
    config.Name = stream.c_str();
    config.Subjects = subjects;
    config.SubjectsLen = 1;
    config.Storage = js_FileStorage;
    config.Duplicates = 10LL * 60 * 1000 * 1000 * 1000;
    s = js_AddStream(&info, js_, &config, nullptr, &code);
    // The other bridge may have created it at the same moment.
    if (s != NATS_OK) s = js_GetStreamInfo(&info, js_, stream.c_str(), nullptr, nullptr);
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
