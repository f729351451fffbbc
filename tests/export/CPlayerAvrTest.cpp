// The C player on AVR: avr-gcc builds every target's main.c with the player
// (strict C99, warnings as errors) within the flash the summary names, and
// simavr plays it. The pins change only on the timer's grid, one write a
// sample, and take the host player's values one for one (the --bin bits,
// checked there, between the ramps), after which the chip sleeps with
// interrupts off; a bank plays the sound of the trigger pin pulled low; no
// tick takes longer than the summary says. Skipped without avr-gcc, simavr's
// library or a host C compiler (the host player gives the expected pins).

#include "CPlayerFiles.h"

#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace ryx {
namespace {

struct AvrRun {
    std::vector<std::pair<std::uint64_t, unsigned>> writes;  // port B: cycle, value
    bool done = false;  // asleep with interrupts off
};

bool avrToolsPresent() {
    return std::string(RYX_AVR_PIN_RUN).size() > 0 && std::system("command -v avr-gcc >/dev/null 2>&1 && command -v cc >/dev/null 2>&1") == 0;
}

// Builds `sources` (main.c, or the test's own driver, with ryx_player.c); the
// compiler's messages when it fails.
std::string buildForAvr(const std::filesystem::path& folder, const CPlayerTarget& target, const std::string& first,
                        const std::string& output) {
    return test::commandOutput("cd '" + folder.string() + "' && avr-gcc -mmcu=" + std::string(target.mcu) +
                               " -std=c99 -Wall -Wextra -Werror -Os -I. -o " + output + " '" + first +
                               "' ryx_player.c 2>&1");
}

AvrRun runOnSimavr(const std::filesystem::path& elf, const CPlayerTarget& target, std::uint32_t clockHz,
                   std::uint64_t cycles, const std::string& drives = {}) {
    std::istringstream lines(test::commandOutput("'" + std::string(RYX_AVR_PIN_RUN) + "' '" + elf.string() + "' " +
                                                 std::string(target.mcu) + " " + std::to_string(clockHz) + " " +
                                                 std::to_string(cycles) + " " + drives));
    AvrRun run;
    std::string word;
    while (lines >> word) {
        if (word == "end") {
            std::uint64_t at = 0;
            lines >> at >> word;
            run.done = word == "done";
        } else if (std::isdigit(static_cast<unsigned char>(word[0])) != 0) {
            unsigned value = 0;
            lines >> value;
            run.writes.emplace_back(std::stoull(word), value);
        } else {
            std::getline(lines, word);  // simavr's own note
        }
    }
    return run;
}

// From the write `first` on, sample k's first write at exactly the start
// plus k samples: in the sound (the host's ticks 0 to 3) the host's pins and
// nothing else within the sample; in the rise and fall (8 and 9) the fine
// bits within the sample, pin A or both pins, never pin B alone; the last,
// both pins low. Where
// the writes of the play end.
std::size_t expectPinForPin(const AvrRun& run, std::size_t first, const std::string& ticks,
                            std::uint32_t cyclesPerSample, unsigned pullUps) {
    const std::size_t played = ticks.find('4') + 1;
    if (run.writes.size() <= first) {
        ADD_FAILURE() << "nothing was played";
        return first;
    }
    const std::uint64_t start = run.writes[first].first;
    std::size_t w = first;
    for (std::size_t k = 0; k < played; ++k) {
        const std::uint64_t at = start + k * cyclesPerSample;
        const bool ramp = ticks[k] == '8' || ticks[k] == '9';
        if (w >= run.writes.size() || run.writes[w].first != at) {
            ADD_FAILURE() << "sample " << k << " is not written on the grid"
                          << (w < run.writes.size() ? ": cycle " + std::to_string(run.writes[w].first - at) : "");
            return w;
        }
        const unsigned pins = ticks[k] == '4' ? 0u : static_cast<unsigned>(ticks[k] - '0') & 3u;
        for (const std::size_t sampleWrite = w; w < run.writes.size() && run.writes[w].first < at + cyclesPerSample; ++w) {
            const unsigned value = run.writes[w].second;
            // In a ramp pin A, or both pins for a double step; pin B alone never.
            const unsigned ramped = value & ~pullUps;
            if (ramp ? (value & pullUps) != pullUps || ramped == 2 || ramped > 3
                     : w != sampleWrite || value != (pins | pullUps)) {
                ADD_FAILURE() << "sample " << k << " (" << ticks[k] << ") wrote " << value << " at cycle "
                              << run.writes[w].first - at;
                return w;
            }
        }
    }
    return w;
}

// The pins' changes in seconds.
test::PinChanges changesOf(const AvrRun& run, std::uint32_t clockHz) {
    test::PinChanges changes;
    for (const auto& [cycle, value] : run.writes) {
        changes.emplace_back(static_cast<double>(cycle) / clockHz, value & 3u);
    }
    return changes;
}

// Every target, scheme and form builds cleanly, and the player's code (its
// .text and .data, the sounds left out) fits the flash the summary names,
// with no more than a fifth to spare, also with a trigger pin for each sound.
TEST(CPlayerBuildsForAvr, EveryFormWithinTheFlashTheSummaryNames) {
    if (!avrToolsPresent()) GTEST_SKIP() << "avr-gcc or simavr is not installed";
    const auto oneBit = test::encodedTone(8000, kAlgorithmOneBit, 64, 8);
    const auto oneAndHalf = test::encodedTone(8000, kAlgorithmOneAndHalfBit, 64, 8);
    for (const CPlayerTarget& target : cPlayerTargets()) {
        if (target.mcu.empty()) continue;
        std::uint32_t most = 0;
        for (const ProgramState* sound : {oneBit.get(), oneAndHalf.get()}) {
            for (const int form : {0, 1, 2}) {  // once, loop, a bank on every trigger pin
                SCOPED_TRACE(std::string(target.name) + ", form " + std::to_string(form) + ", pins " +
                             std::to_string(sound->encoder.algorithmType));
                test::TempDirectory folder;
                const std::vector<const ProgramState*> sounds(form == 2 ? target.triggerPins : 1, sound);
                test::writeCPlayer(folder.path(), sounds, {.target = &target, .loop = form == 1, .bank = form == 2});
                ASSERT_EQ(buildForAvr(folder.path(), target, "main.c", "sound.elf"), "");
                const std::string size = test::commandOutput(
                    "cd '" + folder.path().string() + "' && avr-gcc -mmcu=" + std::string(target.mcu) +
                    " -std=c99 -Os -c ryx_player.c && avr-size -A ryx_player.o | awk '$1==\".text\"||$1==\".data\"{n+=$2} "
                    "END{print n}'");
                most = std::max(most, static_cast<std::uint32_t>(std::stoul(size)));
            }
        }
        std::printf("[ flash    ] %s: the player takes at most %u bytes\n", std::string(target.name).c_str(), most);
        EXPECT_LE(most, target.playerFlashBytes) << target.name;
        EXPECT_GE(most * 5, target.playerFlashBytes * 4) << target.name << ": the summary's figure is far above";
    }
}

constexpr std::uint32_t kToneSamples = 800;
constexpr std::uint32_t kSilentSamples = 40;
constexpr double kClickStep = 0.5e-6;

struct PlayCase {
    const char* name;
    const char* target;
    std::uint32_t clockHz;
    std::uint32_t rate;
    std::int8_t algorithmType;
};

class CPlayerOnAvr : public testing::TestWithParam<PlayCase> {
protected:
    void SetUp() override {
        if (!avrToolsPresent()) GTEST_SKIP() << "avr-gcc or simavr is not installed";
    }
};

TEST_P(CPlayerOnAvr, PlaysPinForPinOnTheTimersGridThenSleeps) {
    const PlayCase& c = GetParam();
    const bool twoPins = c.algorithmType == kAlgorithmOneAndHalfBit;
    const CPlayerTarget& target = *findCPlayerTarget(c.target);
    const auto sound = test::encodedTone(c.rate, c.algorithmType, kToneSamples, kSilentSamples);
    test::TempDirectory folder;
    const CPlayerSettings settings =
        test::writeCPlayer(folder.path(), {sound.get()}, {.target = &target, .clockHz = c.clockHz});
    ASSERT_EQ(buildForAvr(folder.path(), target, "main.c", "sound.elf"), "");
    std::string problem;
    const auto host = test::buildHostPlayer(folder.path(), problem);
    ASSERT_TRUE(problem.empty()) << problem;
    const CPlayerRamp ramp = cPlayerRamp(c.rate, twoPins);
    const std::string ticks = test::playOnHost(host, 0, 2 * ramp.ticks + kToneSamples + 2 * kSilentSamples + 10);
    const std::uint32_t cycles = settings.timer.cyclesPerSample;

    const std::uint64_t samples = ticks.find('4') + 10;
    const AvrRun run = runOnSimavr(folder / "sound.elf", target, c.clockHz, samples * cycles);
    EXPECT_TRUE(run.done) << "not asleep with interrupts off";
    // The first write is main's, before the timer starts.
    EXPECT_EQ(expectPinForPin(run, 1, ticks, cycles, 0), run.writes.size()) << "writes after the play";

    // The click of the ramps as played, fine bits and all, measured as for
    // the PIC programs: at most a tenth of the sound's peak.
    ASSERT_GE(run.writes.size(), 2u);
    const double sample = static_cast<double>(cycles) / c.clockHz;
    const double soundStart = static_cast<double>(run.writes[1].first) / c.clockHz + ramp.ticks * sample;
    const double soundEnd = soundStart + static_cast<double>(ticks.find('8', ramp.ticks) - ramp.ticks) * sample;
    const double seconds = static_cast<double>(run.writes.back().first) / c.clockHz + 0.05;
    const std::vector<double> y =
        test::filteredLoad(changesOf(run, c.clockHz), seconds, kClickStep, twoPins, sound->encoder.resistorOhms);
    const auto at = [](double t) { return static_cast<std::size_t>(t / kClickStep); };
    const double during = test::peakOf(y, at(soundStart), at(soundEnd));
    const double click = std::max(test::peakOf(y, 0, at(soundStart)), test::peakOf(y, at(soundEnd + 0.005), y.size()));
    std::printf("[ clicks   ] %s: %.4f V ramps, %.4f V during: ratio %.3f\n", c.target, click, during, click / during);
    RecordProperty("ratio", std::to_string(click / during));
    EXPECT_GT(during, 0.5) << "the tone is missing";
    ASSERT_GT(cPlayerFineRamp(target, settings.timer).stopCount, 0u) << "no fine ramp bits";
    EXPECT_LE(click, during / 10);
}

TEST_P(CPlayerOnAvr, TickTakesNoMoreCyclesThanTheSummarySays) {
    const PlayCase& c = GetParam();
    const CPlayerTarget& target = *findCPlayerTarget(c.target);
    const auto sound = test::encodedTone(c.rate, c.algorithmType, 240, 16);
    test::TempDirectory folder;
    test::writeCPlayer(folder.path(), {sound.get()}, {.target = &target, .clockHz = c.clockHz});
    ASSERT_EQ(buildForAvr(folder.path(), target, RYX_AVR_TICK_MEASURE, "measure.elf"), "");
    const CPlayerRamp ramp = cPlayerRamp(c.rate, c.algorithmType == kAlgorithmOneAndHalfBit);
    const AvrRun run = runOnSimavr(folder / "measure.elf", target, c.clockHz, 400ull * (2 * ramp.ticks + 300));
    ASSERT_TRUE(run.done);
    // PB2 high just before each call, low after it; PB3 after a ramp's tick.
    // Only the ramp's updates (and the sound's start) may take longer than
    // the ramp tick that main.c budgets its fine bits for.
    std::uint64_t longest = 0, calls = 0, since = 0, longRampTicks = 0;
    for (const auto& [cycle, value] : run.writes) {
        if ((value & 4) != 0) {
            since = cycle;
        } else if (since != 0) {
            longest = std::max(longest, cycle - since);
            if ((value & 8) != 0 && cycle - since > target.rampTickCycles) ++longRampTicks;
            ++calls;
        }
    }
    EXPECT_LE(longRampTicks, 2 * (2 * ramp.updates - 1) + 1);
    std::printf("[ cycles   ] %s: the longest of %llu ticks takes %llu cycles\n", c.target,
                static_cast<unsigned long long>(calls), static_cast<unsigned long long>(longest));
    RecordProperty("tickCycles", std::to_string(longest));
    EXPECT_GE(calls, 2 * ramp.ticks + 264);
    EXPECT_LE(longest, target.tickCycles);
    EXPECT_GE(longest * 5, target.tickCycles * 4) << "the summary's figure is far above the tick's";
}

INSTANTIATE_TEST_SUITE_P(
    Targets, CPlayerOnAvr,
    testing::Values(PlayCase{"atmega328p_8000_OneBit", "atmega328p", 16000000, 8000, kAlgorithmOneBit},
                    PlayCase{"attiny85_15625_OneAndHalfBit", "attiny85", 8000000, 15625, kAlgorithmOneAndHalfBit},
                    PlayCase{"attiny85_8000_OneAndHalfBit", "attiny85", 8000000, 8000, kAlgorithmOneAndHalfBit}),
    [](const testing::TestParamInfo<PlayCase>& param) { return std::string(param.param.name); });

// A bank of two sounds (440 and 660 Hz): pulling the second sound's trigger
// pin low plays it, pin for pin, and nothing before the press; the pin is
// held low for half the play, as a finger on a button would.
class CPlayerBankOnAvr : public CPlayerOnAvr {};

TEST_P(CPlayerBankOnAvr, TriggerPinPlaysItsSound) {
    const PlayCase& c = GetParam();
    const CPlayerTarget& target = *findCPlayerTarget(c.target);
    const auto low = test::encodedTone(c.rate, c.algorithmType, 240, 16, 440);
    const auto high = test::encodedTone(c.rate, c.algorithmType, 240, 16, 660);
    test::TempDirectory folder;
    const CPlayerSettings settings = test::writeCPlayer(folder.path(), {low.get(), high.get()},
                                                        {.target = &target, .clockHz = c.clockHz, .bank = true});
    ASSERT_EQ(buildForAvr(folder.path(), target, "main.c", "bank.elf"), "");
    std::string problem;
    const auto host = test::buildHostPlayer(folder.path(), problem);
    ASSERT_TRUE(problem.empty()) << problem;
    const CPlayerRamp ramp = cPlayerRamp(c.rate, c.algorithmType == kAlgorithmOneAndHalfBit);
    const std::string ticks = test::playOnHost(host, 1, 2 * ramp.ticks + 300);
    ASSERT_NE(ticks, test::playOnHost(host, 0, 2 * ramp.ticks + 300)) << "the two sounds play alike";

    const std::string port(1, target.triggerPort);
    const std::string first = port + std::to_string(target.firstTriggerBit);
    const std::string second = port + std::to_string(target.firstTriggerBit + 1);
    const std::uint64_t press = 200000;
    const std::uint64_t cycles = press + (ticks.find('4') + 10) * std::uint64_t{settings.timer.cyclesPerSample};
    const AvrRun run = runOnSimavr(folder / "bank.elf", target, c.clockHz, cycles,
                                   first + "@0=1 " + second + "@0=1 " + second + "@" + std::to_string(press) + "=0 " +
                                       second + "@" + std::to_string(cycles / 2) + "=1");
    ASSERT_GE(run.writes.size(), 2u);
    EXPECT_GT(run.writes[1].first, press) << "a write before the press";
    const unsigned pullUps = target.triggerPort == 'B' ? 3u << target.firstTriggerBit : 0u;
    EXPECT_EQ(expectPinForPin(run, 1, ticks, settings.timer.cyclesPerSample, pullUps), run.writes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Targets, CPlayerBankOnAvr,
    testing::Values(PlayCase{"atmega328p", "atmega328p", 16000000, 8000, kAlgorithmOneBit},
                    PlayCase{"attiny85", "attiny85", 8000000, 15625, kAlgorithmOneAndHalfBit}),
    [](const testing::TestParamInfo<PlayCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace ryx
