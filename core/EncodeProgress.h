#pragma once
// How far an encode running on another thread has got, so that a reader can
// use each bit as soon as it is final instead of waiting for the whole sound.

#include "core/SpinWait.h"

#include <atomic>
#include <cstdint>

namespace ryx {

class EncodeProgress {
public:
    // Published once every bit of the sound is final.
    static constexpr std::uint32_t kAllFinal = UINT32_MAX;

    // The bits before `positions` are final and will not change.
    void publish(std::uint32_t positions) {
        final_.store(positions, std::memory_order_release);
        final_.notify_all();
    }

    // Blocks until the bits before `positions` are final.
    void waitFor(std::uint32_t positions) const {
        awaitAtomic(final_, [positions](std::uint32_t now) { return now >= positions; });
    }

private:
    std::atomic<std::uint32_t> final_{0};
};

}  // namespace ryx
