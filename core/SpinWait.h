#pragma once
// Waiting for another thread's atomic store, for waits that last from a few
// microseconds to a millisecond: a bounded spin first, since putting a
// processor to sleep and waking it again can take longer than the wait
// itself, then the ordinary blocking wait.

#include <atomic>
#include <chrono>

namespace ryx {

inline void spinPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Returns the first value read for which done(value) holds.
template <typename T, typename Done>
T awaitAtomic(const std::atomic<T>& value, Done done) {
    constexpr auto kSpinLimit = std::chrono::milliseconds(1);
    constexpr unsigned kPausesBetweenClockReads = 64;
    const auto spinUntil = std::chrono::steady_clock::now() + kSpinLimit;
    T now = value.load(std::memory_order_acquire);
    for (unsigned round = 1; !done(now); ++round) {
        if (round % kPausesBetweenClockReads != 0 || std::chrono::steady_clock::now() < spinUntil) {
            spinPause();
        } else {
            value.wait(now, std::memory_order_acquire);
        }
        now = value.load(std::memory_order_acquire);
    }
    return now;
}

}  // namespace ryx
