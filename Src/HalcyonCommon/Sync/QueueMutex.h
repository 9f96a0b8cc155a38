// The mutex of an in-process queue, and a scope that holds it.
#pragma once

namespace halcyon::queue {

// Opens the mutex "BQ_<tick count>", or creates it when there is none; null when both fail.
void* OpenOrCreateQueueMutex();

// Holds a mutex from a successful wait to the end of the scope.
class MutexHold {
  public:
    explicit MutexHold(void* hMutex);
    ~MutexHold();
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;
    bool Held() const { return held_; }

  private:
    void* mutex_;
    bool held_;
};

}  // namespace halcyon::queue
