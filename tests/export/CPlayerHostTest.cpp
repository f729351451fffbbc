// The written player, compiled with the host's C compiler: after its rise it
// gives the --bin bits in order (pin B the bit before under "1.5 bit"), in a
// loop round after round, else falls back to both pins low; its rise and fall
// follow an S of 100 to 200 ms. Their click, measured as for the PIC programs
// (the drawn filter: R per pin, 2R each under "1.5 bit", 0.22 uF to ground,
// 4.7 uF in series into 10 kOhm; high-passed at 100 Hz; peaks before and after
// the sound against the peak during it), is printed; at the sample rate one
// high sample alone already peaks at 0.44 ("1 bit") and 0.22 ("1.5 bit") of
// the tone's peak, so the ramps are held to that least step, not a tenth.

#include "CPlayerFiles.h"

#include "export/BinaryExport.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace ryx {
namespace {

constexpr std::uint32_t kRate = 8000;
constexpr std::uint32_t kSilentSamples = 80;
constexpr std::uint32_t kToneSamples = 1600;
constexpr int kSubSteps = 16;  // circuit steps per sample
constexpr double kStep = 1.0 / (kRate * kSubSteps);
constexpr double kSoundRingSeconds = 0.005;  // the sound's own last ringing, as for the PIC programs

// The binary's whole bytes, then the encoded samples past them that the
// header's padded last byte holds: every encoded sample, in order.
std::vector<int> encodedBits(const ProgramState& state, const test::TempDirectory& folder) {
    EXPECT_TRUE(exportBinary(state, folder / "sound.bin"));
    std::vector<int> bits;
    for (const std::uint8_t byte : test::readFileBytes(folder / "sound.bin")) {
        for (int k = 7; k >= 0; --k) bits.push_back((byte >> k) & 1);
    }
    for (std::size_t k = bits.size(); k < encodedSampleCount(state.encoder); ++k) bits.push_back(state.bitStream[k] & 1);
    return bits;
}

// The ticks' pins, each for a whole sample.
test::PinChanges changesOf(const std::string& ticks) {
    test::PinChanges changes;
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        changes.emplace_back(static_cast<double>(k) / kRate, static_cast<unsigned>(ticks[k] - '0') & 3u);
    }
    return changes;
}

struct HostCase {
    const char* name;
    std::int8_t algorithmType;
    bool loop;
};

class CPlayerOnHost : public testing::TestWithParam<HostCase> {
protected:
    void SetUp() override {
        if (std::system("command -v cc >/dev/null 2>&1") != 0) GTEST_SKIP() << "no host C compiler cc";
    }
};

TEST_P(CPlayerOnHost, PlaysTheBinaryBitsBetweenQuietRamps) {
    const HostCase& c = GetParam();
    const bool twoPins = c.algorithmType == kAlgorithmOneAndHalfBit;
    const auto state = test::encodedTone(kRate, c.algorithmType, kToneSamples, kSilentSamples);
    test::TempDirectory folder;
    test::writeCPlayer(folder.path(), {state.get()}, {.target = &genericCPlayerTarget(), .loop = c.loop});
    std::string problem;
    const auto program = test::buildHostPlayer(folder.path(), problem);
    ASSERT_TRUE(problem.empty()) << problem;

    const std::vector<int> bits = encodedBits(*state, folder);
    const CPlayerRamp ramp = cPlayerRamp(kRate, twoPins);
    const std::size_t n = bits.size(), rise = ramp.ticks;
    const std::string ticks = test::playOnHost(program, 0, 2 * rise + 2 * n + 50);
    ASSERT_EQ(ticks.size(), 2 * rise + 2 * n + 50);
    EXPECT_GE(rise, kRate / 10);
    EXPECT_LE(rise, kRate / 5);

    // The rise: pin A alone, its ones in each update's window growing along
    // the S to the top (a half under "1 bit", all of pin A under "1.5 bit").
    int before = 0;
    for (std::size_t w = 0; w < rise / ramp.wait; ++w) {
        const std::string window = ticks.substr(w * ramp.wait, ramp.wait);
        ASSERT_EQ(window.find_first_not_of("89"), std::string::npos) << "tick " << w * ramp.wait;
        const int ones = static_cast<int>(std::count(window.begin(), window.end(), '9'));
        EXPECT_GE(ones, before - 1) << "window " << w;
        before = std::max(before, ones);
    }
    EXPECT_NEAR(before, twoPins ? static_cast<int>(ramp.wait) : static_cast<int>(ramp.wait) / 2, 1);

    // Each round of the sound: pin A the bit, pin B the one before (0 before the first).
    const std::size_t rounds = c.loop ? 2 : 1;
    int previous = 0;
    for (std::size_t i = 0; i < rounds * n; ++i) {
        const int bit = bits[i % n];
        const int expected = bit | (twoPins ? previous << 1 : 0);
        ASSERT_EQ(ticks[rise + i] - '0', expected) << "sample " << i;
        previous = bit;
    }
    if (c.loop) return;
    const std::string fall = ticks.substr(rise + n, rise);
    EXPECT_EQ(fall.find_first_not_of("89"), std::string::npos);
    EXPECT_EQ(ticks.substr(2 * rise + n).find_first_not_of('4'), std::string::npos) << "not over after the fall";

    const std::string played = ticks.substr(0, 2 * rise + n + 50);
    const std::vector<double> y = test::filteredLoad(changesOf(played), static_cast<double>(played.size()) / kRate,
                                                     kStep, twoPins, state->encoder.resistorOhms);
    const std::size_t soundStart = rise * kSubSteps, soundEnd = (rise + n) * kSubSteps;
    const double during = test::peakOf(y, soundStart, soundEnd);
    const double click = std::max(test::peakOf(y, 0, soundStart),
                                  test::peakOf(y, soundEnd + static_cast<std::size_t>(kSoundRingSeconds * kRate * kSubSteps),
                                       y.size()));
    // The least the pins can do at the sample rate: one high sample alone.
    std::string lone(800, '0');
    lone[100] = '1';
    const std::vector<double> pulse =
        test::filteredLoad(changesOf(lone), 0.1, kStep, twoPins, state->encoder.resistorOhms);
    const double lonePulse = test::peakOf(pulse, 0, pulse.size());
    RecordProperty("ratio", std::to_string(click / during));
    std::printf("[ clicks   ] %s: %.4f V ramps, %.4f V one lone sample, %.4f V during: ratio %.3f\n", c.name, click,
                lonePulse, during, click / during);
    EXPECT_GT(during, 0.5) << "the tone is missing";
    EXPECT_LE(click, 1.1 * lonePulse) << "the ramps click more than their least step";
}

INSTANTIATE_TEST_SUITE_P(Schemes, CPlayerOnHost,
                         testing::Values(HostCase{"OneBitOnce", kAlgorithmOneBit, false},
                                         HostCase{"OneAndHalfBitOnce", kAlgorithmOneAndHalfBit, false},
                                         HostCase{"OneBitLoop", kAlgorithmOneBit, true},
                                         HostCase{"OneAndHalfBitLoop", kAlgorithmOneAndHalfBit, true}),
                         [](const testing::TestParamInfo<HostCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace ryx
