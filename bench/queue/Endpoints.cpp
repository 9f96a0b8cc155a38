// SPDX-License-Identifier: Apache-2.0
#include "queue/Endpoints.h"

#include "queue/FloorRing.h"

#include <HalcyonCommon.h>

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace halcyon::bench::queue {
namespace {

constexpr unsigned long kForever = halcyon::kQueueWaitForever;
constexpr std::size_t kReadBytes = 64 * 1024;

// Splits frames (2-byte length, bytes) in `buf[0, size)` into spans; the bytes they took.
std::size_t SplitFrames(const unsigned char* buf, std::size_t size, std::vector<Span>& out) {
    std::size_t at = 0;
    while (size - at >= 2) {
        std::size_t length = buf[at] | buf[at + 1] << 8;
        if (size - at - 2 < length) break;
        out.push_back({buf + at + 2, length});
        at += 2 + length;
    }
    return at;
}

class QueueSender : public Sender {
  public:
    QueueSender(short id, bool batch) : id_(id), batch_(batch) {}
    bool Send(const unsigned char* record, unsigned short length) override {
        if (!batch_) return halcyon::WriteQueueWaiting(id_, record, length, kForever) == 1;
        frames_.push_back(static_cast<unsigned char>(length));
        frames_.push_back(static_cast<unsigned char>(length >> 8));
        frames_.insert(frames_.end(), record, record + length);
        return ++held_ < kBatchRecords || Flush();
    }
    bool Flush() override {
        for (std::size_t at = 0; at < frames_.size();) {
            unsigned long used = 0;
            if (halcyon::WriteQueueBatch(id_, frames_.data() + at, frames_.size() - at, &used,
                                         kForever) <= 0)
                return false;
            at += used;
        }
        frames_.clear();
        held_ = 0;
        return true;
    }

  private:
    short id_;
    bool batch_;
    std::vector<unsigned char> frames_;
    int held_ = 0;
};

class QueueReceiver : public Receiver {
  public:
    QueueReceiver(short id, bool batch) : id_(id), batch_(batch), buf_(batch ? kReadBytes : 3095) {}
    bool Receive(std::vector<Span>& out) override {
        out.clear();
        if (batch_) {
            unsigned long used = 0;
            if (halcyon::ReadQueueBatch(id_, buf_.data(), buf_.size(), &used, kForever) <= 0)
                return false;
            SplitFrames(buf_.data(), used, out);
            return true;
        }
        short length = halcyon::ReadQueueWaiting(id_, buf_.data(), kForever);
        if (length <= 0) return false;
        out.push_back({buf_.data(), static_cast<std::size_t>(length)});
        return true;
    }

  private:
    short id_;
    bool batch_;
    std::vector<unsigned char> buf_;
};

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Frames of at most 3002 bytes: each write is one (atomic) pipe write.
class PipeSender : public Sender {
  public:
    explicit PipeSender(int fd) : fd_(fd) {}
    bool Send(const unsigned char* record, unsigned short length) override {
        frame_[0] = static_cast<unsigned char>(length);
        frame_[1] = static_cast<unsigned char>(length >> 8);
        std::memcpy(frame_ + 2, record, length);
        return WriteAll(fd_, frame_, 2u + length);
    }

  private:
    int fd_;
    unsigned char frame_[3097];
};

// One read per frame (the frame's size is known), or reads of up to 64 KiB split into frames.
class PipeReceiver : public Receiver {
  public:
    PipeReceiver(int fd, long size, bool bigReads)
        : fd_(fd), frame_(2 + static_cast<std::size_t>(size)), big_(bigReads), buf_(kReadBytes) {}
    bool Receive(std::vector<Span>& out) override {
        out.clear();
        // The caller is done with the last call's spans: a frame a big read cut moves up.
        std::memmove(buf_.data(), buf_.data() + used_, have_ - used_);
        have_ -= used_;
        used_ = 0;
        do {
            std::size_t want = big_ ? buf_.size() - have_ : frame_ - have_;
            ssize_t n = read(fd_, buf_.data() + have_, want);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            have_ += static_cast<std::size_t>(n);
        } while (have_ < frame_);
        used_ = SplitFrames(buf_.data(), have_, out);
        return true;
    }

  private:
    int fd_;
    std::size_t frame_;
    bool big_;
    std::vector<unsigned char> buf_;
    std::size_t have_ = 0, used_ = 0;
};

class SocketSender : public Sender {
  public:
    explicit SocketSender(int fd) : fd_(fd) {}
    bool Send(const unsigned char* record, unsigned short length) override {
        ssize_t n;
        do n = send(fd_, record, length, 0);
        while (n < 0 && errno == EINTR);
        return n == length;
    }

  private:
    int fd_;
};

class SocketReceiver : public Receiver {
  public:
    explicit SocketReceiver(int fd) : fd_(fd) {}
    bool Receive(std::vector<Span>& out) override {
        out.clear();
        ssize_t n;
        do n = recv(fd_, buf_, sizeof buf_, 0);
        while (n < 0 && errno == EINTR);
        if (n <= 0) return false;
        out.push_back({buf_, static_cast<std::size_t>(n)});
        return true;
    }

  private:
    int fd_;
    unsigned char buf_[4096];
};

FloorShared* MapFloor(int fd) {
    void* p = mmap(nullptr, sizeof(FloorShared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<FloorShared*>(p);
}

class FloorSender : public Sender {
  public:
    explicit FloorSender(FloorShared& ring) : producer_(ring) {}
    bool Send(const unsigned char* record, unsigned short length) override {
        producer_.Push(record, length);
        return true;
    }

  private:
    FloorProducer producer_;
};

class FloorReceiver : public Receiver {
  public:
    explicit FloorReceiver(FloorShared& ring) : consumer_(ring) {}
    bool Receive(std::vector<Span>& out) override {
        out.clear();
        out.push_back({buf_, consumer_.Pop(buf_)});
        return true;
    }

  private:
    FloorConsumer consumer_;
    unsigned char buf_[3095];
};

short OpenQueue(const std::string& name) { return s_MapFile_WaitingOpenQue(name.c_str()); }

}  // namespace

std::unique_ptr<Sender> MakeSender(const Contender& c, const std::string& queueName, int fd) {
    switch (c.transport) {
        case Transport::kLegacy:
        case Transport::kLockFree: {
            short id = OpenQueue(queueName);
            return id < 0 ? nullptr : std::make_unique<QueueSender>(id, c.batchWrite);
        }
        case Transport::kPipe:
            return std::make_unique<PipeSender>(fd);
        case Transport::kSeqpacket:
            return std::make_unique<SocketSender>(fd);
        case Transport::kFloor: {
            FloorShared* ring = MapFloor(fd);
            return ring == nullptr ? nullptr : std::make_unique<FloorSender>(*ring);
        }
    }
    return nullptr;
}

std::unique_ptr<Receiver> MakeReceiver(const Contender& c, const std::string& queueName, int fd,
                                       long size) {
    switch (c.transport) {
        case Transport::kLegacy:
        case Transport::kLockFree: {
            short id = OpenQueue(queueName);
            if (id < 0) return nullptr;
            if (c.spinMicros != 0) halcyon::SetQueueReadSpin(id, c.spinMicros);
            return std::make_unique<QueueReceiver>(id, c.batchRead);
        }
        case Transport::kPipe:
            return std::make_unique<PipeReceiver>(fd, size, c.bigReads);
        case Transport::kSeqpacket:
            return std::make_unique<SocketReceiver>(fd);
        case Transport::kFloor: {
            FloorShared* ring = MapFloor(fd);
            return ring == nullptr ? nullptr : std::make_unique<FloorReceiver>(*ring);
        }
    }
    return nullptr;
}

}  // namespace halcyon::bench::queue
