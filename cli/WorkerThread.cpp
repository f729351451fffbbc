#include "cli/WorkerThread.h"

#include "core/SpinWait.h"

#include <sched.h>
#include <utility>

namespace ryx::cli {

bool WorkerThread::start() {
    if (tried_) return started_;
    tried_ = true;
    cpu_set_t others;
    if (::sched_getaffinity(0, sizeof others, &others) != 0) return false;
    const int here = ::sched_getcpu();
    if (here >= 0 && here < CPU_SETSIZE) CPU_CLR(static_cast<std::size_t>(here), &others);
    // On one processor a second thread would only take turns with this one.
    if (CPU_COUNT(&others) == 0) return false;

    // Started on another processor: left to itself the scheduler queues a new
    // thread behind its busy, cache-hot parent for longer than a whole run
    // takes, and the two would take turns on one processor.
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) return false;
    ::pthread_attr_setaffinity_np(&attributes, sizeof others, &others);
    started_ = ::pthread_create(&thread_, &attributes, &WorkerThread::serve, this) == 0;
    ::pthread_attr_destroy(&attributes);
    return started_;
}

WorkerThread::~WorkerThread() {
    if (!started_) return;
    awaitAtomic(phase_, [](int phase) { return phase != kPosted; });
    phase_.store(kStopping, std::memory_order_release);
    phase_.notify_all();
    ::pthread_join(thread_, nullptr);
}

bool WorkerThread::post(std::function<void()> task) {
    if (!start()) return false;
    wait();
    task_ = std::move(task);
    phase_.store(kPosted, std::memory_order_release);
    phase_.notify_all();
    return true;
}

void WorkerThread::wait() {
    if (!started_) return;
    awaitAtomic(phase_, [](int phase) { return phase != kPosted; });
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void* WorkerThread::serve(void* self) {
    auto& worker = *static_cast<WorkerThread*>(self);
    for (;;) {
        if (awaitAtomic(worker.phase_, [](int phase) { return phase != kIdle; }) == kStopping) return nullptr;
        try {
            worker.task_();
        } catch (...) {
            worker.failure_ = std::current_exception();
        }
        worker.task_ = nullptr;
        worker.phase_.store(kIdle, std::memory_order_release);
        worker.phase_.notify_all();
    }
}

}  // namespace ryx::cli
