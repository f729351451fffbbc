#include "export/CPlayerTarget.h"

#include <array>
#include <cmath>

namespace ryx {
namespace {

// The ATtiny85 ticks on Timer0: its Timer1 counts from its own prescaler
// (and the 64 MHz PLL), which the simulator the player is proven on does not
// model; Timer0 in CTC mode has the same registers as the ATmega's timers.
constexpr std::array<CPlayerTarget, 3> kTargets{{
    {.name = "atmega328p",
     .processor = "ATmega328P",
     .mcu = "atmega328p",
     .defaultClockHz = 16000000,
     .timer = "Timer1",
     .timerTop = 65535,
     .timerControl = "TCCR1A = 0;\n    TCCR1B = (1 << WGM12) | ",
     .timerCompare = "OCR1A",
     .timerMask = "TIMSK1",
     .timerEnable = "OCIE1A",
     .timerFlags = "TIFR1",
     .timerFlag = "OCF1A",
     .timerVector = "TIMER1_COMPA_vect",
     .triggerPort = 'D',
     .firstTriggerBit = 2,
     .triggerPins = 4,
     .pinChangeMask = "PCMSK2",
     .pinChangeControl = "PCICR",
     .pinChangeOn = "PCIE2",
     .pinChangeFlags = "PCIFR",
     .pinChangeFlag = "PCIF2",
     .pinChangeVector = "PCINT2_vect",
     .edgeSense = "EICRA = (1 << ISC11) | (1 << ISC10) | (1 << ISC01) | (1 << ISC00)",
     .playerFlashBytes = 520,
     .tickCycles = 160,
     .rampTickCycles = 90},
    {.name = "attiny85",
     .processor = "ATtiny85",
     .mcu = "attiny85",
     .defaultClockHz = 8000000,
     .timer = "Timer0",
     .timerTop = 255,
     .timerControl = "TCCR0A = 1 << WGM01;\n    TCCR0B = ",
     .timerCompare = "OCR0A",
     .timerMask = "TIMSK",
     .timerEnable = "OCIE0A",
     .timerFlags = "TIFR",
     .timerFlag = "OCF0A",
     .timerVector = "TIMER0_COMPA_vect",
     .triggerPort = 'B',
     .firstTriggerBit = 2,
     .triggerPins = 3,
     .pinChangeMask = "PCMSK",
     .pinChangeControl = "GIMSK",
     .pinChangeOn = "PCIE",
     .pinChangeFlags = "GIFR",
     .pinChangeFlag = "PCIF",
     .pinChangeVector = "PCINT0_vect",
     .edgeSense = "MCUCR |= (1 << ISC01) | (1 << ISC00)",
     .playerFlashBytes = 520,
     .tickCycles = 160,
     .rampTickCycles = 90},
    {.name = "generic", .processor = "any microcontroller"},
}};

}  // namespace

std::span<const CPlayerTarget> cPlayerTargets() { return kTargets; }

const CPlayerTarget* findCPlayerTarget(std::string_view name) {
    for (const CPlayerTarget& target : kTargets) {
        if (target.name == name) return &target;
    }
    return nullptr;
}

const CPlayerTarget& genericCPlayerTarget() { return kTargets.back(); }

Result<SampleTimer> planSampleTimer(const CPlayerTarget& target, std::uint32_t clockHz, std::uint32_t sampleRate) {
    const std::string where = std::string(target.processor) + " at " + std::to_string(clockHz) + " Hz";
    const std::uint32_t fewest = target.tickCycles + kInterruptCycles;
    if (sampleRate == 0 || clockHz / sampleRate < fewest) {
        return Result<SampleTimer>::failure("the " + where + " plays at most " + std::to_string(clockHz / fewest) +
                                            " samples a second (a sample needs " + std::to_string(fewest) +
                                            " cycles), not " + std::to_string(sampleRate));
    }
    for (std::uint32_t k = 0; k < std::size(kTimerPrescalers); ++k) {
        const std::uint64_t ticks = (std::uint64_t{clockHz} + std::uint64_t{kTimerPrescalers[k]} * sampleRate / 2) /
                                    (std::uint64_t{kTimerPrescalers[k]} * sampleRate);
        if (ticks == 0 || ticks - 1 > target.timerTop) continue;
        SampleTimer timer{.clockHz = clockHz, .prescaler = kTimerPrescalers[k], .clockSelect = k + 1,
                          .compare = static_cast<std::uint32_t>(ticks - 1),
                          .cyclesPerSample = static_cast<std::uint32_t>(ticks * kTimerPrescalers[k])};
        timer.playbackRate = static_cast<double>(clockHz) / timer.cyclesPerSample;
        timer.pitchErrorPercent = (timer.playbackRate / sampleRate - 1) * 100;
        return timer;
    }
    return Result<SampleTimer>::failure("the " + where + "'s " + std::string(target.timer) +
                                        " cannot count as slowly as " + std::to_string(sampleRate) +
                                        " samples a second");
}

}  // namespace ryx
