// The ramps at both ends of a single play must not click: the pins a
// PIC16F628A (both schemes) or a PIC18F26K22 (on its internal 16 MHz) drives
// in gpsim go through the drawn filter in ngspice (R per pin, 2R each under
// "1.5 bit", 0.22 uF to ground, then 4.7 uF in series into a 10 kOhm load),
// and the load's voltage above 100 Hz peaks before the sound's first sample
// and after its last (once the sound's own ringing has died away) at most a
// tenth of its peak during the sound.

#include "GpsimRun.h"

#include "core/Encoder.h"
#include "firmware/PicProgram.h"
#include "firmware/PlayerCode.h"
#include "support/ClickMeasure.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <utility>

namespace ryx {
namespace {

constexpr std::uint32_t kRate = 8000;
constexpr std::uint32_t kSilentSamples = 80;  // 10 ms at each end
constexpr std::uint32_t kToneSamples = 1600;  // 200 ms of 440 Hz
constexpr double kSupply = 5.0;
constexpr double kEdgeSeconds = 20e-9;
constexpr double kStepSeconds = 2e-6;
constexpr double kHighPassHz = 100;
constexpr double kTailSeconds = 0.05;  // after the ramp down, to see it settle
// The sound's own last sample (its bit is always 0) rings through the filter
// and the high-pass for a few ms after it, whatever follows: the ramp down is
// judged from then on. Its S starts flat, so this hides no step of its own.
constexpr double kSoundRingSeconds = 0.005;

// A pin's recorded changes (cycle, level) as time and volts for a file
// source: far quicker in ngspice than a PWL source of thousands of points.
void writePinFile(const std::filesystem::path& path, const std::vector<std::pair<std::uint64_t, int>>& changes,
                  double secondsPerCycle) {
    std::ofstream out(path);
    out.precision(12);
    out << "0 0\n";
    int level = 0;
    for (const auto& [cycle, next] : changes) {
        if (next == level) continue;
        const double at = static_cast<double>(cycle) * secondsPerCycle;
        out << at << " " << level * kSupply << "\n" << at + kEdgeSeconds << " " << next * kSupply << "\n";
        level = next;
    }
}

std::string pinSource(const std::string& name, const std::string& node, const std::string& file) {
    return "A" + name + " %vd([" + node + " 0]) src" + name + "\n.model src" + name +
           " filesource (file=\"" + file +
           "\" amploffset=[0] amplscale=[1] timeoffset=0 timescale=1 timerelative=false amplstep=false)\n";
}

// The load's voltage on a uniform time grid from 0 to `seconds`.
std::vector<double> loadVoltage(const test::TempDirectory& folder, const test::PinRecording& pins, bool twoPins,
                                double ohms, double secondsPerCycle, double seconds) {
    writePinFile(folder / "pina.txt", pins.pinA, secondsPerCycle);
    writePinFile(folder / "pinb.txt", pins.pinB, secondsPerCycle);
    std::ofstream net(folder / "net.cir");
    net.precision(12);
    net << "player output\n" << pinSource("a", "a", "pina.txt");
    if (twoPins) {
        net << "RA a n " << 2 * ohms << "\n" << pinSource("b", "b", "pinb.txt") << "RB b n " << 2 * ohms << "\n";
    } else {
        net << "RA a n " << ohms << "\n";
    }
    net << "C1 n 0 0.22u IC=0\nC2 n o 4.7u IC=0\nRL o 0 10k\n"
        << ".tran " << kStepSeconds << " " << seconds << " 0 " << kStepSeconds << " uic\n"
        << ".control\nrun\nlinearize v(o)\nwrdata out.txt v(o)\n.endc\n.end\n";
    net.close();
    const std::string command = "cd '" + folder.path().string() + "' && timeout 300 ngspice -b net.cir > log.txt 2>&1";
    // ngspice 39 exits with 1 even after a good run: the data file tells.
    [[maybe_unused]] const int status = std::system(command.c_str());
    std::ifstream in(folder / "out.txt");
    std::vector<double> volts;
    double time = 0;
    double v = 0;
    while (in >> time >> v) volts.push_back(v);
    return volts;
}

// The samples high-passed at `cornerHz`.
std::vector<double> highPass(const std::vector<double>& x, double cornerHz, double stepSeconds) {
    test::HighPass filter(cornerHz, stepSeconds);
    std::vector<double> y;
    y.reserve(x.size());
    for (const double value : x) y.push_back(filter.next(value));
    return y;
}

struct ClickCase {
    const char* chip;
    std::int8_t algorithmType;
};

class PlayerClickOnSpice : public testing::TestWithParam<ClickCase> {
protected:
    void SetUp() override {
        if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
        if (std::system("command -v ngspice >/dev/null 2>&1") != 0) GTEST_SKIP() << "ngspice is not installed";
    }
};

TEST_P(PlayerClickOnSpice, RampsAreQuieterThanATenthOfTheSound) {
    const ClickCase& c = GetParam();
    const bool twoPins = c.algorithmType == kAlgorithmOneAndHalfBit;
    const PicChip& chip = *findPicChip(c.chip);
    const auto state = test::encodedTone(kRate, c.algorithmType, kToneSamples, kSilentSamples);
    const Result<PicProgram> built = buildPicProgram(*state, {&chip, 0, false});
    ASSERT_TRUE(built) << built.error();
    const PicProgram& program = *built;
    const std::uint32_t cycles = program.plan.timing.cyclesPerSample;
    const PlayerRamp ramp = playerRamp(program.plan.clockHz, twoPins, false);
    const double secondsPerCycle = 4.0 / program.plan.clockHz;
    const std::uint64_t samples = std::uint64_t{program.plan.storedSamples};
    const double seconds =
        static_cast<double>(1000 + (ramp.upWrites + ramp.downWrites) * kRampCyclesPerBit + samples * cycles) *
            secondsPerCycle + kTailSeconds;

    test::TempDirectory folder;
    const test::PinRecording pins = test::runOnGpsim(
        folder.path(), chip, formatIntelHex(program.memory), static_cast<std::uint64_t>(seconds / secondsPerCycle));
    ASSERT_TRUE(pins.reachedEnd) << pins.output;
    // Write 0 clears the pins at start-up; the ramp's writes come next.
    const std::size_t firstWrite = ramp.upWrites + 1;
    ASSERT_GT(pins.portWrites.size(), firstWrite + samples);
    const double soundStart = static_cast<double>(pins.portWrites[firstWrite] + 1) * secondsPerCycle;
    // The ramp down's first write, one sample after the last (a PIC18's
    // sample is a table read or two shorter in gpsim).
    const double soundEnd = static_cast<double>(pins.portWrites[firstWrite + samples] + 1) * secondsPerCycle;

    const std::vector<double> load = loadVoltage(folder, pins, twoPins, state->encoder.resistorOhms, secondsPerCycle,
                                                 seconds);
    ASSERT_GT(static_cast<double>(load.size()) * kStepSeconds, seconds * 0.99) << "ngspice gave no output";
    const std::vector<double> high = highPass(load, kHighPassHz, kStepSeconds);
    const auto at = [](double t) { return static_cast<std::size_t>(t / kStepSeconds); };
    const double during = test::peakOf(high, at(soundStart), at(soundEnd));
    const double before = test::peakOf(high, 0, at(soundStart));
    const double after = test::peakOf(high, at(soundEnd + kSoundRingSeconds), high.size());
    std::printf("[ clicks   ] %s, %s: %.4f V before, %.4f V after, %.4f V during: ratio %.3f\n", c.chip,
                twoPins ? "1.5 bit" : "1 bit", before, after, during, std::max(before, after) / during);
    RecordProperty("ratio", std::to_string(std::max(before, after) / during));
    EXPECT_GT(during, 0.5) << "the tone is missing";
    EXPECT_LE(before, during / 10);
    EXPECT_LE(after, during / 10);
}

std::string clickCaseName(const testing::TestParamInfo<ClickCase>& info) {
    return std::string(info.param.chip) +
           (info.param.algorithmType == kAlgorithmOneBit ? std::string("_OneBit") : std::string("_OneAndHalfBit"));
}

INSTANTIATE_TEST_SUITE_P(BothSchemes, PlayerClickOnSpice,
                         testing::Values(ClickCase{"16f628a", kAlgorithmOneBit},
                                         ClickCase{"16f628a", kAlgorithmOneAndHalfBit}),
                         clickCaseName);
INSTANTIATE_TEST_SUITE_P(Pic18, PlayerClickOnSpice, testing::Values(ClickCase{"18f26k22", kAlgorithmOneAndHalfBit}),
                         clickCaseName);

}  // namespace
}  // namespace ryx
