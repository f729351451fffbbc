#pragma once
// The C player's text: ryx_player.h and ryx_player.c (portable C99, integer
// only, no heap, no library calls) and, for a chip, a main.c that ticks it
// from a timer at the sample rate.

#include "export/CPlayerTarget.h"

#include <cstdint>
#include <span>
#include <string>

namespace ryx {

// One sound of sounds.h: its array's name and its encoded samples.
struct CPlayerSound {
    std::string name;
    std::uint32_t samples = 0;
};

struct CPlayerSettings {
    const CPlayerTarget* target = nullptr;
    std::uint32_t sampleRate = 0;
    bool twoPins = true;  // "1.5 bit": pin B plays the bit before
    bool loop = false;    // the sound for ever, no fall
    bool bank = false;    // main.c plays the sound of the trigger pin pulled low
    SampleTimer timer;    // for a chip
};

// The soft start and stop at the sample rate: pin A alone plays a
// first-order sigma-delta of a 16-bit level, pin B low. Every `wait` ticks
// the level moves by a speed that grows by `step` for `updates` updates and
// shrinks by it for `updates` - 1 more: an S from 0 to step x updates^2 (a
// half of the pins' swing under "1 bit", all of pin A's under "1.5 bit")
// in 100 to 200 ms; the fall is the same S back to exactly 0.
struct CPlayerRamp {
    std::uint32_t updates = 0;  // a power of two, at most 32
    std::uint32_t wait = 0;     // ticks between updates
    std::uint32_t step = 0;
    std::uint32_t ticks = 0;    // of one ramp: (2 x updates - 1) x wait
};
CPlayerRamp cPlayerRamp(std::uint32_t sampleRate, bool twoPins);

// On a chip, the main loop fills each sample of the rise and fall with fine
// bits of a sigma-delta (pin A, or both pins for a double step under "1.5
// bit") from the interrupt's end until the timer counts `stopCount`. The rest
// of the sample holds a base, pin A low or high, chosen by the interrupt: the
// fine bits make up the level in `room` 256ths of pin A over a sample per
// pin, the base `256 - room`. A level between what the fine bits reach and a
// high base is carried on to the samples after, so the ramp's least step is
// a fine bit, or where the fine bits fall short of the base that gap, not a
// whole sample.
struct CPlayerFineRamp {
    std::uint32_t startCount = 0;
    std::uint32_t stopCount = 0;
    std::uint32_t room = 256;
};
// Cycles before the next sample that the fine bits leave to the main loop's
// way to sleep; the interrupt's own in a ramp sample besides its tick, up to
// its wait and after it.
inline constexpr std::uint32_t kFineStopCycles = 80;
inline constexpr std::uint32_t kRampInterruptCycles = 80;
inline constexpr std::uint32_t kInterruptExitCycles = 60;
// None (stopCount 0) where the interrupt leaves too little of a sample.
CPlayerFineRamp cPlayerFineRamp(const CPlayerTarget& target, const SampleTimer& timer);

std::string cPlayerHeaderText(const CPlayerSettings& settings, std::size_t soundCount);
std::string cPlayerSourceText(const CPlayerSettings& settings, std::span<const CPlayerSound> sounds);
// For a chip only: generic has none.
std::string cPlayerMainText(const CPlayerSettings& settings, std::size_t soundCount);

}  // namespace ryx
