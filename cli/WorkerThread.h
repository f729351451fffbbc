#pragma once
// ryxenc's second thread, on another processor: it makes the bits of a large
// sound while this thread writes the assembler file from the finished ones.

#include <atomic>
#include <exception>
#include <functional>
#include <pthread.h>

namespace ryx::cli {

class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the thread, if there is another processor for it; false if not.
    // Starting early hides the wait for another processor to wake up.
    bool start();
    // Hands the task to the worker (starting it first if need be) and returns
    // at once; false, and the task not run, when there is no worker. One task
    // at a time: wait() before the next.
    bool post(std::function<void()> task);
    // Returns once the posted task is done; rethrows what it threw.
    void wait();

private:
    enum Phase : int { kIdle, kPosted, kStopping };

    static void* serve(void* self);

    std::atomic<int> phase_{kIdle};
    std::function<void()> task_;
    std::exception_ptr failure_;
    pthread_t thread_{};
    bool started_ = false;
    bool tried_ = false;
};

}  // namespace ryx::cli
