#include "firmware/PlaybackTiming.h"

#include <string>

namespace ryx {

Result<PlaybackTiming> computePlaybackTiming(std::uint32_t clockHz, std::uint32_t sampleRate, std::uint32_t minCycles,
                                             std::uint32_t maxCycles) {
    if (clockHz < kMinClockHz || clockHz > kMaxClockHz) {
        return Result<PlaybackTiming>::failure("a clock of " + std::to_string(clockHz) +
                                               " Hz is outside what the chips run at (" + std::to_string(kMinClockHz) +
                                               " Hz to " + std::to_string(kMaxClockHz) + " Hz)");
    }
    const std::uint64_t clock = clockHz;
    const std::uint64_t rate = sampleRate;
    // round(clock / (4 rate)) is at least n exactly when rate <= clock / (4n - 2).
    const std::uint64_t highest = clock / (4u * minCycles - 2u);
    const std::uint64_t lowest = clock / (4u * maxCycles + 2u) + 1u;
    if (rate == 0 || (clock + 2 * rate) / (4 * rate) > maxCycles) {
        return Result<PlaybackTiming>::failure("a sample rate of " + std::to_string(sampleRate) +
                                               " Hz is too low for a clock of " + std::to_string(clockHz) +
                                               " Hz: the lowest rate this clock allows is " + std::to_string(lowest) +
                                               " Hz");
    }
    const auto cycles = static_cast<std::uint32_t>((clock + 2 * rate) / (4 * rate));
    if (cycles < minCycles) {
        return Result<PlaybackTiming>::failure("a sample rate of " + std::to_string(sampleRate) +
                                               " Hz needs a sample every " + std::to_string(cycles) +
                                               " cycles at a clock of " + std::to_string(clockHz) +
                                               " Hz, but the player needs " + std::to_string(minCycles) +
                                               ": the highest rate this clock allows is " + std::to_string(highest) +
                                               " Hz");
    }
    PlaybackTiming timing;
    timing.cyclesPerSample = cycles;
    timing.playbackRate = static_cast<double>(clockHz) / (4.0 * cycles);
    timing.pitchErrorPercent = (timing.playbackRate / static_cast<double>(sampleRate) - 1.0) * 100.0;
    return timing;
}

}  // namespace ryx
