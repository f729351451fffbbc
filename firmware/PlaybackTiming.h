#pragma once
// How many instruction cycles each sample takes on the chip, and what that
// does to the pitch.

#include "core/Result.h"

#include <cstdint>

namespace ryx {

inline constexpr std::uint32_t kMinClockHz = 32768;
inline constexpr std::uint32_t kMaxClockHz = 20000000;

struct PlaybackTiming {
    std::uint32_t cyclesPerSample = 0;  // clock / 4 / rate, to the nearest whole cycle
    double playbackRate = 0;            // samples per second the chip really plays
    double pitchErrorPercent = 0;       // (playbackRate / sampleRate - 1) x 100
};

// Refuses a clock outside 32768 Hz ... 20 MHz, and a rate whose cycle count
// falls outside what the player can do (naming the highest or lowest rate
// this clock allows).
Result<PlaybackTiming> computePlaybackTiming(std::uint32_t clockHz, std::uint32_t sampleRate, std::uint32_t minCycles,
                                             std::uint32_t maxCycles);

}  // namespace ryx
