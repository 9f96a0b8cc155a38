// SPDX-License-Identifier: Apache-2.0
// Pieces the benchmarks share: a namespace of named objects of their own, reporters that keep
// each run's figures for the ratios printed at the end, and a thread that only exists.
#pragma once

#include <benchmark/benchmark.h>

#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace halcyon::bench {

namespace private_namespace {

inline pid_t g_child = 0;

extern "C" inline void Forward(int signal) {
    if (g_child > 0) kill(g_child, signal);
}

extern "C" inline int Remove(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path) == 0 || errno == ENOENT ? 0 : -1;
}

// $XDG_RUNTIME_DIR when it is the user's private folder, else /dev/shm, else the temporary folder.
inline std::string BaseFolder() {
    struct stat st;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && lstat(runtime, &st) == 0 &&
        S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0)
        return runtime;
    if (access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char* temp = std::getenv("TMPDIR");
    return temp != nullptr && temp[0] == '/' ? temp : "/tmp";
}

}  // namespace private_namespace

// Call first in main, before anything else touches the library: unless the command line holds
// --live (which is taken out of it), the benchmark runs in a namespace of named kernel objects
// of its own, so that its queue registries and mutexes never meet the terminals and queue hosts
// of the user's session. A fresh folder (mode 0700) becomes HALCYON_KERNEL_DIR for the benchmark
// and the processes it starts; the process forks, the child returns here and runs the
// benchmark, and the parent removes the folder once the child has ended and exits with its
// status (the library's own clean-up at the child's exit still finds its folder).
inline void RunInPrivateNamespace(int& argc, char** argv) {
    bool live = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--live") == 0)
            live = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    if (live) return;
    using namespace private_namespace;
    std::string folder = BaseFolder() + "/halcyon-private.XXXXXX";
    if (mkdtemp(&folder[0]) == nullptr) {
        std::fprintf(stderr,
                     "%s: cannot make a private folder for kernel objects (%s): %s; "
                     "--live runs in your session's namespace\n",
                     argv[0], folder.c_str(), std::strerror(errno));
        std::exit(1);
    }
    setenv("HALCYON_KERNEL_DIR", folder.c_str(), 1);
    std::fflush(nullptr);
    g_child = fork();
    if (g_child == 0) return;
    int status = 0;
    if (g_child > 0) {
        std::signal(SIGINT, SIG_IGN);  // the terminal's Ctrl-C reaches the child
        std::signal(SIGQUIT, SIG_IGN);
        std::signal(SIGTERM, Forward);
        std::signal(SIGHUP, Forward);
        while (waitpid(g_child, &status, 0) < 0 && errno == EINTR) {
        }
    } else {
        std::fprintf(stderr, "%s: cannot fork: %s\n", argv[0], std::strerror(errno));
    }
    nftw(folder.c_str(), Remove, 16, FTW_DEPTH | FTW_PHYS);
    if (g_child > 0 && WIFEXITED(status)) std::exit(WEXITSTATUS(status));
    std::exit(g_child > 0 && WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1);
}

// Keeps each benchmark's time per iteration (the median when repeated), by function name and
// arguments ("Name" or "Name/args"): wall-clock time, and CPU time, which a busy machine
// disturbs less.
class TimeKeeper : public benchmark::ConsoleReporter {
  public:
    struct Times {
        double real;
        double cpu;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type == Run::RT_Iteration || median) && !run.error_occurred) {
                const auto& name = run.run_name;
                times_[name.function_name + (name.args.empty() ? "" : "/" + name.args)] = {
                    run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The times of `name`, or null when it did not run or failed.
    const Times* Find(const std::string& name) const {
        auto it = times_.find(name);
        return it == times_.end() ? nullptr : &it->second;
    }

  private:
    std::map<std::string, Times> times_;
};

// Keeps each run's bytes per second, by the benchmark's full name ("BM_Name/arg").
class SpeedKeeper : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) speeds_[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The bytes per second of `name`, or 0 when it did not run.
    double Speed(const std::string& name) const {
        auto it = speeds_.find(name);
        return it == speeds_.end() ? 0 : it->second;
    }

  private:
    std::map<std::string, double> speeds_;
};

// A thread that only waits for the end of the program, so that a run measures a process with
// more than one thread, as the terminal's are.
class IdleThread {
  public:
    IdleThread()
        : thread_([this] {
              std::unique_lock<std::mutex> hold(lock_);
              wake_.wait(hold, [this] { return done_; });
          }) {}
    ~IdleThread() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

  private:
    std::mutex lock_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace halcyon::bench
