// SPDX-License-Identifier: Apache-2.0
// halcyon bridge out: local queue → journal → JetStream stream.
//
// Records leave the queue in batches: under the queue's mutex they are looked at, written to
// the journal, and only then taken. Each is published asynchronously with the message id
// "<queue>:<journal id>:<sequence>" and the stream sequence it must follow
// (Nats-Expected-Last-Sequence), so the stream refuses anything that would leave a gap or come
// out of order. Every few thousand records, and whenever the queue runs dry, the bridge waits
// for the acknowledgements and drops the stored records from the journal. After a failure (or a
// restart) it asks the stream for its last message, drops what that covers, and sends the rest
// of the journal again.
#include "Bridge.h"
#include "LocalQueue.h"
#include "NatsLink.h"
#include "OutJournal.h"

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace halcyon::bridge {
namespace {

constexpr std::size_t kBatchRecords = 256;
constexpr std::size_t kBatchBytes = 256 * 1024;
constexpr std::size_t kSettleRecords = 8192;
constexpr int kQuietMs = 5;
constexpr char kWho[] = "halcyon bridge out";

void OnPublishError(jsCtx*, jsPubAckErr*, void* closure) {
    static_cast<std::atomic<int>*>(closure)->fetch_add(1);
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class OutBridge {
  public:
    OutBridge(const Settings& settings, const std::atomic<bool>& stop)
        : settings_(settings), stop_(stop) {}

    int Run() {
        std::string error;
        if (!Start(error)) {
            std::fprintf(stderr, "%s: %s\n", kWho, error.c_str());
            return 1;
        }
        std::vector<QueueRecord> batch;
        auto idleSince = std::chrono::steady_clock::now();
        while (!stop_) {
            batch.clear();
            if (!TakeBatch(batch, error)) {
                std::fprintf(stderr, "%s: %s\n", kWho, error.c_str());
                return 1;
            }
            std::uint64_t bytes = 0;
            for (const auto& record : batch) {
                if (!Publish(record)) errors_.fetch_add(1);
                bytes += record.bytes.size();
            }
            if (settings_.progress && !batch.empty()) settings_.progress(batch.size(), bytes);
            auto now = std::chrono::steady_clock::now();
            if (!batch.empty()) idleSince = now;
            // Settle when the journal is long, when a publish failed, or when the queue has
            // been quiet for a moment (acknowledgements flow meanwhile; waiting for them at
            // every empty look would stop the flow for a round trip each time).
            bool quiet = now - idleSince >= std::chrono::milliseconds(kQuietMs);
            if ((journal_.Pending().size() >= kSettleRecords || errors_ > 0 ||
                 (quiet && !journal_.Pending().empty())) &&
                !Settle())
                break;
            // An empty queue: sleep until a producer writes (it wakes the bridge), looking up
            // now and then to settle and to notice a stop.
            if (batch.empty()) queue_.WaitForRecord(kQuietMs);
        }
        Settle();
        return 0;
    }

  private:
    bool Start(std::string& error) {
        const Settings& s = settings_;
        if (!queue_.Open(s.queue, error)) return false;
        std::string path = s.state.empty() ? DefaultStatePath("out", s.queue) : s.state;
        if (!journal_.Open(path, error)) return false;
        auto forget = [this](const tagSHMHEADER& h) { return journal_.ForgetUntaken(h.ReadCount); };
        if (!queue_.Settle(forget, "the journal '" + path + "'", error)) return false;
        char id[32];
        std::snprintf(id, sizeof id, "%016" PRIx64, journal_.Id());
        idPrefix_ = s.queue + ":" + id + ":";
        stream_ = s.stream.empty() ? StreamNameFor(s.subject) : s.stream;

        jsOptions js;
        jsOptions_Init(&js);
        js.PublishAsync.MaxPending = kSettleRecords + kBatchRecords;
        js.PublishAsync.ErrHandler = OnPublishError;
        js.PublishAsync.ErrHandlerClosure = &errors_;
        if (!link_.Connect(s.url, s.security, kWho, &js, error)) return false;
        if (!link_.EnsureStream(stream_, s.subject, error)) return false;
        return Resend();
    }

    // Looks at the front records, journals them, then takes them: all under the queue's mutex.
    bool TakeBatch(std::vector<QueueRecord>& batch, std::string& error) {
        if (!queue_.Lock()) return true;
        queue_.Peek(kBatchRecords, kBatchBytes, batch);
        bool ok = batch.empty() || journal_.Append(batch);
        if (!ok) error = "cannot write the journal";
        if (ok && !queue_.TakeAll(batch)) {
            ok = false;
            error = "queue '" + settings_.queue +
                    "' changed under the bridge: is another "
                    "process reading it?";
        }
        queue_.Unlock();
        return ok;
    }

    bool Publish(const QueueRecord& record) {
        natsMsg* msg = nullptr;
        natsStatus s = natsMsg_Create(&msg, settings_.subject.c_str(), nullptr, record.bytes.data(),
                                      static_cast<int>(record.bytes.size()));
        std::string id = idPrefix_ + std::to_string(record.seq);
        std::string last = std::to_string(lastSeq_);
        if (s == NATS_OK) s = natsMsgHeader_Set(msg, "Nats-Msg-Id", id.c_str());
        if (s == NATS_OK) s = natsMsgHeader_Set(msg, "Nats-Expected-Last-Sequence", last.c_str());
        if (s == NATS_OK) s = js_PublishMsgAsync(link_.Js(), &msg, nullptr);
        natsMsg_Destroy(msg);
        ++lastSeq_;
        return s == NATS_OK;
    }

    // Waits until the stream holds every journalled record; false only when stopped first.
    bool Settle() {
        for (;;) {
            jsPubOptions options;
            jsPubOptions_Init(&options);
            options.MaxWait = 5000;
            natsStatus s = js_PublishAsyncComplete(link_.Js(), &options);
            if (s == NATS_OK && errors_ == 0) {
                if (!journal_.Pending().empty()) journal_.Stored(journal_.Pending().back().seq);
                return true;
            }
            natsMsgList pending;
            if (js_PublishAsyncGetPendingList(&pending, link_.Js()) == NATS_OK)
                natsMsgList_Destroy(&pending);
            if (stop_) return false;
            Pause(100);
            if (!Resend()) return false;
        }
    }

    // Learns what the stream holds, drops that from the journal and publishes the rest again.
    bool Resend() {
        while (!Reconcile()) {
            if (stop_) return false;
            Pause(200);
        }
        errors_ = 0;
        for (const auto& record : journal_.Pending()) {
            if (!Publish(record)) errors_.fetch_add(1);
        }
        return true;
    }

    bool Reconcile() {
        jsStreamInfo* info = nullptr;
        if (js_GetStreamInfo(&info, link_.Js(), stream_.c_str(), nullptr, nullptr) != NATS_OK)
            return false;
        std::uint64_t last = info->State.LastSeq;
        jsStreamInfo_Destroy(info);
        if (last > 0) {
            natsMsg* msg = nullptr;
            jsErrCode code = static_cast<jsErrCode>(0);
            natsStatus s = js_GetMsg(&msg, link_.Js(), stream_.c_str(), last, nullptr, &code);
            if (s != NATS_OK && code != JSNoMessageFoundErr) return false;
            const char* id = nullptr;
            if (natsMsgHeader_Get(msg, "Nats-Msg-Id", &id) == NATS_OK && id != nullptr &&
                std::string(id).compare(0, idPrefix_.size(), idPrefix_) == 0) {
                journal_.Stored(std::strtoull(id + idPrefix_.size(), nullptr, 10));
            }
            natsMsg_Destroy(msg);
        }
        lastSeq_ = last;
        return true;
    }

    const Settings& settings_;
    const std::atomic<bool>& stop_;
    LocalQueue queue_;
    OutJournal journal_;
    NatsLink link_;
    std::string stream_;
    std::string idPrefix_;
    std::uint64_t lastSeq_ = 0;  // the stream sequence the next message must follow
    std::atomic<int> errors_{0};
};

}  // namespace

int RunOut(const Settings& settings, const std::atomic<bool>& stop) {
    return OutBridge(settings, stop).Run();
}

}  // namespace halcyon::bridge
