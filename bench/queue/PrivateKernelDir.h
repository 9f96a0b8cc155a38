// SPDX-License-Identifier: Apache-2.0
// A kernel-object folder of the benchmark's own, so that a run never meets a live registry:
// a fresh 0700 folder, set as HALCYON_KERNEL_DIR before the first kernel call (the stand-in
// reads it once) and inherited by every child, removed with what is left in it at the end.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace halcyon::bench::queue {

class PrivateKernelDir {
  public:
    PrivateKernelDir() {
        for (const char* base : {"/dev/shm", "/tmp"}) {
            std::string pattern = std::string(base) + "/queue-bench.XXXXXX";
            std::vector<char> name(pattern.begin(), pattern.end());
            name.push_back('\0');
            if (mkdtemp(name.data()) != nullptr) {  // mode 0700
                path_ = name.data();
                setenv("HALCYON_KERNEL_DIR", path_.c_str(), 1);
                return;
            }
        }
    }
    ~PrivateKernelDir() {
        if (path_.empty()) return;
        if (DIR* dir = opendir(path_.c_str())) {
            while (dirent* entry = readdir(dir)) {
                std::string name = entry->d_name;
                if (name != "." && name != "..") unlink((path_ + "/" + name).c_str());
            }
            closedir(dir);
        }
        rmdir(path_.c_str());
    }
    PrivateKernelDir(const PrivateKernelDir&) = delete;
    PrivateKernelDir& operator=(const PrivateKernelDir&) = delete;

    // Empty when no folder could be made.
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace halcyon::bench::queue
