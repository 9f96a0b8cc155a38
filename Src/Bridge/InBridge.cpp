// halcyon bridge in: JetStream stream → local queue, through a durable push consumer.
//
// Each message's stream sequence is checked against the cursor: at or below it the message was
// written before (a redelivery after a crash) and is only acknowledged. Otherwise the bridge
// waits until the local queue has room, notes the sequence in the cursor, writes the record and
// only then counts it for acknowledgement, all writes under the queue's mutex. One
// acknowledgement (the consumer's policy is "all") covers every 256 records written, and whatever
// was written when the stream goes quiet. The consumer is created afresh at the cursor on every
// start, and again whenever a message would skip over one the stream holds. (Pull consumers'
// batched fetches of the C client 3.4 overrun their own array after a reconnect.)
#include "Bridge.h"
#include "InCursor.h"
#include "LocalQueue.h"
#include "NatsLink.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace halcyon::bridge {
namespace {

constexpr int kAckEvery = 256;
constexpr int kMaxUnacked = 4096;
constexpr char kWho[] = "halcyon bridge in";

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class InBridge {
  public:
    InBridge(const Settings& settings, const std::atomic<bool>& stop)
        : settings_(settings), stop_(stop) {}

    ~InBridge() { natsSubscription_Destroy(sub_); }

    int Run() {
        std::string error;
        if (!Start(error)) return Fail(error);
        natsMsg* unacked = nullptr;  // the last message written and not yet acknowledged
        int sinceAck = 0;
        unsigned reconnects = link_.Reconnects();
        while (!stop_) {
            // Deliveries lost with a connection would wait out the acknowledgement time: after a
            // reconnect the consumer starts again at the cursor instead.
            if (link_.Reconnects() != reconnects) {
                reconnects = link_.Reconnects();
                Acknowledge(unacked, sinceAck);
                Resubscribe();
            }
            natsMsg* msg = nullptr;
            natsStatus s = natsSubscription_NextMsg(&msg, sub_, 200);
            if (s != NATS_OK || msg == nullptr) {
                // Quiet, or the connection is away: acknowledge what was written meanwhile.
                Acknowledge(unacked, sinceAck);
                if (s != NATS_TIMEOUT) Pause(100);
                continue;
            }
            int result = Deliver(msg, error);
            if (result < 0) {
                natsMsg_Destroy(msg);
                Acknowledge(unacked, sinceAck);
                return Fail(error);
            }
            if (result == 0) {
                natsMsg_Destroy(msg);
                Acknowledge(unacked, sinceAck);
                Resubscribe();
                continue;
            }
            natsMsg_Destroy(unacked);
            unacked = msg;
            // One acknowledgement covers all before it (the consumer's policy is "all").
            if (++sinceAck >= kAckEvery) Acknowledge(unacked, sinceAck);
        }
        Acknowledge(unacked, sinceAck);
        return 0;
    }

    void Acknowledge(natsMsg*& msg, int& since) {
        if (msg != nullptr) natsMsg_Ack(msg, nullptr);
        natsMsg_Destroy(msg);
        msg = nullptr;
        since = 0;
    }

  private:
    int Fail(const std::string& error) {
        std::fprintf(stderr, "%s: %s\n", kWho, error.c_str());
        return 1;
    }

    bool Start(std::string& error) {
        const Settings& s = settings_;
        if (!queue_.Open(s.queue, error)) return false;
        std::string path = s.state.empty() ? DefaultStatePath("in", s.queue) : s.state;
        if (!cursor_.Open(path, error)) return false;
        auto recover = [this](const tagSHMHEADER& h) { return cursor_.Recover(h.WriteCount); };
        if (!queue_.Settle(recover, "the cursor '" + path + "'", error)) return false;
        stream_ = s.stream.empty() ? StreamNameFor(s.subject) : s.stream;
        durable_ = s.durable.empty() ? DurableNameFor(s.queue) : s.durable;
        if (!link_.Connect(s.url, s.security, kWho, nullptr, error)) return false;
        if (!link_.EnsureStream(stream_, s.subject, error)) return false;
        return Subscribe(error);
    }

    // (Re)creates the durable consumer at the record after the cursor: the cursor, kept with the
    // queue, is where this machine stands, whatever the server remembers of earlier deliveries.
    bool Subscribe(std::string& error) {
        if (sub_ != nullptr) {
            natsSubscription_Unsubscribe(sub_);
            natsSubscription_Destroy(sub_);
            sub_ = nullptr;
        }
        js_DeleteConsumer(link_.Js(), stream_.c_str(), durable_.c_str(), nullptr, nullptr);
        jsSubOptions options;
        jsSubOptions_Init(&options);
        options.Stream = stream_.c_str();
        options.Config.AckPolicy = js_AckAll;
        options.Config.DeliverPolicy = js_DeliverAll;
        if (cursor_.Written() > 0) {
            options.Config.DeliverPolicy = js_DeliverByStartSequence;
            options.Config.OptStartSeq = cursor_.Written() + 1;
        }
        options.Config.AckWait = 30LL * 1000 * 1000 * 1000;
        options.Config.MaxAckPending = kMaxUnacked;
        options.Config.Durable = durable_.c_str();
        options.ManualAck = true;
        jsErrCode code = static_cast<jsErrCode>(0);
        natsStatus st = js_SubscribeSync(&sub_, link_.Js(), settings_.subject.c_str(), nullptr,
                                         &options, &code);
        if (st == NATS_OK) return true;
        error = "cannot consume '" + settings_.subject + "' as '" + durable_ + "' (" +
                natsStatus_GetText(st) + ", JetStream error " + std::to_string(code) + ")";
        return false;
    }

    // After a gap: subscribes again at the cursor, as long as it takes (the server may be away).
    void Resubscribe() {
        std::string error;
        while (!stop_ && !Subscribe(error)) Pause(200);
    }

    // 1 when written or dropped as a repeat, 0 when it would skip a stored message (a redelivery
    // overtaken by newer messages, or messages lost with a server), -1 on failure.
    int Deliver(natsMsg* msg, std::string& error) {
        jsMsgMetaData* meta = nullptr;
        if (natsMsg_GetMetaData(&meta, msg) != NATS_OK) {
            natsMsg_Term(msg, nullptr);
            return 1;
        }
        std::uint64_t seq = meta->Sequence.Stream;
        jsMsgMetaData_Destroy(meta);
        if (seq <= cursor_.Written()) return 1;
        if (cursor_.Written() != 0 && seq != cursor_.Written() + 1 &&
            StreamHolds(cursor_.Written() + 1)) {
            return 0;
        }
        int length = natsMsg_GetDataLength(msg);
        if (length <= 0 || length > static_cast<int>(kMaxRecord)) {
            std::fprintf(stderr, "%s: message %llu of %d bytes is no record; dropped\n", kWho,
                         static_cast<unsigned long long>(seq), length);
            return 1;
        }
        std::string record(natsMsg_GetData(msg), static_cast<std::size_t>(length));
        if (!Write(seq, record, error)) return -1;
        if (settings_.progress) settings_.progress(1, record.size());
        return 1;
    }

    // Writes one record once the queue has room; false on failure (or when stopped).
    bool Write(std::uint64_t seq, const std::string& record, std::string& error) {
        for (;;) {
            // A full queue: sleep until its reader makes room (it wakes the bridge).
            while (!queue_.WaitForRoom(record.size(), 100)) {
                if (stop_) {
                    error = "stopped";
                    return false;
                }
            }
            if (!queue_.Lock()) continue;
            tagSHMHEADER header;
            if (!queue_.HasRoomFor(record.size()) || !queue_.Header(header)) {
                queue_.Unlock();
                Pause(1);
                continue;
            }
            bool noted = cursor_.Writing(seq, header.WriteCount);
            bool written = noted && queue_.Append(record);
            if (written) cursor_.Done();
            queue_.Unlock();
            if (written) return true;
            if (!noted) {
                error = "cannot write the cursor";
                return false;
            }
            Pause(10);
        }
    }

    // True when the stream holds message `seq`, or when that cannot be told now.
    bool StreamHolds(std::uint64_t seq) {
        natsMsg* msg = nullptr;
        jsErrCode code = static_cast<jsErrCode>(0);
        natsStatus s = js_GetMsg(&msg, link_.Js(), stream_.c_str(), seq, nullptr, &code);
        natsMsg_Destroy(msg);
        return s == NATS_OK || code != JSNoMessageFoundErr;
    }

    const Settings& settings_;
    const std::atomic<bool>& stop_;
    LocalQueue queue_;
    InCursor cursor_;
    NatsLink link_;
    natsSubscription* sub_ = nullptr;
    std::string stream_;
    std::string durable_;
};

}  // namespace

int RunIn(const Settings& settings, const std::atomic<bool>& stop) {
    return InBridge(settings, stop).Run();
}

}  // namespace halcyon::bridge
