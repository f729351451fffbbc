#pragma once
// The chips the C player writes a main.c for, one row each, and the timer
// that ticks it at the sample rate there; "generic" has no main.c.

#include "core/Result.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace ryx {

struct CPlayerTarget {
    std::string_view name{};       // as --target takes it
    std::string_view processor{};  // as messages name it
    std::string_view mcu{};        // avr-gcc -mmcu; empty: generic C, no main.c
    std::uint32_t defaultClockHz = 0;
    // The sample timer in CTC mode: its name, width and registers; the clock
    // select bits 1 ... 5 give the prescalers 1, 8, 64, 256, 1024.
    std::string_view timer{};
    std::uint32_t timerTop = 0;          // the largest compare value
    std::string_view timerControl{};       // the mode's setup, the clock select ORed into its last register
    std::string_view timerCompare{};       // OCRnA
    std::string_view timerMask{};          // TIMSKn = 1 << timerEnable
    std::string_view timerEnable{};
    std::string_view timerFlags{};         // TIFRn = 1 << timerFlag
    std::string_view timerFlag{};
    std::string_view timerVector{};
    // The trigger pins of a bank: consecutive bits of one port, pulled up,
    // waking the chip by pin change.
    char triggerPort = 0;
    std::uint32_t firstTriggerBit = 0;
    std::uint32_t triggerPins = 0;
    std::string_view pinChangeMask{};      // PCMSKn = the pins
    std::string_view pinChangeControl{};   // its interrupt: 1 << pinChangeOn
    std::string_view pinChangeOn{};
    std::string_view pinChangeFlags{};     // its pending flag: 1 << pinChangeFlag
    std::string_view pinChangeFlag{};
    std::string_view pinChangeVector{};
    // The external interrupts on trigger pins, unused, on edges: a level
    // held low must not keep the chip awake.
    std::string_view edgeSense{};
    // Measured with avr-gcc -Os: the player's code (ryx_player.c without the
    // sounds) and its longest tick with the call, at most.
    std::uint32_t playerFlashBytes = 0;
    std::uint32_t tickCycles = 0;
    std::uint32_t rampTickCycles = 0;  // a tick of the ramp that does not update it
};

std::span<const CPlayerTarget> cPlayerTargets();
const CPlayerTarget* findCPlayerTarget(std::string_view name);  // nullptr: none of that name
const CPlayerTarget& genericCPlayerTarget();

inline constexpr std::uint32_t kTimerPrescalers[] = {1, 8, 64, 256, 1024};

struct SampleTimer {
    std::uint32_t clockHz = 0;
    std::uint32_t prescaler = 1;
    std::uint32_t clockSelect = 1;  // the CS bits of that prescaler
    std::uint32_t compare = 0;      // OCRnA: the timer counts compare + 1 per sample
    std::uint32_t cyclesPerSample = 0;
    double playbackRate = 0;
    double pitchErrorPercent = 0;
};

// The smallest prescaler whose compare value fits, rounded to the nearest
// rate. Refuses a rate whose sample is shorter than the interrupt and its
// tick, or longer than the timer counts.
Result<SampleTimer> planSampleTimer(const CPlayerTarget& target, std::uint32_t clockHz, std::uint32_t sampleRate);

// The cycles the timer's interrupt takes besides the tick: its entry, the
// port write, the call's setup and the return, at most.
inline constexpr std::uint32_t kInterruptCycles = 100;

}  // namespace ryx
