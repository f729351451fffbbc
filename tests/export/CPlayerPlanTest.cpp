// The C player's pure parts: the sample timer each chip gets (the smallest
// prescaler that counts the sample, the pitch that rounding costs, the rates
// refused), the ramp's S (100 to 200 ms, up to the top within a step), and
// what a target writes.

#include "export/CPlayerExport.h"

#include <gtest/gtest.h>

namespace ryx {
namespace {

struct TimerCase {
    const char* target;
    std::uint32_t clockHz;
    std::uint32_t rate;
    std::uint32_t prescaler;
    std::uint32_t compare;
    double pitchPercent;
};

TEST(SampleTimer, SmallestPrescalerThatCountsTheSample) {
    const TimerCase cases[] = {
        {"atmega328p", 16000000, 8000, 1, 1999, 0},
        {"atmega328p", 16000000, 11025, 1, 1450, 0.0171},  // 1451 cycles: 11026.88 Hz
        {"atmega328p", 16000000, 244, 8, 8196, -0.0034},   // 65574 cycles do not fit 16 bits
        {"atmega328p", 20000000, 48000, 1, 416, -0.0799},  // 417 cycles: 47961.63 Hz
        {"attiny85", 8000000, 15625, 8, 63, 0},            // 512 cycles do not fit 8 bits
        {"attiny85", 8000000, 8000, 8, 124, 0},
        {"attiny85", 8000000, 11025, 8, 90, -0.3264},      // 91 x 8 cycles
        {"attiny85", 1000000, 1000, 8, 124, 0},
        {"attiny85", 16000000, 100, 1024, 155, 0.1603},    // 156 x 1024 cycles: 100.16 Hz
    };
    for (const TimerCase& c : cases) {
        SCOPED_TRACE(std::string(c.target) + " at " + std::to_string(c.clockHz) + " Hz, " + std::to_string(c.rate));
        const Result<SampleTimer> timer = planSampleTimer(*findCPlayerTarget(c.target), c.clockHz, c.rate);
        ASSERT_TRUE(timer) << timer.error();
        EXPECT_EQ(timer->prescaler, c.prescaler);
        EXPECT_EQ(timer->compare, c.compare);
        EXPECT_EQ(timer->cyclesPerSample, (c.compare + 1) * c.prescaler);
        EXPECT_NEAR(timer->pitchErrorPercent, c.pitchPercent, 0.0005);
    }
}

TEST(SampleTimer, RefusesWhatTheChipCannotTick) {
    const CPlayerTarget& mega = *findCPlayerTarget("atmega328p");
    const CPlayerTarget& tiny = *findCPlayerTarget("attiny85");
    const std::uint32_t fewest = mega.tickCycles + kInterruptCycles;
    // The shortest sample the interrupt and its tick fit in, and one cycle less.
    EXPECT_TRUE(planSampleTimer(mega, 16000000, 16000000 / fewest));
    const Result<SampleTimer> fast = planSampleTimer(mega, 16000000, 16000000 / fewest + 1);
    ASSERT_FALSE(fast);
    EXPECT_EQ(fast.error(), "the ATmega328P at 16000000 Hz plays at most " + std::to_string(16000000 / fewest) +
                                " samples a second (a sample needs " + std::to_string(fewest) + " cycles), not " +
                                std::to_string(16000000 / fewest + 1));
    // 20 MHz / 50 Hz: 400000 cycles, 391 counts of 1024 do not fit 8 bits.
    const Result<SampleTimer> slow = planSampleTimer(tiny, 20000000, 50);
    ASSERT_FALSE(slow);
    EXPECT_EQ(slow.error(), "the ATtiny85 at 20000000 Hz's Timer0 cannot count as slowly as 50 samples a second");
}

TEST(CPlayerRampShape, SShapeOf100To200MillisecondsUpToTheTop) {
    for (const std::uint32_t rate : {1000u, 4000u, 8000u, 11025u, 15625u, 22050u, 48000u}) {
        for (const bool twoPins : {false, true}) {
            SCOPED_TRACE(std::to_string(rate) + (twoPins ? " Hz, 1.5 bit" : " Hz, 1 bit"));
            const CPlayerRamp ramp = cPlayerRamp(rate, twoPins);
            const double seconds = static_cast<double>(ramp.ticks) / rate;
            EXPECT_GE(seconds, 0.1);
            EXPECT_LE(seconds, 0.2);
            EXPECT_EQ(ramp.ticks, (2 * ramp.updates - 1) * ramp.wait);
            EXPECT_EQ(ramp.updates & (ramp.updates - 1), 0u) << "not a power of two";
            // The S sums to step x updates^2: the top (65535 for pin A
            // always high, 32768 for a half) within one step a update.
            const std::uint32_t top = twoPins ? 65535 : 32768;
            const std::uint32_t reached = ramp.step * ramp.updates * ramp.updates;
            EXPECT_LE(reached, top);
            EXPECT_GT(reached + ramp.updates * ramp.updates, top);
        }
    }
}

TEST(CPlayerPlan, GenericWritesNoMainAndABankFitsTheTriggerPins) {
    EXPECT_EQ(cPlayerFiles(genericCPlayerTarget()).size(), 3u);
    for (const CPlayerTarget& target : cPlayerTargets()) {
        if (target.mcu.empty()) continue;
        EXPECT_EQ(cPlayerFiles(target).back(), CPlayerFile::main);
    }
    ProgramState state;
    state.encoder.sampleRate = 8000;
    const CPlayerTarget& tiny = *findCPlayerTarget("attiny85");
    const std::vector<CHeaderSound> three(3, CHeaderSound{&state, "s", "s.wav"});
    const std::vector<CHeaderSound> four(4, CHeaderSound{&state, "s", "s.wav"});
    EXPECT_TRUE(planCPlayer(three, {.target = &tiny, .bank = true}));
    const Result<CPlayerSettings> refused = planCPlayer(four, {.target = &tiny, .bank = true});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "the ATtiny85 has 3 trigger pins, not 4");
    // Generic C has no pins to choose with, nor a timer: any number of sounds.
    EXPECT_TRUE(planCPlayer(four, {.target = &genericCPlayerTarget(), .bank = true}));
    // Without --bank the chip plays sound 0 alone, whatever the others.
    EXPECT_TRUE(planCPlayer(four, {.target = &tiny}));
}

}  // namespace
}  // namespace ryx
