// SPDX-License-Identifier: Apache-2.0
#include "queue/Runs.h"

#include "queue/Child.h"
#include "queue/FloorRing.h"

#include <HalcyonCommon.h>

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

namespace halcyon::bench::queue {
namespace {

constexpr int kRunLimitMs = 120000;  // a run that takes longer has hung: its children are killed

void Pin(int cpu) {
    if (cpu < 0) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    sched_setaffinity(0, sizeof set, &set);
}

pid_t Spawn(const std::string& self, const ChildArgs& args, int cpu) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    Pin(cpu);
    for (int fd : {args.dataFd, args.readyFd, args.goFd, args.resultFd}) {
        if (fd >= 0) fcntl(fd, F_SETFD, 0);  // made close-on-exec; this child keeps its own
    }
    std::vector<std::string> strings = ToArgs(args);
    std::vector<char*> argv = {const_cast<char*>(self.c_str()), const_cast<char*>("--child")};
    for (std::string& s : strings) argv.push_back(&s[0]);
    argv.push_back(nullptr);
    execv(self.c_str(), argv.data());
    _exit(127);
}

bool Reap(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// The channel of a run: the queue, or the descriptors each side gets.
struct Channel {
    short queueId = -1;
    int producerFd = -1, consumerFd = -1;
    bool ok = false;
};

Channel Open(const Contender& c, const std::string& queueName) {
    Channel ch;
    switch (c.transport) {
        case Transport::kLegacy:
        case Transport::kLockFree:
            // Closing the last queue closes the registry too: each run owns a new one.
            s_MapFile_Initialize(true);
            ch.queueId =
                halcyon::CreateQueue(queueName.c_str(), kQueueKiB,
                                     c.transport == Transport::kLockFree ? halcyon::kQueueLockFree
                                                                         : halcyon::kQueueLegacy);
            ch.ok = ch.queueId >= 0;
            break;
        case Transport::kPipe: {
            int fds[2];
            if (pipe2(fds, O_CLOEXEC) != 0) break;
            fcntl(fds[1], F_SETPIPE_SZ, kChannelBytes);
            ch.consumerFd = fds[0];
            ch.producerFd = fds[1];
            ch.ok = true;
            break;
        }
        case Transport::kSeqpacket: {
            int fds[2];
            if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) break;
            for (int fd : fds) {
                int bytes = kChannelBytes;
                setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
                setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
            }
            ch.consumerFd = fds[0];
            ch.producerFd = fds[1];
            ch.ok = true;
            break;
        }
        case Transport::kFloor: {
            int fd = memfd_create("queue-bench-floor", MFD_CLOEXEC);
            if (fd < 0 || ftruncate(fd, sizeof(FloorShared)) != 0) break;
            ch.consumerFd = fd;
            ch.producerFd = dup(fd);
            fcntl(ch.producerFd, F_SETFD, FD_CLOEXEC);
            ch.ok = true;
            break;
        }
    }
    return ch;
}

void Close(Channel& ch) {
    if (ch.queueId >= 0) s_MapFile_CloseQue(ch.queueId, true);
    CloseFd(ch.producerFd);
    CloseFd(ch.consumerFd);
}

// Reads the children's result lines until every writer has closed the pipe.
bool ReadResults(int fd, std::string& text) {
    char buf[512];
    for (;;) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, kRunLimitMs) != 1) return false;
        ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0) return true;
        if (n < 0) return false;
        text.append(buf, static_cast<std::size_t>(n));
    }
}

void Parse(const std::string& text, RunResult& r) {
    std::istringstream lines(text);
    std::string role;
    while (lines >> role) {
        if (role == "produce") {
            lines >> r.producerCpu;
        } else {
            lines >> r.consumerCpu >> r.seconds;
            if (lines.peek() == ' ') lines >> r.p50 >> r.p99 >> r.p999;
        }
    }
}

}  // namespace

Runner::Runner(std::string self, std::string queueName)
    : self_(std::move(self)), queueName_(std::move(queueName)) {}

RunResult Runner::Run(const RunRequest& q) {
    RunResult result;
    Channel ch = Open(*q.contender, queueName_);
    int ready[2], go[2], out[2];
    if (!ch.ok || pipe2(ready, O_CLOEXEC) != 0 || pipe2(go, O_CLOEXEC) != 0 ||
        pipe2(out, O_CLOEXEC) != 0) {
        Close(ch);
        return result;
    }
    ChildArgs a;
    a.mode = q.mode;
    a.contender = q.contender->id;
    a.queueName = queueName_;
    a.size = q.size;
    a.count = q.count;
    a.rate = q.rate;
    a.readyFd = ready[1];
    a.goFd = go[0];
    a.resultFd = out[1];
    a.role = "consume";
    a.dataFd = ch.consumerFd;
    pid_t consumer = Spawn(self_, a, q.placement->consumerCpu);
    a.role = "produce";
    a.dataFd = ch.producerFd;
    pid_t producer = Spawn(self_, a, q.placement->producerCpu);
    for (int fd : {ready[1], go[0], out[1]}) close(fd);
    CloseFd(ch.producerFd);
    CloseFd(ch.consumerFd);
    char c;
    bool started = read(ready[0], &c, 1) == 1 && read(ready[0], &c, 1) == 1;
    close(go[1]);  // the start
    std::string text;
    bool finished = started && ReadResults(out[0], text);
    if (!finished) {
        kill(producer, SIGKILL);
        kill(consumer, SIGKILL);
    }
    bool ok = Reap(producer);
    ok = Reap(consumer) && ok;
    close(ready[0]);
    close(out[0]);
    Close(ch);
    Parse(text, result);
    result.ok = finished && ok && result.seconds > 0;
    return result;
}

// Run as programs of their own ("--spin"), so that they hold none of this process's
// descriptors, kernel-object names among them.
Neighbours::Neighbours(const std::string& self, int count) {
    for (int i = 0; i < count; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            Pin(i % 2);
            execl(self.c_str(), self.c_str(), "--spin", static_cast<char*>(nullptr));
            _exit(127);
        }
        pids_.push_back(pid);
    }
}

Neighbours::~Neighbours() {
    for (pid_t pid : pids_) kill(pid, SIGKILL);
    for (pid_t pid : pids_) waitpid(pid, nullptr, 0);
}

}  // namespace halcyon::bench::queue
