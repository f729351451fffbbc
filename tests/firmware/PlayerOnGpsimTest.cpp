// The proof that a made program plays: its Intel HEX runs on the gpsim
// simulator and the two pins are recorded cycle by cycle.
//
// What each check catches in a typical faulty player:
// - pin levels at every instant equal the bitstream (pin B the bit before):
//   bits played lsb first, a wrong table address (tables assembled in the
//   hexadecimal radix land at 0x256, 0x4AC...), pin B not delayed;
// - every sample exactly cyclesPerSample after the one before: an uneven byte,
//   block or page boundary (a 65-cycle boundary in a 64-cycle player);
// - no pin change between instants: glitches from writing the pins twice;
// - all samples present, and on to the end: PCLATH left at the table's page
//   after the computed call, which derails the player once the tables leave
//   the first 2K page;
// - the filter model over the recorded pins gives the decoded preview: the
//   pins carry what the encoder modelled, in both schemes.
// - the ramps before and after the sound write pin A every few cycles, evenly,
//   pin B low, and their bits' mean level follows a smooth S from 0 to the
//   top (a half under "1 bit", always high under "1.5 bit") and back: a
//   player that jumps to the sound or drops to 0 V clicks.
// FaultsAreCaught runs these checks on deliberately broken programs.

#include "GpsimRun.h"
#include "TestSound.h"

#include "core/Encoder.h"
#include "core/DecoderModel.h"
#include "export/TableLayout.h"
#include "firmware/PicProgram.h"
#include "firmware/PicRoutineInclude.h"
#include "firmware/PlayerCode.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

namespace ryx {
namespace {

using test::ExpectedPlayback;
using test::PinRecording;

constexpr std::uint64_t kStartUpCycles = 200;  // set-up and first table read, generously
constexpr std::uint32_t kRampBitWords = 1;     // the plain ramp bit's call, then its padding

bool twoPinsOf(const ProgramState& state) { return state.encoder.algorithmType == kAlgorithmOneAndHalfBit; }

// Both families play the same ramps.
PlayerRamp rampOf(const ProgramState& state, const PicProgram& program, bool loop) {
    return playerRamp(program.plan.clockHz, twoPinsOf(state), loop);
}

// The mean of each quarter of a ramp against the mean of a smooth S there
// (2t^2, then 1 - 2(1 - t)^2, times the top): 1/24, 7/24, 17/24 and 23/24 of
// the top. The level moves in small stairs and a sigma-delta stays within a
// bit of it, so the means are that close.
void expectRampLevels(const std::vector<std::uint8_t>& bits, bool rising, double top) {
    ASSERT_GE(bits.size(), 40u) << "a ramp too short to judge";
    const std::size_t quarter = bits.size() / 4;
    const double sCurve[] = {1.0 / 24, 7.0 / 24, 17.0 / 24, 23.0 / 24};
    for (std::size_t q = 0; q < 4; ++q) {
        double ones = 0;
        for (std::size_t i = q * quarter; i < (q + 1) * quarter; ++i) ones += bits[i];
        const double wanted = top * sCurve[rising ? q : 3 - q];
        EXPECT_NEAR(ones / static_cast<double>(quarter), wanted, 0.01 + 2.0 / static_cast<double>(quarter))
            << (rising ? "ramp up" : "ramp down") << ", quarter " << q;
    }
}

double rampTop(const ProgramState& state) { return twoPinsOf(state) ? 1.0 : 0.5; }

// The simulator's reads of packed words on each chip, probed once.
const test::ProgramReadOnGpsim& programReadOn(const PicChip& chip) {
    static std::map<std::string_view, test::ProgramReadOnGpsim> probed;
    const auto found = probed.find(chip.processor);
    if (found != probed.end()) return found->second;
    test::TempDirectory directory;
    return probed[chip.processor] = test::probeProgramRead(directory.path(), chip);
}

// gpsim 0.31 counts a PIC18 table read as one cycle, the chip two. The PIC18
// player makes the same reads in every sample (one per byte, two with retlw
// storage), so in the simulator every sample is that many cycles shorter;
// its ramps make none and keep their cycles.
std::uint32_t simulatedCyclesPerSample(const PicChip& chip, const PicProgram& program) {
    const std::uint32_t cycles = program.plan.timing.cyclesPerSample;
    if (chip.family != PicFamily::pic18) return cycles;
    return cycles - (program.plan.storage == PicStorage::retlw ? 2 : 1);
}

ExpectedPlayback expectedFor(const PicChip& chip, const ProgramState& state, const PicProgram& program,
                             std::uint32_t rounds = 1) {
    ExpectedPlayback expected;
    if (program.plan.storage == PicStorage::packed14) {
        expected.samplesPerRead = bitsPerTableWord(program.plan.storage);
        expected.readShortfall = programReadOn(chip).shortfall;
    }
    const bool twoPins = twoPinsOf(state);
    // Every encoded sample and no other, whatever the plan says: the last
    // sample of a sound is never encoded, and a table's last read is padded.
    const std::uint32_t samples = encodedSampleCount(state.encoder);
    std::uint8_t before = 0;
    for (std::uint32_t round = 0; round < rounds; ++round) {
        for (std::uint32_t i = 0; i < samples; ++i) {
            expected.pinA.push_back(state.bitStream[i]);
            expected.pinB.push_back(twoPins ? before : 0);
            before = state.bitStream[i];
        }
    }
    expected.cyclesPerSample = simulatedCyclesPerSample(chip, program);
    const PlayerRamp ramp = rampOf(state, program, rounds > 1);
    expected.rampUp = ramp.upWrites;
    expected.rampDown = ramp.downWrites;
    expected.rampCycles = kRampCyclesPerBit;
    expected.endsLow = rounds == 1;
    return expected;
}

// On past the last write: the ramps, the samples, and two samples of slack
// for the ramp-to-sound step.
std::uint64_t cyclesFor(const ProgramState& state, const PicProgram& program, std::uint32_t rounds = 1) {
    const PlayerRamp ramp = rampOf(state, program, rounds > 1);
    const std::uint64_t samples = std::uint64_t{program.plan.storedSamples} * rounds + 2;
    return kStartUpCycles + samples * program.plan.timing.cyclesPerSample +
           std::uint64_t{ramp.upWrites + ramp.downWrites + 2} * kRampCyclesPerBit;
}

// Seconds of wall time per second of sound, printed for the record.
void reportSpeed(const char* what, std::chrono::steady_clock::duration wall, const PicProgram& program) {
    const double seconds = std::chrono::duration<double>(wall).count();
    const double sound = program.plan.storedSamples / program.plan.timing.playbackRate;
    std::printf("[ gpsim    ] %s: %.2f s of sound in %.2f s (%.3f s per second of sound)\n", what, sound, seconds,
                seconds / sound);
}

PinRecording simulate(const PicChip& chip, const PicProgram& program, std::uint64_t cycles, const char* what) {
    test::TempDirectory directory;
    const auto started = std::chrono::steady_clock::now();
    PinRecording recording = test::runOnGpsim(directory.path(), chip, formatIntelHex(program.memory), cycles);
    reportSpeed(what, std::chrono::steady_clock::now() - started, program);
    return recording;
}

// The decoder's filter model, stepped over the recorded pins (pin B as the
// bit before in the 1.5-bit scheme), against the encoder's own decoded
// samples and the smoothed preview made from them.
std::vector<std::uint8_t> decodePins(const ProgramState& state, const test::PlaybackCheck& check) {
    const bool twoPins = twoPinsOf(state);
    const auto f = static_cast<std::uint32_t>(state.encoder.fineness);
    std::vector<std::uint8_t> decoded;
    std::uint32_t v = kStartVoltage;
    for (std::size_t i = 0; i < check.pinA.size(); ++i) {
        v = twoPins ? nextVoltage<true>(v, check.pinB[i], check.pinA[i], f)
                    : nextVoltage<false>(v, 0u, check.pinA[i], f);
        decoded.push_back(static_cast<std::uint8_t>(v / 256));
    }
    return decoded;
}

void expectFilterModelMatches(const ProgramState& state, const test::PlaybackCheck& check) {
    const std::vector<std::uint8_t> decoded = decodePins(state, check);
    // The last sample of a sound has no bit and keeps its reset value.
    const std::size_t encoded = std::min<std::size_t>(decoded.size(), state.encoder.sampleCount - 1);
    ASSERT_GT(encoded, 0u);
    auto replayed = std::make_unique<ProgramState>(state);
    for (std::size_t i = 0; i < encoded; ++i) {
        ASSERT_EQ(decoded[i], state.decodedSamples[i]) << "decoded sample " << i;
        replayed->decodedSamples[i] = decoded[i];
    }
    smoothDecoded(*replayed);
    for (std::size_t i = 0; i + 1 < encoded; ++i) {
        ASSERT_EQ(replayed->smoothedSamples[i], state.smoothedSamples[i]) << "smoothed sample " << i;
    }
}

struct ChipCase {
    const char* chip;
    std::uint32_t clockHz;  // 0: internal oscillator
    std::uint32_t sampleRate;
    std::int8_t algorithmType;
    PicPacking packing;
};

std::string caseName(const testing::TestParamInfo<ChipCase>& info) {
    return std::string(info.param.chip) + (info.param.algorithmType == kAlgorithmOneBit ? "_1bit" : "_15bit") +
           (info.param.packing == PicPacking::off ? "_retlw" : "_packed");
}

class PlayerOnGpsim : public testing::TestWithParam<ChipCase> {
protected:
    void SetUp() override {
        if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    }
};

// About one second of sound on every chip of the table, in both schemes:
// 7999 encoded samples, no whole number of bytes or 14-bit words, each
// played once and then the ramp down.
TEST_P(PlayerOnGpsim, PlaysEveryBitOnTime) {
    const ChipCase& c = GetParam();
    const PicChip* chip = findPicChip(c.chip);
    ASSERT_NE(chip, nullptr);
    auto state = test::makeEncodedSound(c.sampleRate, c.sampleRate, c.algorithmType);
    const PicProgramSettings settings{chip, c.clockHz, false, defaultOscillator(*chip, c.clockHz), c.packing};
    if (storageFor(*chip, c.packing) == PicStorage::packed14 && !programReadOn(*chip).reads) {
        GTEST_SKIP() << "gpsim's " << chip->name << " does not read its program memory";
    }
    const Result<PicProgram> built = buildPicProgram(*state, settings);
    ASSERT_TRUE(built) << built.error();
    const PicProgram& program = *built;

    const PinRecording recording = simulate(*chip, program, cyclesFor(*state, program), c.chip);
    const test::PlaybackCheck check = test::checkPlayback(recording, expectedFor(*chip, *state, program));
    ASSERT_EQ(check.fault, "");
    const std::uint32_t encoded = encodedSampleCount(state->encoder);
    ASSERT_TRUE(encoded % 8 != 0 && encoded % 14 != 0);
    EXPECT_EQ(check.pinA.size(), encoded);
    expectFilterModelMatches(*state, check);
    expectRampLevels(check.rampUpA, true, rampTop(*state));
    expectRampLevels(check.rampDownA, false, rampTop(*state));
}

std::vector<ChipCase> everyChip() {
    std::vector<ChipCase> cases;
    for (const PicChip& chip : picChips()) {
        for (std::int8_t scheme : {kAlgorithmOneBit, kAlgorithmOneAndHalfBit}) {
            // A crystal chip runs at 4 MHz in one scheme and 20 MHz in the other.
            const std::uint32_t clock = chip.internalClockHz != 0 ? 0 : scheme == kAlgorithmOneBit ? 4000000 : 20000000;
            cases.push_back({chip.processor.data(), clock, 8000, scheme, PicPacking::off});
            if (chip.readsProgramMemory) cases.push_back({chip.processor.data(), clock, 8000, scheme, PicPacking::automatic});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryChip, PlayerOnGpsim, testing::ValuesIn(everyChip()), caseName);

class PlayerEdgesOnGpsim : public testing::Test {
protected:
    void SetUp() override {
        if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    }
};

// The largest sound each packed chip holds, over every 2K page: a mid-range
// chip at 20 MHz and an enhanced one on its internal 8 MHz.
TEST_F(PlayerEdgesOnGpsim, LargestSoundCrossesEveryBlockAndPage) {
    struct Case {
        const char* chip;
        std::uint32_t clockHz;
        std::uint32_t sampleRate;
    };
    for (const Case c : {Case{"16f877a", 20000000, 44100}, Case{"12f1840", 0, 8000}}) {
        const PicChip& chip = *findPicChip(c.chip);
        auto state = test::makeEncodedSound(picSampleCapacity(chip), c.sampleRate, kAlgorithmOneAndHalfBit);
        const Result<PicProgram> built = buildPicProgram(*state, {&chip, c.clockHz, false});
        ASSERT_TRUE(built) << built.error();
        const PicProgram& program = *built;
        ASSERT_EQ(program.plan.usedWords, chip.programWords);

        const PinRecording recording = simulate(chip, program, cyclesFor(*state, program), c.chip);
        const test::PlaybackCheck check = test::checkPlayback(recording, expectedFor(chip, *state, program));
        ASSERT_EQ(check.fault, "") << c.chip;
        expectFilterModelMatches(*state, check);
    }
}

// A looping program runs into its second round in step, pin B carrying the
// last bit of the first round.
TEST_F(PlayerEdgesOnGpsim, LoopStartsAgainInStep) {
    const PicChip& chip = *findPicChip("16f628a");
    auto state = test::makeEncodedSound(2001, 8000, kAlgorithmOneAndHalfBit);
    const Result<PicProgram> built = buildPicProgram(*state, {&chip, 0, true});
    ASSERT_TRUE(built) << built.error();
    const PicProgram& program = *built;

    const PinRecording recording = simulate(chip, program, cyclesFor(*state, program, 2), "16f628a, looping");
    const test::PlaybackCheck check = test::checkPlayback(recording, expectedFor(chip, *state, program, 2));
    ASSERT_EQ(check.fault, "");
    expectRampLevels(check.rampUpA, true, rampTop(*state));
}

// A crystal at the internal oscillator's frequency: the chip loads a crystal
// config word, and plays every sample at the same cycles as on its internal
// oscillator.
TEST_F(PlayerEdgesOnGpsim, CrystalAtTheInternalFrequencyKeepsTime) {
    const PicChip& chip = *findPicChip("16f628a");
    auto state = test::makeEncodedSound(4001, 8000, kAlgorithmOneAndHalfBit);
    const Result<PicProgram> internal = buildPicProgram(*state, {&chip, 0, false});
    const Result<PicProgram> crystal = buildPicProgram(*state, {&chip, 4000000, false, PicOscillator::crystal});
    ASSERT_TRUE(internal) << internal.error();
    ASSERT_TRUE(crystal) << crystal.error();

    test::TempDirectory directory;
    const std::string config = test::describeConfigOnGpsim(directory.path(), chip, formatIntelHex(crystal->memory));
    // XT: FOSC2..0 = 001, with the watchdog off as every program has it.
    EXPECT_NE(config.find("$f21"), std::string::npos) << config;
    EXPECT_NE(config.find("Clk source = XT"), std::string::npos) << config;
    EXPECT_NE(config.find("WDT is disabled"), std::string::npos) << config;

    const PinRecording onCrystal = simulate(chip, *crystal, cyclesFor(*state, *crystal), "16f628a, crystal");
    ASSERT_EQ(test::checkPlayback(onCrystal, expectedFor(chip, *state, *crystal)).fault, "");
    const PinRecording onInternal = simulate(chip, *internal, cyclesFor(*state, *internal), "16f628a, internal");
    EXPECT_EQ(onCrystal.portWrites, onInternal.portWrites);
}

// At the fewest cycles the player claims to need, every path still fits.
TEST_F(PlayerEdgesOnGpsim, FastestRatesKeepTime) {
    const PicChip& chip = *findPicChip("16f628a");
    for (const bool loop : {false, true}) {
        const std::uint32_t rate = 1000000 / playerMinCycles(chip, loop);
        auto state = test::makeEncodedSound(3001, rate, kAlgorithmOneAndHalfBit);
        const Result<PicProgram> built = buildPicProgram(*state, {&chip, 0, loop});
        ASSERT_TRUE(built) << built.error();
        const PicProgram& program = *built;
        ASSERT_EQ(program.plan.timing.cyclesPerSample, playerMinCycles(chip, loop));
        const std::uint32_t rounds = loop ? 2 : 1;
        const PinRecording recording = simulate(chip, program, cyclesFor(*state, program, rounds), "16f628a, fastest");
        EXPECT_EQ(test::checkPlayback(recording, expectedFor(chip, *state, program, rounds)).fault, "") << "loop " << loop;
    }
}

// Each typical player fault, planted in a good program (retlw tables or
// packed words), must fail the checks.
TEST_F(PlayerEdgesOnGpsim, FaultsAreCaught) {
    const PicChip& chip = *findPicChip("16f877a");
    // 2400 table bytes: past the first 2K page.
    auto state = test::makeEncodedSound(2400 * 8, 22050, kAlgorithmOneAndHalfBit);
    std::map<PicPacking, PicProgram> good;
    for (const PicPacking packing : {PicPacking::off, PicPacking::automatic}) {
        const Result<PicProgram> built =
            buildPicProgram(*state, {&chip, 4000000, false, PicOscillator::crystal, packing});
        ASSERT_TRUE(built) << built.error();
        good.emplace(packing, *built);
    }

    struct Fault {
        const char* name;
        PicPacking packing;
        void (*plant)(PicProgram&);
    };
    const Fault faults[] = {
        {"bits lsb first", PicPacking::off,
         [](PicProgram& p) {
             for (std::uint16_t& word : p.memory[1].words) {
                 std::uint8_t reversed = 0;
                 for (int bit = 0; bit < 8; ++bit) reversed = static_cast<std::uint8_t>(reversed << 1 | (word >> bit & 1));
                 word = static_cast<std::uint16_t>(pic::kRetlw.bits | reversed);
             }
         }},
        {"PCLATH not restored", PicPacking::off,
         [](PicProgram& p) { p.memory[0].words[p.player.addressOf(kRestorePageLabel)] = pic::kNop.bits; }},
        {"uneven byte boundary", PicPacking::off,
         [](PicProgram& p) { ++p.memory[0].words[p.player.addressOf(kByteDelayLabel)]; }},
        {"tables at hexadecimal addresses", PicPacking::off, [](PicProgram& p) { p.memory[1].address = 0x256; }},
        {"a ramp bit a cycle short", PicPacking::off,
         [](PicProgram& p) { p.memory[0].words[p.player.addressOf(kRampLabel) + kRampBitWords] = pic::kNop.bits; }},
        {"packed word's halves swapped", PicPacking::automatic,
         [](PicProgram& p) {
             // movf EEDATA, w and movf EEDATH, w trade places.
             for (std::uint16_t& word : p.memory[0].words) {
                 if (word == (pic::kMovf.bits | 0x0C)) {
                     word = pic::kMovf.bits | 0x0E;
                 } else if (word == (pic::kMovf.bits | 0x0E)) {
                     word = pic::kMovf.bits | 0x0C;
                 }
             }
         }},
        {"uneven word boundary", PicPacking::automatic,
         [](PicProgram& p) { ++p.memory[0].words[p.player.addressOf(kByteDelayLabel)]; }},
        {"config word at the wrong address", PicPacking::automatic, [](PicProgram& p) { ++p.memory.back().address; }},
    };
    for (const Fault& fault : faults) {
        PicProgram broken = good.at(fault.packing);
        fault.plant(broken);
        ASSERT_NE(broken.memory, good.at(fault.packing).memory) << fault.name << " planted nothing";
        const PinRecording recording = simulate(chip, broken, cyclesFor(*state, broken), fault.name);
        std::string found = test::checkPlayback(recording, expectedFor(chip, *state, good.at(fault.packing))).fault;
        // The simulator runs on without the config word; its own account of what it loaded shows it.
        test::TempDirectory directory;
        const std::string config = test::describeConfigOnGpsim(directory.path(), chip, formatIntelHex(broken.memory));
        if (found.empty() &&
            config != test::describeConfigOnGpsim(directory.path(), chip, formatIntelHex(good.at(fault.packing).memory))) {
            found = "the simulator loaded another config word";
        }
        EXPECT_NE(found, "") << fault.name << " went unnoticed";
        std::printf("[ caught   ] %s: %s\n", fault.name, found.substr(0, 120).c_str());
    }
    for (const auto& [packing, program] : good) {
        const PinRecording recording = simulate(chip, program, cyclesFor(*state, program), "the same program, unbroken");
        EXPECT_EQ(test::checkPlayback(recording, expectedFor(chip, *state, program)).fault, "");
    }
}

class Pic18OnGpsim : public PlayerEdgesOnGpsim {};

// At the fewest cycles the PIC18 player claims to need, every path fits in
// both storages, the restart of a looping program included.
TEST_F(Pic18OnGpsim, FastestRatesKeepTime) {
    struct Case {
        const char* chip;
        PicPacking packing;
    };
    for (const Case& c : {Case{"18f2520", PicPacking::off}, Case{"18f26k22", PicPacking::automatic}}) {
        const PicChip& chip = *findPicChip(c.chip);
        const char* name = c.chip;
        for (const bool loop : {false, true}) {
            SCOPED_TRACE(std::string(name) + (loop ? " looping" : " once"));
            const std::uint32_t cycles = playerMinCycles(chip, loop, storageFor(chip, c.packing));
            auto state = test::makeEncodedSound(3001, chip.internalClockHz / 4 / cycles, kAlgorithmOneAndHalfBit);
            const Result<PicProgram> built =
                buildPicProgram(*state, {&chip, 0, loop, PicOscillator::internal, c.packing});
            ASSERT_TRUE(built) << built.error();
            const PicProgram& program = *built;
            ASSERT_EQ(program.plan.timing.cyclesPerSample, cycles);
            const std::uint32_t rounds = loop ? 2 : 1;
            const PinRecording recording = simulate(chip, program, cyclesFor(*state, program, rounds), name);
            EXPECT_EQ(test::checkPlayback(recording, expectedFor(chip, *state, program, rounds)).fault, "");
        }
    }
}

// The longest sound there is, 262,500 samples at 15,625 Hz, packed on the
// PIC18F26K22 at 16 MHz: 262,499 encoded in 32,813 bytes, the table pointer's high byte
// carrying 128 times, every pin level at every instant.
TEST_F(Pic18OnGpsim, LongestSoundPlaysPinForPin) {
    const PicChip& chip = *findPicChip("18f26k22");
    auto state = test::makeEncodedSound(kMaxSamples, 15625, kAlgorithmOneAndHalfBit);
    const Result<PicProgram> built = buildPicProgram(*state, {&chip, 16000000, false});
    ASSERT_TRUE(built) << built.error();
    const PicProgram& program = *built;
    ASSERT_EQ(program.plan.timing.cyclesPerSample, 256u);
    ASSERT_EQ(program.memory[1].words.size(), 16407u);

    const PinRecording recording = simulate(chip, program, cyclesFor(*state, program), "18f26k22, longest sound");
    const test::PlaybackCheck check = test::checkPlayback(recording, expectedFor(chip, *state, program));
    ASSERT_EQ(check.fault, "");
    EXPECT_EQ(check.pinA.size(), 262499u);
    expectFilterModelMatches(*state, check);
}

// PIC18 faults planted in a good program: the table's bytes in the wrong
// half of each word, or a ramp bit a cycle short, fail the playback; config
// bytes a word off leave the simulator without the internal oscillator and
// with its watchdog.
TEST_F(Pic18OnGpsim, FaultsAreCaught) {
    const PicChip& chip = *findPicChip("18f26k22");
    auto state = test::makeEncodedSound(4001, 16000, kAlgorithmOneAndHalfBit);
    const Result<PicProgram> built = buildPicProgram(*state, {&chip, 0, false});
    ASSERT_TRUE(built) << built.error();
    const PicProgram& good = *built;
    const ExpectedPlayback expected = expectedFor(chip, *state, good);
    EXPECT_EQ(test::checkPlayback(simulate(chip, good, cyclesFor(*state, good), "18f26k22"), expected).fault, "");

    PicProgram swapped = good;
    for (std::uint16_t& word : swapped.memory[1].words) word = static_cast<std::uint16_t>(word << 8 | word >> 8);
    const std::string found =
        test::checkPlayback(simulate(chip, swapped, cyclesFor(*state, swapped), "bytes swapped"), expected).fault;
    EXPECT_NE(found, "") << "table bytes in the wrong halves went unnoticed";

    // The plain ramp bit's padding, after its two-word call, one cycle short.
    PicProgram shortBit = good;
    shortBit.memory[0].words[good.player.addressOf(kRampLabel) + 2] = pic18::kNop.bits;
    ASSERT_NE(shortBit.memory, good.memory);
    EXPECT_NE(test::checkPlayback(simulate(chip, shortBit, cyclesFor(*state, shortBit), "ramp bit short"), expected).fault,
              "")
        << "a ramp bit a cycle short went unnoticed";

    // Internal oscillator block (FOSC 1000), watchdog off (WDTEN 00).
    auto configOf = [&chip](const PicProgram& program) {
        test::TempDirectory directory;
        return test::describeConfigOnGpsim(directory.path(), chip, formatIntelHex(program.memory));
    };
    const std::string config = configOf(good);
    EXPECT_NE(config.find("FOSC=8 "), std::string::npos) << config;
    EXPECT_NE(config.find("WDT is disabled"), std::string::npos) << config;
    PicProgram shifted = good;
    ++shifted.memory.back().address;
    const std::string shiftedConfig = configOf(shifted);
    EXPECT_TRUE(shiftedConfig.find("FOSC=8 ") == std::string::npos ||
                shiftedConfig.find("WDT is disabled") == std::string::npos)
        << "config a word off went unnoticed:\n" << shiftedConfig;
}

// A bank of three short sounds started by pins: each press, 0.2 s after the
// sound before has ended, plays its sound bit for bit within a quarter of a
// second; a press while a sound plays is ignored; the chip sleeps in between.
struct BankCase {
    const char* chip;
    std::uint32_t clockHz;  // 0: internal oscillator
    PicPacking packing;
    std::int8_t algorithmType;
};

std::string bankCaseName(const testing::TestParamInfo<BankCase>& bank) { return bank.param.chip; }

class TriggerOnGpsim : public testing::TestWithParam<BankCase> {
protected:
    void SetUp() override {
        if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
        const BankCase& c = GetParam();
        chip_ = findPicChip(c.chip);
        ASSERT_NE(chip_, nullptr);
        for (const std::uint32_t samples : {1003u, 801u, 1207u}) {
            states_.push_back(test::makeEncodedSound(samples, 8000, c.algorithmType));
            sounds_.push_back(states_.back().get());
        }
    }

    Result<PicProgram> build(PlayTrigger trigger) const {
        const BankCase& c = GetParam();
        PicProgramSettings settings{chip_, c.clockHz, false, defaultOscillator(*chip_, c.clockHz), c.packing};
        settings.trigger = trigger;
        return buildPicBank(sounds_, settings);
    }

    // The simulator's name of a trigger pin ("gpio2", "portc3").
    static std::string stimulusPin(const TriggerPin& pin) {
        std::string name(pin.portName);
        for (char& letter : name) letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        return name + std::to_string(pin.bit);
    }

    // Cycles of one play of sound k: both ramps, its samples, a little slack.
    std::uint64_t playCycles(const PicProgram& program, std::size_t k) const {
        const PlayerRamp ramp = rampOf(*sounds_[k], program, false);
        return std::uint64_t{program.plan.sounds[k].storedSamples + 2} * program.plan.timing.cyclesPerSample +
               std::uint64_t{ramp.upWrites + ramp.downWrites + 2} * kRampCyclesPerBit;
    }

    // The register cleared before each sleep: a player that polls instead
    // of sleeping clears it over and over. (gpsim sleeps even with the flag
    // left set, so a flag never cleared goes unseen here.)
    std::string changeFlags() const {
        return chip_->family == PicFamily::enhancedMidRange ? "iocaf" : "intcon";
    }

    // Runs the program with the pins driven; a few flag clears per input
    // edge at most: the chip sleeps between them.
    PinRecording run(const PicProgram& program, std::uint64_t cycles, const std::vector<test::PinStimulus>& inputs) const {
        test::TempDirectory directory;
        PinRecording recording =
            test::runOnGpsim(directory.path(), *chip_, formatIntelHex(program.memory), cycles, inputs, changeFlags());
        std::size_t edges = 0;
        for (const test::PinStimulus& input : inputs) edges += input.levels.size();
        EXPECT_GT(recording.watchedWrites.size(), 0u) << "no " << changeFlags() << " write seen";
        EXPECT_LE(recording.watchedWrites.size(), 2 * edges + 2) << "the chip does not sleep between presses";
        return recording;
    }

    // Each play is a run of port writes, the chip asleep between them; play
    // k must start soon after press k and be sound played[k], bit for bit.
    void expectPlays(const PicProgram& program, const PinRecording& recording,
                     const std::vector<std::uint64_t>& pressedAt, const std::vector<std::size_t>& played) const {
        ASSERT_TRUE(recording.reachedEnd) << recording.output;
        std::vector<std::vector<std::uint64_t>> plays;
        const std::uint64_t gap = 4 * std::uint64_t{program.plan.timing.cyclesPerSample};
        for (std::size_t i = 1; i < recording.portWrites.size(); ++i) {
            if (plays.empty() || recording.portWrites[i] - recording.portWrites[i - 1] > gap) plays.emplace_back();
            plays.back().push_back(recording.portWrites[i]);
        }
        ASSERT_EQ(plays.size(), played.size()) << "plays, not one for each press that should play";
        const std::uint64_t perSecond = program.plan.clockHz / 4;
        for (std::size_t k = 0; k < played.size(); ++k) {
            SCOPED_TRACE("play " + std::to_string(k + 1) + ", sound " + std::to_string(played[k] + 1));
            ASSERT_GE(plays[k].front(), pressedAt[k]) << "a play before its press";
            EXPECT_LT(plays[k].front() - pressedAt[k], perSecond / 4) << "the sound starts late";
            PinRecording play = recording;
            play.portWrites = plays[k];
            play.portWrites.insert(play.portWrites.begin(), plays[k].front() - 1);  // stands for the start-up write
            const test::PlaybackCheck check =
                test::checkPlayback(play, expectedFor(*chip_, *sounds_[played[k]], program));
            EXPECT_EQ(check.fault, "");
        }
    }

    const PicChip* chip_ = nullptr;
    std::vector<std::unique_ptr<ProgramState>> states_;
    std::vector<const ProgramState*> sounds_;
};

constexpr std::uint64_t kPressCycles = 10000;

class TriggerPinsOnGpsim : public TriggerOnGpsim {};

// Pins 2, 1 and 3 in turn; pin 1 again halfway through the first play.
TEST_P(TriggerPinsOnGpsim, EachPressPlaysItsSound) {
    const Result<PicProgram> built = build(PlayTrigger::pins);
    ASSERT_TRUE(built) << built.error();
    const PicProgram& program = *built;
    const std::uint64_t step = program.plan.clockHz / 4 / 5;  // 0.2 s
    const std::vector<std::size_t> order{1, 0, 2};
    std::vector<test::PinStimulus> presses;
    std::vector<std::uint64_t> pressedAt;
    std::uint64_t at = step;
    for (const std::size_t k : order) {
        presses.push_back({stimulusPin(chip_->triggerPins[k]), {{at, 0}, {at + kPressCycles, 1}}});
        pressedAt.push_back(at);
        at += playCycles(program, k) + step;
    }
    const std::uint64_t during = pressedAt[0] + playCycles(program, order[0]) / 2;
    presses.push_back({stimulusPin(chip_->triggerPins[order[1]]), {{during, 0}, {during + kPressCycles, 1}}});

    expectPlays(program, run(program, at, presses), pressedAt, order);
}

INSTANTIATE_TEST_SUITE_P(TriggerChips, TriggerPinsOnGpsim,
                         testing::Values(BankCase{"16f628a", 0, PicPacking::off, kAlgorithmOneBit},
                                         BankCase{"16f877a", 4000000, PicPacking::automatic, kAlgorithmOneAndHalfBit},
                                         BankCase{"16f887", 0, PicPacking::automatic, kAlgorithmOneBit},
                                         BankCase{"12f683", 0, PicPacking::off, kAlgorithmOneAndHalfBit},
                                         BankCase{"12f1840", 0, PicPacking::automatic, kAlgorithmOneBit},
                                         BankCase{"18f2520", 0, PicPacking::automatic, kAlgorithmOneAndHalfBit}),
                         bankCaseName);

class TriggerSelectOnGpsim : public TriggerOnGpsim {};

// The controller sets the number on the select pins, then pulls the strobe
// low: numbers 2, 0 and 1 play sounds 3, 1 and 2; a number past the bank
// (one that needs the top select bit) plays nothing, and a strobe halfway
// through a play is ignored.
TEST_P(TriggerSelectOnGpsim, EachStrobePlaysTheSelectedSound) {
    const Result<PicProgram> built = build(PlayTrigger::select);
    ASSERT_TRUE(built) << built.error();
    const PicProgram& program = *built;
    const std::size_t bits = triggerPinCount(*chip_) - 1;
    const std::size_t beyond = std::max<std::size_t>(std::size_t{1} << (bits - 1), sounds_.size());
    const std::uint64_t step = program.plan.clockHz / 4 / 5;  // 0.2 s
    const std::vector<std::size_t> numbers{2, beyond, 0, 1};

    std::vector<test::PinStimulus> lines(bits + 1);
    for (std::size_t pin = 0; pin <= bits; ++pin) lines[pin].pin = stimulusPin(chip_->triggerPins[pin]);
    std::vector<std::uint64_t> pressedAt;
    std::vector<std::size_t> played;
    std::uint64_t at = step;
    for (const std::size_t number : numbers) {
        for (std::size_t bit = 0; bit < bits; ++bit) {
            lines[bit + 1].levels.push_back({at - kPressCycles, static_cast<int>(number >> bit & 1)});
        }
        lines[0].levels.push_back({at, 0});
        lines[0].levels.push_back({at + kPressCycles, 1});
        if (number >= sounds_.size()) {
            at += playCycles(program, 2) + step;  // room for the longest sound, should one play
            continue;
        }
        pressedAt.push_back(at);
        played.push_back(number);
        if (played.size() == 1) {
            const std::uint64_t during = at + playCycles(program, number) / 2;
            lines[0].levels.push_back({during, 0});
            lines[0].levels.push_back({during + kPressCycles, 1});
        }
        at += playCycles(program, number) + step;
    }

    expectPlays(program, run(program, at, lines), pressedAt, played);
}

// gpsim 0.31 flags a change on PORTA of the 16F1709 but not on its PORTB or
// PORTC: its strobe is RA2, its number on PORTC.
INSTANTIATE_TEST_SUITE_P(OneChipOfEachKind, TriggerSelectOnGpsim,
                         testing::Values(BankCase{"16f628a", 0, PicPacking::off, kAlgorithmOneAndHalfBit},
                                         BankCase{"12f683", 0, PicPacking::off, kAlgorithmOneBit},
                                         BankCase{"16f1709", 0, PicPacking::automatic, kAlgorithmOneBit},
                                         BankCase{"18f26k22", 0, PicPacking::off, kAlgorithmOneAndHalfBit}),
                         bankCaseName);

// ryxenc --include: the routine in the user's own program. A main program
// at word 0x10 drives the port's pin 5 high (and under "1 bit" pin B, which
// the routine leaves alone, low), then calls ryx_play for sound 1 and then
// sound 0 (with pagesel where the routine sits in another page); gpasm
// assembles it with the include, and on the simulator both sounds play bit
// for bit, one after the other, every port write keeping pin 5 high. A PIC18
// main program sets its internal clock up and a BSR of its own, which the
// routine must give back, and everything goes through the port's latch.
struct RoutineCase {
    const char* chip;
    std::uint32_t clockHz;  // 0: internal oscillator
    std::uint32_t org;
    PicPacking packing;
    std::int8_t algorithmType;
};

class RoutineOnGpsim : public testing::TestWithParam<RoutineCase> {
protected:
    void SetUp() override {
        if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
        if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    }
};

constexpr unsigned kKeptPin = 5;
// Written by the PIC18 main program, checked after both calls.
constexpr std::uint8_t kCallersBank = 0x0C;
constexpr auto kBankShownOnLatch = static_cast<std::uint8_t>(kCallersBank << 4 | 1u << kKeptPin);
constexpr std::uint16_t kLatchOffset = 9;  // LATB at PORTB + 9

// Each config record's two bytes at their byte addresses.
std::string pic18MainProgram(const PicChip& chip, const PicProgram& program, bool twoPins) {
    std::string text = "        list    p=" + std::string(chip.processor) + "\n        errorlevel -212\n";
    for (const ConfigRecord& record : configRecordsFor(chip, program.plan.oscillator, program.plan.clockHz)) {
        for (std::uint32_t half = 0; half < 2; ++half) {
            text += "        __config " + formatHexWord(2 * record.address + half) + ", " +
                    formatHexWord(record.value >> (8 * half) & 0xFFu) + "\n";
        }
    }
    const std::string latch = formatHexWord(chip.portAddress + kLatchOffset);
    const std::string tris = formatHexWord(chip.trisAddress);
    text += "        org     0\n        goto    start\n        org     0x20\nstart:\n";
    for (const RegisterSetting& setting : chip.internalClockSetup) {
        text += "        movlw   " + formatHexWord(setting.value) + "\n        movwf   " + formatHexWord(setting.address) +
                ", 0\n";
    }
    text += "        movlb   " + formatHexWord(kCallersBank) + "\n";
    text += "        bcf     " + tris + ", " + std::to_string(kKeptPin) + ", 0\n";
    if (!twoPins) text += "        bcf     " + tris + ", 1, 0\n";
    text += "        bsf     " + latch + ", " + std::to_string(kKeptPin) + ", 0\n";
    for (const char* sound : {"1", "0"}) text += std::string("        movlw   ") + sound + "\n        call    ryx_play\n";
    // The caller's BSR, given back, goes to the latch's bits 6 and 7 (inputs), pin 5 kept high.
    text += "        swapf   0xFE0, w, 0\n        iorlw   " + formatHexWord(1u << kKeptPin) + "\n        movwf   " + latch +
            ", 0\n";
    return text + "idle:   bra     idle\n        include \"sounds.inc\"\n        end\n";
}

std::string mainProgram(const PicChip& chip, const PicProgram& program, bool twoPins) {
    const bool otherPage = program.player.origin() >= 2048;
    const std::string port = formatHexWord(chip.portAddress);
    const std::string tris = formatHexWord(chip.trisAddress & 0x7Fu);
    std::string text = "        list    p=" + std::string(chip.processor) + "\n";
    for (const ConfigRecord& record : configRecordsFor(chip, program.plan.oscillator, program.plan.clockHz)) {
        text += "        __config " + formatHexWord(record.address) + ", " + formatHexWord(record.value) + "\n";
    }
    text += "        org     0\n        goto    start\n        org     0x10\nstart:\n";
    if (chip.processor == "16f628a") text += "        movlw   0x07\n        movwf   0x1F            ; CMCON: comparators off\n";
    text += "        banksel " + formatHexWord(chip.trisAddress) + "\n        bcf     " + tris + ", " +
            std::to_string(kKeptPin) + "\n";
    if (!twoPins) text += "        bcf     " + tris + ", 1\n";
    text += "        banksel " + port + "\n        bsf     " + port + ", " + std::to_string(kKeptPin) + "\n";
    for (const char* sound : {"1", "0"}) {
        text += std::string("        movlw   ") + sound + "\n";
        if (otherPage) text += "        pagesel ryx_play\n";
        text += "        call    ryx_play\n";
        if (otherPage) text += "        pagesel $\n";
    }
    return text + "idle:   goto    idle\n        include \"sounds.inc\"\n        end\n";
}

TEST_P(RoutineOnGpsim, PlaysTheSoundsWNamesInTheUsersProgram) {
    const RoutineCase& c = GetParam();
    const PicChip& chip = *findPicChip(c.chip);
    std::vector<std::unique_ptr<ProgramState>> states;
    std::vector<const ProgramState*> sounds;
    for (const std::uint32_t samples : {2003u, 1601u}) {
        states.push_back(test::makeEncodedSound(samples, 8000, c.algorithmType));
        sounds.push_back(states.back().get());
    }
    PicProgramSettings settings{&chip, c.clockHz, false, defaultOscillator(chip, c.clockHz), c.packing};
    settings.form = PlayerForm::routine;
    settings.org = c.org;
    settings.ram = defaultRoutineRam(chip);
    const bool pic18 = chip.family == PicFamily::pic18;
    if (storageFor(chip, c.packing) == PicStorage::packed14 && !programReadOn(chip).reads) {
        GTEST_SKIP() << "gpsim's " << chip.name << " does not read its program memory";
    }
    const Result<PicProgram> built = buildPicBank(sounds, settings);
    ASSERT_TRUE(built) << built.error();
    const PicProgram& program = *built;
    ASSERT_EQ(program.memory.size(), 3u) << "the routine and two tables, no config word";

    test::TempDirectory directory;
    ASSERT_TRUE(writePicRoutineInclude(sounds, settings, directory / "sounds.inc"));
    const bool twoPins = c.algorithmType == kAlgorithmOneAndHalfBit;
    std::ofstream(directory / "main.asm") << (pic18 ? pic18MainProgram(chip, program, twoPins)
                                                    : mainProgram(chip, program, twoPins));
    const std::string command = "cd '" + directory.path().string() + "' && gpasm -o main.hex main.asm > gpasm.out 2>&1";
    const bool assembled = std::system(command.c_str()) == 0;
    std::ifstream said(directory / "gpasm.out");
    const std::string messages((std::istreambuf_iterator<char>(said)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(assembled) << messages;
    std::ifstream hexFile(directory / "main.hex");
    const std::string hex((std::istreambuf_iterator<char>(hexFile)), std::istreambuf_iterator<char>());

    const std::size_t order[] = {1, 0};
    std::vector<ExpectedPlayback> expected;
    std::vector<std::size_t> writes;
    std::uint64_t cycles = 0;
    for (const std::size_t k : order) {
        expected.push_back(expectedFor(chip, *sounds[k], program));
        writes.push_back(1 + expected.back().rampUp + expected.back().pinA.size() + expected.back().rampDown + 1);
        cycles += kStartUpCycles + (expected.back().pinA.size() + 2) * program.plan.timing.cyclesPerSample +
                  (writes.back() - expected.back().pinA.size()) * kRampCyclesPerBit;
    }
    PinRecording recording = test::runOnGpsim(directory.path(), chip, hex, cycles, {}, pic18 ? "latb" : "");
    ASSERT_TRUE(recording.reachedEnd) << recording.output;
    if (pic18) {
        recording.portWrites = recording.watchedWrites;
        recording.portValues = recording.watchedValues;
    }
    // The main program's own write of pin 5, then the two plays (on a PIC18
    // then the caller's BSR, shown on the latch).
    ASSERT_EQ(recording.portWrites.size(), 1 + writes[0] + writes[1] + (pic18 ? 1 : 0));
    if (pic18) {
        EXPECT_EQ(recording.portValues.back(), kBankShownOnLatch) << "the caller's BSR not given back";
    }
    std::size_t from = 1;
    for (std::size_t play = 0; play < 2; ++play) {
        SCOPED_TRACE("sound " + std::to_string(order[play]));
        PinRecording one = recording;
        one.portWrites.assign(recording.portWrites.begin() + static_cast<std::ptrdiff_t>(from),
                              recording.portWrites.begin() + static_cast<std::ptrdiff_t>(from + writes[play]));
        const test::PlaybackCheck check = test::checkPlayback(one, expected[play]);
        EXPECT_EQ(check.fault, "");
        from += writes[play];
    }
    for (std::size_t i = 0; i < recording.portValues.size(); ++i) {
        ASSERT_EQ(recording.portValues[i] >> kKeptPin & 1u, 1u) << "port write " << i << " dropped pin " << kKeptPin;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chips, RoutineOnGpsim,
    testing::Values(RoutineCase{"16f628a", 0, 0x400, PicPacking::off, kAlgorithmOneBit},
                    RoutineCase{"16f877a", 4000000, 0x900, PicPacking::automatic, kAlgorithmOneAndHalfBit},
                    // In page 2, its tables running on into page 3.
                    RoutineCase{"16f877a", 4000000, 0x1700, PicPacking::off, kAlgorithmOneAndHalfBit},
                    RoutineCase{"16f1825", 0, kDefaultRoutineOrg, PicPacking::automatic, kAlgorithmOneAndHalfBit},
                    // At its internal 16 MHz, across word 0x800 that no PIC18 call minds.
                    RoutineCase{"18f26k22", 0, 0x7C0, PicPacking::automatic, kAlgorithmOneAndHalfBit},
                    RoutineCase{"18f2520", 0, kDefaultRoutineOrg, PicPacking::off, kAlgorithmOneBit}),
    [](const testing::TestParamInfo<RoutineCase>& c) {
        return std::string(c.param.chip) + "_at_" + formatHexWord(c.param.org);
    });

}  // namespace
}  // namespace ryx
