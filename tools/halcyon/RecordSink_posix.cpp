// SPDX-License-Identifier: Apache-2.0
#include "RecordSink.h"

#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace halcyon::tool {
namespace {

// Bytes written that the reader has not read yet; -1 when the system does not say.
int Unread(int fd, bool socket) {
    int bytes = 0;
    return ioctl(fd, socket ? SIOCOUTQ : FIONREAD, &bytes) == 0 ? bytes : -1;
}

bool ReaderGone(int fd) {
    pollfd probe = {fd, POLLOUT, 0};
    return poll(&probe, 1, 0) > 0 && (probe.revents & (POLLERR | POLLHUP)) != 0;
}

}  // namespace

RecordSink::RecordSink() : fd_(STDOUT_FILENO) {
    struct stat st;
    if (fstat(fd_, &st) == 0) {
        socket_ = S_ISSOCK(st.st_mode);
        handsOver_ = S_ISFIFO(st.st_mode) || socket_;
    }
}

bool RecordSink::Write(const std::string& bytes, std::string& error) {
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = std::strerror(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool RecordSink::AwaitReader(bool (*stop)(), std::string& error) {
    // A reader that keeps up reads within its next time slice: the processor is handed to it a
    // few times before the first sleep, which costs a timer's tick at least.
    constexpr int kYields = 64;
    auto pause = std::chrono::microseconds(50);
    for (int tries = 0;; ++tries) {
        int unread = Unread(fd_, socket_);
        if (unread == 0) return true;
        if (unread < 0 || ReaderGone(fd_)) {
            error = unread < 0 ? std::strerror(errno) : "the reader went away without reading it";
            return false;
        }
        if (stop()) {
            error = "interrupted before the reader read it";
            return false;
        }
        if (tries < kYields) {
            std::this_thread::yield();
            continue;
        }
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(2)) pause *= 2;
    }
}

}  // namespace halcyon::tool
