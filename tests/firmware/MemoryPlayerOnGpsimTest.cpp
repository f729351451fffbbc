// The player streaming from a serial memory, on gpsim: its own 24LC256
// model preloaded with the memory's image, or our spi_flash module serving
// it as a W25Q32, on the chip's memory pins.
// - every sample on its pin at its instant, as from the chip's tables: a bit
//   clocked in late or twice, a wrong index entry or address, a byte boundary
//   longer than the others;
// - the bus's recorded edges (the TRIS writes that pull a line low or let it
//   go) at 20 MHz against the memory's minimums: a pad counted short.

#include "GpsimRun.h"
#include "TestSound.h"

#include "core/Encoder.h"
#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"
#include "firmware/PicProgram.h"
#include "firmware/PicRoutineInclude.h"
#include "firmware/PlayerCode.h"
#include "firmware/SoundStorage.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <cstdio>

namespace ryx {
namespace {

constexpr std::uint64_t kStartUpCycles = 20000;  // set-up and the index read, generously

std::string lower(std::string_view name) {
    std::string result(name);
    for (char& ch : result) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return result;
}

struct StreamCase {
    const char* chip;
    std::uint32_t clockHz;  // 0: the internal oscillator
    std::uint32_t sampleRate;
    std::uint32_t seconds10;  // tenths of a second of sound
    std::int8_t algorithmType;
    const char* memory = "24LC256";
};

struct StreamProgram {
    PlayerSettings settings;
    std::string hex;
    std::vector<std::uint8_t> image;
    std::uint32_t samples = 0;  // in the index
};

StreamProgram streamProgram(const StreamCase& c, const ProgramState& state, const SerialMemory& memory) {
    StreamProgram p;
    p.samples = state.encoder.sampleCount - 1;  // the last sample has no bit
    const SoundBits bits(state.bitStream.data(), p.samples);
    const auto image = memoryImage(memory, std::span(&bits, 1), c.sampleRate);
    EXPECT_TRUE(image);
    p.image = *image;
    p.settings.chip = findPicChip(c.chip);
    p.settings.clockHz = c.clockHz != 0 ? c.clockHz : p.settings.chip->internalClockHz;
    p.settings.cyclesPerSample = p.settings.clockHz / 4 / c.sampleRate;
    p.settings.tableReads = (p.samples + 7) / 8;
    p.settings.twoPins = c.algorithmType == kAlgorithmOneAndHalfBit;
    p.settings.oscillator = c.clockHz != 0 ? PicOscillator::crystal : PicOscillator::internal;
    p.settings.memory = &memory;
    const PicAssembly player = buildPlayer(p.settings);
    std::vector<ProgramWords> words{{player.origin(), player.words()}};
    const bool soOnReset = memory.bus == MemoryBus::spi && p.settings.chip->memoryPins.resetPinConfigMask != 0;
    for (const ConfigRecord& record :
         configRecordsFor(*p.settings.chip, p.settings.oscillator, p.settings.clockHz, soOnReset)) {
        words.push_back({record.address, {record.value}});
    }
    p.hex = formatIntelHex(words);
    return p;
}

std::string pinName(const MemoryPin& pin) { return lower(pin.portName) + std::to_string(pin.bit); }

// gpsim's 24LC256 on SCL and SDA with their pull-ups, each image byte preloaded.
std::string eepromWiring(const PicChip& chip, const std::vector<std::uint8_t>& image) {
    std::string wiring = "module load e24xx256 ee\nmodule load pullup pu1\nmodule load pullup pu2\n"
                         "node nscl\nnode nsda\n";
    wiring += "attach nscl " + pinName(chip.memoryPins.scl) + " ee.SCL pu1.pin\n";
    wiring += "attach nsda " + pinName(chip.memoryPins.sda) + " ee.SDA pu2.pin\n";
    for (std::size_t i = 0; i < image.size(); ++i) {
        wiring += "ee.eeData[" + std::to_string(i) + "] = " + std::to_string(image[i]) + "\n";
    }
    return wiring;
}

// Our spi_flash module serving image.bin, SO pulled up.
std::string flashWiring(const PicChip& chip, const SerialMemory& memory) {
    std::string wiring = "module lib " + std::string(RYX_FLASH_MODULES) +
                         "\nmodule load spi_flash mem\nmem.image = \"image.bin\"\nmem.size = " +
                         std::to_string(memory.sizeBytes) + "\nmodule load pullup pu\n";
    const ChipMemoryPins& pins = chip.memoryPins;
    for (const auto& [role, pin] : {std::pair{"CS", &pins.cs}, std::pair{"SCK", &pins.sck}, std::pair{"SI", &pins.si},
                                    std::pair{"SO", &pins.so}}) {
        wiring += "node n" + std::string(role) + "\nattach n" + role + " " + pinName(*pin) + " mem." + role +
                  (std::string(role) == "SO" ? " pu.pin" : "") + "\n";
    }
    return wiring;
}

// A single sound plays whole bytes (the last byte's unused bits are 0)
// unless the program knows its last byte's samples; a bank's sounds take
// theirs from the index.
test::ExpectedPlayback expectedFor(const PlayerSettings& settings, const ProgramState& state, std::uint32_t samples,
                                   bool wholeBytes = true) {
    test::ExpectedPlayback expected;
    std::uint8_t before = 0;
    for (std::uint32_t i = 0; i < (wholeBytes ? (samples + 7) / 8 * 8 : samples); ++i) {
        const std::uint8_t bit = i < samples ? state.bitStream[i] : 0;
        expected.pinA.push_back(bit);
        expected.pinB.push_back(settings.twoPins ? before : 0);
        before = bit;
    }
    const PlayerRamp ramp = playerRamp(settings.clockHz, settings.twoPins, false);
    expected.cyclesPerSample = settings.cyclesPerSample;
    expected.rampUp = ramp.upWrites;
    expected.rampDown = ramp.downWrites;
    expected.rampCycles = kRampCyclesPerBit;
    return expected;
}

std::uint64_t cyclesFor(const StreamProgram& p) {
    const PlayerRamp ramp = playerRamp(p.settings.clockHz, p.settings.twoPins, false);
    return kStartUpCycles + (std::uint64_t{p.settings.tableReads} * 8 + 2) * p.settings.cyclesPerSample +
           std::uint64_t{ramp.upWrites + ramp.downWrites + 2} * kRampCyclesPerBit;
}

// The lines' levels from the TRIS writes (a set bit: released, high), and
// the shortest time between the edges that each minimum bounds.
struct BusTimes {
    double clockHigh = 1e18, clockLow = 1e18, startSetup = 1e18, startHold = 1e18, stopSetup = 1e18,
           busFree = 1e18, dataSetup = 1e18;
    int starts = 0, stops = 0, clocks = 0;
};

BusTimes busTimes(const test::PinRecording& r, const ChipMemoryPins& pins, std::uint32_t clockHz) {
    const double ns = 4e9 / clockHz;
    BusTimes t;
    int scl = 1, sda = 1;
    double sclRose = -1e18, sclFell = -1e18, sdaChanged = -1e18, started = -1e18, stopped = -1e18;
    for (std::size_t i = 0; i < r.watchedWrites.size(); ++i) {
        const double at = static_cast<double>(r.watchedWrites[i]) * ns;
        const int newScl = r.watchedValues[i] >> pins.scl.bit & 1;
        const int newSda = r.watchedValues[i] >> pins.sda.bit & 1;
        if (newSda != sda) {
            if (scl == 1 && newSda == 0) {
                ++t.starts;
                t.startSetup = std::min(t.startSetup, at - sclRose);
                t.busFree = std::min(t.busFree, at - stopped);
                started = at;
            } else if (scl == 1) {
                ++t.stops;
                t.stopSetup = std::min(t.stopSetup, at - sclRose);
                stopped = at;
            }
            sdaChanged = at;
            sda = newSda;
        }
        if (newScl != scl) {
            if (newScl == 1) {
                ++t.clocks;
                t.clockLow = std::min(t.clockLow, at - sclFell);
                t.dataSetup = std::min(t.dataSetup, at - sdaChanged);
                sclRose = at;
            } else {
                t.clockHigh = std::min(t.clockHigh, at - sclRose);
                if (started > sclRose) t.startHold = std::min(t.startHold, at - started);
                sclFell = at;
            }
            scl = newScl;
        }
    }
    return t;
}

// Every shortest time at or above the memory's minimum.
void expectWithinMinimums(const BusTimes& t, const I2cTiming& m) {
    EXPECT_GE(t.clockHigh, m.clockHighNs);
    EXPECT_GE(t.clockLow, m.clockLowNs);
    EXPECT_GE(t.startSetup, m.startSetupNs);
    EXPECT_GE(t.startHold, m.startHoldNs);
    EXPECT_GE(t.stopSetup, m.stopSetupNs);
    EXPECT_GE(t.busFree, m.busFreeNs);
    EXPECT_GE(t.dataSetup, m.dataSetupNs);
}

// The player writes the sound's port whole; the SPI bus's bit operations on
// the same port are the bus's.
test::PinRecording withoutBusWrites(const test::PinRecording& recording) {
    test::PinRecording played = recording;
    played.portWrites.clear();
    played.portValues.clear();
    for (std::size_t i = 0; i < recording.portWrites.size(); ++i) {
        if (recording.portWriteBitOps[i]) continue;
        played.portWrites.push_back(recording.portWrites[i]);
        played.portValues.push_back(recording.portValues[i]);
    }
    return played;
}

class MemoryPlayerOnGpsim : public testing::TestWithParam<StreamCase> {
protected:
    void SetUp() override {
        if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    }
};

TEST_P(MemoryPlayerOnGpsim, PlaysEveryBitOnTimeWithinTheBusMinimums) {
    const StreamCase& c = GetParam();
    const SerialMemory& memory = *findMemory(c.memory);
    const bool i2c = memory.bus == MemoryBus::i2c;
    if (!i2c && std::string(RYX_FLASH_MODULES).empty()) GTEST_SKIP() << "our gpsim modules are not built";
    auto state = test::makeEncodedSound(c.sampleRate * c.seconds10 / 10, c.sampleRate, c.algorithmType);
    const StreamProgram p = streamProgram(c, *state, memory);
    const PicChip& chip = *p.settings.chip;
    const std::uint32_t clockHz = p.settings.clockHz;

    test::TempDirectory directory;
    test::writeFileBytes(directory.path() / "image.bin", p.image);
    const auto started = std::chrono::steady_clock::now();
    const test::PinRecording recording =
        test::runOnGpsim(directory.path(), chip, p.hex, cyclesFor(p), {},
                         lower(i2c ? chip.memoryPins.scl.trisName : chip.memoryPins.sck.portName),
                         i2c ? eepromWiring(chip, p.image) : flashWiring(chip, memory));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("[ gpsim    ] %s at %u Hz from the %s: %.1f s of sound in %.2f s\n", c.chip, clockHz, c.memory,
                c.seconds10 / 10.0, wall);
    ASSERT_TRUE(recording.reachedEnd) << recording.output;
    const test::PinRecording played = i2c ? recording : withoutBusWrites(recording);
    const test::PlaybackCheck check = test::checkPlayback(played, expectedFor(p.settings, *state, p.samples));
    ASSERT_EQ(check.fault, "");
    if (!i2c) return;  // the memory's pins share the sound's port: the SPI edges are not apart in the log

    const BusTimes t = busTimes(recording, chip.memoryPins, clockHz);
    const I2cTiming& m = memory.i2c;
    EXPECT_EQ(t.starts, 4) << "two reads of the memory, each an address write and a read";
    EXPECT_EQ(t.stops, 4) << "one to free the bus, after each address write and after the index";
    EXPECT_GE(t.clocks, static_cast<int>(p.settings.tableReads * 9)) << "a clock per bit and acknowledge";
    const struct {
        const char* what;
        double measured;
        std::uint32_t minimum;
    } rows[] = {{"SCL high", t.clockHigh, m.clockHighNs},    {"SCL low", t.clockLow, m.clockLowNs},
                {"start set-up", t.startSetup, m.startSetupNs}, {"start hold", t.startHold, m.startHoldNs},
                {"stop set-up", t.stopSetup, m.stopSetupNs},  {"bus free", t.busFree, m.busFreeNs},
                {"data set-up", t.dataSetup, m.dataSetupNs}};
    for (const auto& row : rows) {
        EXPECT_GE(row.measured, row.minimum) << row.what;
        std::printf("[ bus      ] %s: shortest %.0f ns, minimum %u ns\n", row.what, row.measured, row.minimum);
    }
}

std::string caseName(const testing::TestParamInfo<StreamCase>& info) {
    return std::string(info.param.chip) + "_" + info.param.memory + "_" + (info.param.clockHz == 0 ? std::string("internal") : std::to_string(info.param.clockHz / 1000000) + "MHz") +
           (info.param.algorithmType == kAlgorithmOneBit ? "_1bit" : "_15bit");
}

// Whole sounds, as long as a product's: a 16F628A at 4 MHz for 20 s; 15 s
// of "1.5 bit" on the 12F1840, whose memory shares the sound's port; a
// minute on a 16F1825 from a W25Q32 on the sound's port. At 20 MHz, the
// fastest clock, the edges. The 8-pin chips' SPI memories, SO on the reset
// pin with MCLR off in the config word (gpsim plays these the same with MCLR
// on: it does not reset on that pin); the PIC18s.
INSTANTIATE_TEST_SUITE_P(
    FromSerialMemory, MemoryPlayerOnGpsim,
    testing::Values(StreamCase{"16f628a", 4000000, 8000, 200, kAlgorithmOneBit},
                    StreamCase{"16f628a", 20000000, 15625, 5, kAlgorithmOneAndHalfBit},
                    StreamCase{"12f1840", 0, 8000, 150, kAlgorithmOneAndHalfBit},
                    StreamCase{"16f1825", 0, 4000, 600, kAlgorithmOneAndHalfBit, "W25Q32"},
                    StreamCase{"12f683", 0, 8000, 5, kAlgorithmOneAndHalfBit, "W25Q32"},
                    StreamCase{"12f1840", 0, 15625, 5, kAlgorithmOneBit, "25LC1024"},
                    StreamCase{"18f2520", 20000000, 15625, 5, kAlgorithmOneAndHalfBit},
                    StreamCase{"18f26k22", 0, 15625, 5, kAlgorithmOneBit, "W25Q32"}),
    caseName);

// One sound of 65,540 bytes, past what a 16-bit count of reads holds: a
// 16F628A at 20 MHz, 34 cycles a sample, from the W25Q32 plays all its
// 524,317 samples and stops after the last (a count of 16 bits would stop
// after 4 reads, or carry into nothing and play on).
TEST(MemoryPlayerOnGpsim, SoundPastSixteenBitsOfReadsPlaysWhole) {
    if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    if (std::string(RYX_FLASH_MODULES).empty()) GTEST_SKIP() << "our gpsim modules are not built";
    const SerialMemory& memory = *findMemory("W25Q32");
    const PicChip& chip = *findPicChip("16f628a");
    constexpr std::uint32_t kReads = 65540;
    constexpr std::uint32_t kSamples = 8 * kReads - 3;
    std::vector<std::uint8_t> bits(kSamples);
    std::uint32_t noise = 777;
    for (std::uint8_t& bit : bits) {
        noise = noise * 1103515245u + 12345u;
        bit = static_cast<std::uint8_t>(noise >> 30 & 1);
    }
    const SoundBits sound(bits);
    const auto image = memoryImage(memory, std::span(&sound, 1), 125000);
    ASSERT_TRUE(image);

    PlayerSettings settings{&chip, 20000000, 34, PicStorage::retlw, kMostTableReads, false, false};
    settings.lastReadSamples = kSamples - 8 * (kReads - 1);
    settings.memory = &memory;
    const PicAssembly player = buildPlayer(settings);
    std::vector<ProgramWords> words{{player.origin(), player.words()}};
    for (const ConfigRecord& record : configRecordsFor(chip, PicOscillator::crystal, settings.clockHz)) {
        words.push_back({record.address, {record.value}});
    }
    const PlayerRamp ramp = playerRamp(settings.clockHz, false, false);
    test::ExpectedPlayback expected;
    expected.pinA = bits;
    expected.pinB.assign(bits.size(), 0);
    expected.cyclesPerSample = settings.cyclesPerSample;
    expected.rampUp = ramp.upWrites;
    expected.rampDown = ramp.downWrites;
    expected.rampCycles = kRampCyclesPerBit;
    const std::uint64_t cycles = kStartUpCycles + std::uint64_t{kSamples + 2} * settings.cyclesPerSample +
                                 std::uint64_t{ramp.upWrites + ramp.downWrites + 2} * kRampCyclesPerBit;

    test::TempDirectory directory;
    test::writeFileBytes(directory.path() / "image.bin", *image);
    const auto started = std::chrono::steady_clock::now();
    const test::PinRecording recording =
        test::runOnGpsim(directory.path(), chip, formatIntelHex(words), cycles, {},
                         lower(chip.memoryPins.sck.portName), flashWiring(chip, memory));
    std::printf("[ gpsim    ] 16f628a, %u samples from the W25Q32: %.2f s\n", kSamples,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    ASSERT_TRUE(recording.reachedEnd) << recording.output;
    EXPECT_EQ(test::checkPlayback(withoutBusWrites(recording), expected).fault, "");
}

}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

// A bank of three sounds in one image on trigger pins: a 16F628A at 4 MHz
// from the 24LC256, an 18F2520 from the W25Q32. Pins 2, 1 and 3 in turn
// each play their sound bit for bit from the index's entry, every sample
// and no other, one sound after another's read was left in mid-byte.
TEST(MemoryBankOnGpsim, EachPressPlaysItsSoundFromTheMemory) {
    if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    const struct {
        const char* chip;
        const char* memory;
        std::uint32_t crystalHz;  // 0: the internal oscillator
    } cases[] = {{"16f628a", "24LC256", 4000000}, {"18f2520", "W25Q32", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " from the " + c.memory);
        const SerialMemory& memory = *findMemory(c.memory);
        const bool i2c = memory.bus == MemoryBus::i2c;
        if (!i2c && std::string(RYX_FLASH_MODULES).empty()) continue;
        const PicChip& chip = *findPicChip(c.chip);
        std::vector<std::unique_ptr<ProgramState>> states;
        std::vector<SoundBits> bits;
        const std::uint32_t clockHz = c.crystalHz != 0 ? c.crystalHz : chip.internalClockHz;
        PlayerSettings settings{&chip, clockHz, clockHz / 4 / 8000, PicStorage::retlw, 1, true, false};
        settings.oscillator = c.crystalHz != 0 ? PicOscillator::crystal : PicOscillator::internal;
        settings.memory = &memory;
        settings.trigger = PlayTrigger::pins;
        for (const std::uint32_t samples : {1004u, 801u, 1207u}) {
            states.push_back(test::makeEncodedSound(samples + 1, 8000, kAlgorithmOneAndHalfBit));
            bits.emplace_back(states.back()->bitStream.data(), samples);
            settings.bank.push_back({static_cast<std::uint32_t>(settings.bank.size()), (samples + 7) / 8});
        }
        const auto image = memoryImage(memory, bits, 8000);
        ASSERT_TRUE(image);
        const PicAssembly player = buildPlayer(settings);
        std::vector<ProgramWords> words{{player.origin(), player.words()}};
        for (const ConfigRecord& record : configRecordsFor(chip, settings.oscillator, settings.clockHz)) {
            words.push_back({record.address, {record.value}});
        }

        const PlayerRamp ramp = playerRamp(settings.clockHz, true, false);
        const std::uint64_t step = settings.clockHz / 4 / 5;  // 0.2 s
        const std::vector<std::size_t> order{1, 0, 2};
        std::vector<test::PinStimulus> presses;
        std::vector<std::uint64_t> pressedAt;
        std::uint64_t at = step;
        for (const std::size_t k : order) {
            const TriggerPin& pin = chip.triggerPins[k];
            presses.push_back({lower(pin.portName) + std::to_string(pin.bit), {{at, 0}, {at + 10000, 1}}});
            pressedAt.push_back(at);
            at += std::uint64_t{bits[k].size() + 16} * settings.cyclesPerSample +
                  std::uint64_t{ramp.upWrites + ramp.downWrites + 2} * kRampCyclesPerBit + step;
        }
        test::TempDirectory directory;
        test::writeFileBytes(directory.path() / "image.bin", *image);
        const auto started = std::chrono::steady_clock::now();
        const test::PinRecording recording =
            test::runOnGpsim(directory.path(), chip, formatIntelHex(words), at, presses, {},
                             i2c ? eepromWiring(chip, *image) : flashWiring(chip, memory));
        std::printf("[ gpsim    ] %s bank from the %s: %.2f s in %.2f s\n", c.chip, c.memory,
                    static_cast<double>(at) * 4 / settings.clockHz,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        ASSERT_TRUE(recording.reachedEnd) << recording.output;
        // Each play is a run of port writes; the chip sleeps between them.
        std::vector<std::vector<std::uint64_t>> plays;
        for (std::size_t i = 1; i < recording.portWrites.size(); ++i) {
            if (plays.empty() || recording.portWrites[i] - recording.portWrites[i - 1] > 4 * settings.cyclesPerSample) {
                plays.emplace_back();
            }
            plays.back().push_back(recording.portWrites[i]);
        }
        ASSERT_EQ(plays.size(), order.size());
        for (std::size_t n = 0; n < order.size(); ++n) {
            const std::size_t k = order[n];
            SCOPED_TRACE("play " + std::to_string(n + 1) + ", sound " + std::to_string(k + 1));
            ASSERT_GT(plays[n].front(), pressedAt[n]);
            EXPECT_LT(plays[n].front() - pressedAt[n], settings.clockHz / 4 / 4) << "the sound starts late";
            test::PinRecording play = recording;
            play.portWrites = plays[n];
            play.portWrites.insert(play.portWrites.begin(), plays[n].front() - 1);  // stands for the start-up write
            EXPECT_EQ(test::checkPlayback(play, expectedFor(settings, *states[k], static_cast<std::uint32_t>(bits[k].size()), false))
                          .fault,
                      "");
        }
    }
}

}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

// The files ryxenc writes: its --hex on a 16F628A (internal 4 MHz, "1.5 bit",
// 8000 Hz) and its --image preloaded into the 24LC256 play the image's
// sound pin for pin, every sample of its index entry.
TEST(MemoryPlayerOnGpsim, RyxencsProgramAndImagePlay) {
    if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    test::TempDirectory directory;
    const std::filesystem::path folder = directory.path();
    test::writeFileBytes(folder / "in.wav", test::wave46(test::squareSamples(16001)));
    const std::string command = std::string("cd '") + folder.string() + "' && '" + RYXENC_PATH +
                                "' -q --memory 24LC256 --image image.bin --hex program.hex in.wav";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<std::uint8_t> image = test::readFileBytes(folder / "image.bin");
    ASSERT_GE(image.size(), 8u);
    ASSERT_EQ(image[0], 1) << "one sound";
    const std::uint32_t first = (std::uint32_t{image[1]} << 16) | (std::uint32_t{image[2]} << 8) | image[3];
    const std::uint32_t samples = (std::uint32_t{image[5]} << 16) | (std::uint32_t{image[6]} << 8) | image[7];
    ASSERT_EQ(samples, 16000u);
    ASSERT_EQ(image.size(), first + (samples + 7) / 8);

    auto sound = std::make_unique<ProgramState>();  // the image's bits, earliest in the most significant bit
    for (std::uint32_t i = 0; i < samples; ++i) {
        sound->bitStream[i] = static_cast<std::uint8_t>((image[first + i / 8] >> (7 - i % 8)) & 1);
    }
    const PicChip& chip = *findPicChip("16f628a");
    PlayerSettings settings{&chip, 4000000, 125, PicStorage::retlw, (samples + 7) / 8, true, false};
    const PlayerRamp ramp = playerRamp(settings.clockHz, true, false);
    const std::uint64_t cycles = kStartUpCycles + (std::uint64_t{samples} + 10) * settings.cyclesPerSample +
                                 std::uint64_t{ramp.upWrites + ramp.downWrites + 2} * kRampCyclesPerBit;
    const test::PinRecording recording = test::runOnGpsim(folder, chip, test::readFileText(folder / "program.hex"),
                                                          cycles, {}, {}, eepromWiring(chip, image));
    ASSERT_TRUE(recording.reachedEnd) << recording.output;
    EXPECT_EQ(test::checkPlayback(recording, expectedFor(settings, *sound, samples)).fault, "");
}

}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

// A looping sound from each bus runs into its third round in step: the
// new read and its first byte spread over the samples of the sound's last
// byte, no sample late or missing, pin B carrying the last bit of a round
// into the next; the last byte part used at 20 MHz (three samples: the new
// read in four shares), where the bus's edges keep their minimums through
// the new read too; at 4 MHz, a whole last byte, it keeps up with 8000 Hz.
TEST(MemoryPlayerOnGpsim, LoopStartsAgainInStep) {
    if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    const struct {
        StreamCase stream;
        std::uint32_t samples;
    } cases[] = {{{"16f628a", 20000000, 8000, 0, kAlgorithmOneAndHalfBit}, 2403},
                 {{"16f628a", 4000000, 8000, 0, kAlgorithmOneBit}, 1600},
                 {{"16f1825", 0, 15625, 0, kAlgorithmOneAndHalfBit, "W25Q32"}, 3006}};
    for (const auto& c : cases) {
        const SerialMemory& memory = *findMemory(c.stream.memory);
        const bool i2c = memory.bus == MemoryBus::i2c;
        SCOPED_TRACE(std::string(c.stream.chip) + " from the " + c.stream.memory);
        if (!i2c && std::string(RYX_FLASH_MODULES).empty()) continue;
        auto state = test::makeEncodedSound(c.samples + 1, c.stream.sampleRate, c.stream.algorithmType);
        const SoundBits bits(state->bitStream.data(), c.samples);
        const auto image = memoryImage(memory, std::span(&bits, 1), c.stream.sampleRate);
        ASSERT_TRUE(image);
        const PicChip& chip = *findPicChip(c.stream.chip);
        PlayerSettings settings{&chip, c.stream.clockHz != 0 ? c.stream.clockHz : chip.internalClockHz, 0,
                                PicStorage::retlw, (c.samples + 7) / 8, true, true};
        settings.twoPins = c.stream.algorithmType == kAlgorithmOneAndHalfBit;
        settings.cyclesPerSample = settings.clockHz / 4 / c.stream.sampleRate;
        settings.oscillator = c.stream.clockHz != 0 ? PicOscillator::crystal : PicOscillator::internal;
        settings.memory = &memory;
        settings.lastReadSamples = c.samples - 8 * (settings.tableReads - 1);
        const PicAssembly player = buildPlayer(settings);
        std::vector<ProgramWords> words{{player.origin(), player.words()}};
        for (const ConfigRecord& record : configRecordsFor(chip, settings.oscillator, settings.clockHz)) {
            words.push_back({record.address, {record.value}});
        }
        test::ExpectedPlayback expected;
        std::uint8_t before = 0;
        for (int round = 0; round < 3; ++round) {
            for (std::uint32_t i = 0; i < c.samples; ++i) {
                expected.pinA.push_back(state->bitStream[i]);
                expected.pinB.push_back(settings.twoPins ? before : 0);
                before = state->bitStream[i];
            }
        }
        const PlayerRamp ramp = playerRamp(settings.clockHz, settings.twoPins, true);
        expected.cyclesPerSample = settings.cyclesPerSample;
        expected.rampUp = ramp.upWrites;
        expected.rampCycles = kRampCyclesPerBit;
        expected.endsLow = false;
        const std::uint64_t cycles = kStartUpCycles + std::uint64_t{ramp.upWrites + 2} * kRampCyclesPerBit +
                                     (std::uint64_t{c.samples} * 3 + 1) * settings.cyclesPerSample;

        test::TempDirectory directory;
        test::writeFileBytes(directory.path() / "image.bin", *image);
        const auto started = std::chrono::steady_clock::now();
        const test::PinRecording recording = test::runOnGpsim(
            directory.path(), chip, formatIntelHex(words), cycles, {},
            lower(i2c ? chip.memoryPins.scl.trisName : chip.memoryPins.sck.portName),
            i2c ? eepromWiring(chip, *image) : flashWiring(chip, memory));
        std::printf("[ gpsim    ] %s looping from the %s: %.2f s of sound in %.2f s\n", c.stream.chip,
                    c.stream.memory, 3.0 * c.samples / c.stream.sampleRate,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        ASSERT_TRUE(recording.reachedEnd) << recording.output;
        test::PinRecording played = i2c ? recording : withoutBusWrites(recording);
        // The run stops within the third round's last sample or two.
        const std::size_t wanted = 1 + ramp.upWrites + expected.pinA.size();
        ASSERT_GE(played.portWrites.size(), wanted);
        played.portWrites.resize(wanted);
        played.portValues.resize(wanted);
        EXPECT_EQ(test::checkPlayback(played, expected).fault, "");
        if (!i2c || settings.clockHz != 20000000) continue;
        const BusTimes t = busTimes(recording, chip.memoryPins, settings.clockHz);
        EXPECT_GE(t.starts, 8) << "the first read's four and two for each start again";
        const I2cTiming& m = memory.i2c;
        expectWithinMinimums(t, m);
    }
}

}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

// ryxenc --include with a memory: the user's program at word 0x10 drives a
// pin of the sound's port high, then calls ryx_play for sound 1 and sound
// 0 of the memory's index. gpasm assembles it with the include; on the
// simulator both play bit for bit from the index's entries (the last byte
// part used), and every write of the port keeps the user's pin high. On the
// 12F1840 the memory's lines share the sound's port; the 18F2520's routine
// writes the latch and reads an SPI memory.
TEST(MemoryPlayerOnGpsim, RoutinePlaysTheSoundWNamesFromTheMemory) {
    if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    const struct {
        const char* chip;
        const char* memory;
        unsigned keptPin;
        const char* setUp;  // the user's own
    } cases[] = {{"16f628a", "24LC256", 5, "        movlw   0x07\n        movwf   0x1F\n"},
                 {"12f1840", "24LC512", 2, "        banksel 0x18C\n        bcf     0x0C, 2\n"},
                 {"18f2520", "W25Q32", 5, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " from the " + c.memory);
        const PicChip& chip = *findPicChip(c.chip);
        const SerialMemory& memory = *findMemory(c.memory);
        const bool pic18 = chip.family == PicFamily::pic18;
        const bool i2c = memory.bus == MemoryBus::i2c;
        if (!i2c && std::string(RYX_FLASH_MODULES).empty()) continue;
        // A PIC18's routine writes the latch.
        const std::string port = pic18 ? "lat" + lower(chip.portName.substr(4)) : lower(chip.portName);
        std::vector<std::unique_ptr<ProgramState>> states;
        std::vector<const ProgramState*> sounds;
        std::vector<SoundBits> bits;
        for (const std::uint32_t samples : {1203u, 1006u}) {
            states.push_back(test::makeEncodedSound(samples, 8000, kAlgorithmOneAndHalfBit));
            sounds.push_back(states.back().get());
            bits.emplace_back(states.back()->bitStream.data(), storedSampleCount(samples));
        }
        PicProgramSettings settings{&chip, 0, false, PicOscillator::internal};
        settings.form = PlayerForm::routine;
        settings.ram = defaultRoutineRam(chip);
        settings.memory = &memory;
        const Result<PicProgram> built = buildPicBank(sounds, settings);
        ASSERT_TRUE(built) << built.error();
        const auto image = memoryImage(memory, bits, 8000);
        ASSERT_TRUE(image);

        test::TempDirectory directory;
        ASSERT_TRUE(writePicRoutineInclude(sounds, settings, directory.path() / "sounds.inc"));
        std::string main = "        list    p=" + std::string(chip.processor) + "\n";
        for (const ConfigRecord& record : configRecordsFor(chip, PicOscillator::internal, built->plan.clockHz)) {
            if (!pic18) {
                main += "        __config " + formatHexWord(record.address) + ", " + formatHexWord(record.value) + "\n";
                continue;
            }
            for (std::uint32_t half = 0; half < 2; ++half) {
                main += "        __config " + formatHexWord(2 * record.address + half) + ", " +
                        formatHexWord(record.value >> (8 * half) & 0xFFu) + "\n";
            }
        }
        const std::string kept = std::to_string(c.keptPin);
        if (pic18) {
            const std::string latch = formatHexWord(chip.portAddress + 9u);
            main += "        org     0\n        goto    start\n        org     0x20\nstart:\n        bcf     " +
                    formatHexWord(chip.trisAddress) + ", " + kept + ", 0\n        bsf     " + latch + ", " + kept +
                    ", 0\n";
        } else {
            main += "        org     0\n        goto    start\n        org     0x10\nstart:\n" + std::string(c.setUp) +
                    "        banksel " + formatHexWord(chip.trisAddress) + "\n        bcf     " +
                    formatHexWord(chip.trisAddress & 0x7Fu) + ", " + kept + "\n        banksel " +
                    formatHexWord(chip.portAddress) + "\n        bsf     " + formatHexWord(chip.portAddress) + ", " +
                    kept + "\n";
        }
        for (const char* sound : {"1", "0"}) main += std::string("        movlw   ") + sound + "\n        call    ryx_play\n";
        main += std::string(pic18 ? "idle:   bra     idle\n" : "idle:   goto    idle\n") +
                "        include \"sounds.inc\"\n        end\n";
        std::ofstream(directory.path() / "main.asm") << main;
        const std::string command =
            "cd '" + directory.path().string() + "' && gpasm -o main.hex main.asm > gpasm.out 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << test::readFileText(directory.path() / "gpasm.out");

        const std::uint32_t cyclesPerSample = built->plan.timing.cyclesPerSample;
        const PlayerRamp ramp = playerRamp(built->plan.clockHz, true, false);
        const std::size_t order[] = {1, 0};
        std::vector<test::ExpectedPlayback> expected;
        std::uint64_t cycles = 0;
        for (const std::size_t k : order) {
            test::ExpectedPlayback one;
            std::uint8_t before = 0;
            for (const std::uint8_t bit : bits[k]) {
                one.pinA.push_back(bit);
                one.pinB.push_back(before);
                before = bit;
            }
            one.cyclesPerSample = cyclesPerSample;
            one.rampUp = ramp.upWrites;
            one.rampDown = ramp.downWrites;
            one.rampCycles = kRampCyclesPerBit;
            cycles += kStartUpCycles + (one.pinA.size() + 2) * cyclesPerSample +
                      std::uint64_t{ramp.upWrites + ramp.downWrites + 2} * kRampCyclesPerBit;
            expected.push_back(std::move(one));
        }
        const auto started = std::chrono::steady_clock::now();
        test::writeFileBytes(directory.path() / "image.bin", *image);
        test::PinRecording recording = test::runOnGpsim(
            directory.path(), chip, test::readFileText(directory.path() / "main.hex"), cycles, {}, pic18 ? port : "",
            i2c ? eepromWiring(chip, *image) : flashWiring(chip, memory));
        if (pic18) {
            recording.portWrites = recording.watchedWrites;
            recording.portValues = recording.watchedValues;
        }
        std::printf("[ gpsim    ] %s routine from the %s: two sounds in %.2f s\n", c.chip, c.memory,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        ASSERT_TRUE(recording.reachedEnd) << recording.output;
        // The user's write of its pin, then each play: its entry's write,
        // the ramps and samples, the last write.
        std::size_t from = 1;
        for (std::size_t play = 0; play < 2; ++play) {
            SCOPED_TRACE("sound " + std::to_string(order[play]));
            const std::size_t writes = 1 + ramp.upWrites + expected[play].pinA.size() + ramp.downWrites + 1;
            ASSERT_GE(recording.portWrites.size(), from + writes);
            test::PinRecording one = recording;
            one.portWrites.assign(recording.portWrites.begin() + static_cast<std::ptrdiff_t>(from),
                                  recording.portWrites.begin() + static_cast<std::ptrdiff_t>(from + writes));
            one.portValues.assign(recording.portValues.begin() + static_cast<std::ptrdiff_t>(from),
                                  recording.portValues.begin() + static_cast<std::ptrdiff_t>(from + writes));
            EXPECT_EQ(test::checkPlayback(one, expected[play]).fault, "");
            from += writes;
        }
        EXPECT_EQ(recording.portWrites.size(), from) << "no other write of the port";
        // Each movwf of the port from W (the log reads W before the write; it
        // shows a port digit with an undriven pin as "?").
        std::ifstream log(directory.path() / "port.log");
        std::string line;
        bool movwf = false;
        int checked = 0;
        while (std::getline(log, line)) {
            if (line.rfind("0x", 0) == 0) {
                movwf = line.find("movwf\t" + port) != std::string::npos;
            } else if (const std::size_t at = line.find("Read: 0x"); movwf && at != std::string::npos && line.find(" from W") != std::string::npos) {
                ASSERT_EQ(std::stoul(line.substr(at + 8, 4), nullptr, 16) >> c.keptPin & 1u, 1u) << line;
                ++checked;
            }
        }
        EXPECT_EQ(checked, static_cast<int>(from) - 1) << "the routine's every write of the port";
    }
}

}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

// The 24LC1025 reads on only within a 64 KiB block: a sound from 0xFDA8 on
// (sound 0 fills the first block before it) plays its first 600 bytes from
// the first block and the rest from the second, on its trigger pin, every
// sample in step across the new read; at 20 MHz the bus's edges keep their
// minimums there too.
TEST(MemoryPlayerOnGpsim, SoundCrossesThe24LC1025sBlocks) {
    if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    if (std::string(RYX_FLASH_MODULES).empty()) GTEST_SKIP() << "our gpsim modules are not built";
    const SerialMemory& memory = *findMemory("24LC1025");
    const PicChip& chip = *findPicChip("16f628a");
    constexpr std::uint32_t kFirstByte = 0x10000 - 600;
    constexpr std::uint32_t kSamples = 8003;
    std::vector<std::uint8_t> filler((kFirstByte - memoryImageIndexBytes(2)) * 8);
    for (std::size_t i = 0; i < filler.size(); ++i) filler[i] = static_cast<std::uint8_t>(i * 7 % 3 == 0);
    auto state = test::makeEncodedSound(kSamples + 1, 8000, kAlgorithmOneAndHalfBit);
    const SoundBits bits[] = {filler, {state->bitStream.data(), kSamples}};
    const auto image = memoryImage(memory, bits, 8000);
    ASSERT_TRUE(image);
    ASSERT_EQ((std::uint32_t{(*image)[8]} << 16) | (std::uint32_t{(*image)[9]} << 8) | (*image)[10], kFirstByte);

    PlayerSettings settings{&chip, 20000000, 625, PicStorage::retlw, 1, true, false};
    settings.memory = &memory;
    settings.trigger = PlayTrigger::pins;
    for (std::uint32_t k = 0; k < 2; ++k) {
        const auto samples = static_cast<std::uint32_t>(bits[k].size());
        settings.bank.push_back({k, (samples + 7) / 8, samples - (samples + 7) / 8 * 8 + 8});
    }
    const PicAssembly player = buildPlayer(settings);
    std::vector<ProgramWords> words{{player.origin(), player.words()}};
    for (const ConfigRecord& record : configRecordsFor(chip, PicOscillator::crystal, settings.clockHz)) {
        words.push_back({record.address, {record.value}});
    }
    const PlayerRamp ramp = playerRamp(settings.clockHz, true, false);
    const std::uint64_t pressed = 50000;
    const std::uint64_t cycles = pressed + kStartUpCycles + std::uint64_t{kSamples + 16} * settings.cyclesPerSample +
                                 std::uint64_t{ramp.upWrites + ramp.downWrites + 2} * kRampCyclesPerBit;
    const TriggerPin& pin = chip.triggerPins[1];
    test::TempDirectory directory;
    test::writeFileBytes(directory.path() / "image.bin", *image);
    const std::string wiring = "module lib " + std::string(RYX_FLASH_MODULES) +
                               "\nmodule load i2c_24lc1025 ee\nee.image = \"image.bin\"\n"
                               "module load pullup pu1\nmodule load pullup pu2\nnode nscl\nnode nsda\n"
                               "attach nscl " + pinName(chip.memoryPins.scl) + " ee.SCL pu1.pin\n"
                               "attach nsda " + pinName(chip.memoryPins.sda) + " ee.SDA pu2.pin\n";
    const auto started = std::chrono::steady_clock::now();
    test::PinRecording recording = test::runOnGpsim(
        directory.path(), chip, formatIntelHex(words), cycles,
        {{lower(pin.portName) + std::to_string(pin.bit), {{pressed, 0}, {pressed + 10000, 1}}}},
        lower(chip.memoryPins.scl.trisName), wiring);
    std::printf("[ gpsim    ] 16f628a across the 24LC1025's blocks: %.2f s of sound in %.2f s\n",
                kSamples / 8000.0, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    ASSERT_TRUE(recording.reachedEnd) << recording.output;
    ASSERT_GE(recording.portWrites.size(), 2u);
    ASSERT_GT(recording.portWrites[1], pressed) << "a write before the press";
    recording.portWrites.front() = recording.portWrites[1] - 1;  // stands for the start-up write
    EXPECT_EQ(test::checkPlayback(recording, expectedFor(settings, *state, kSamples, false)).fault, "");

    const BusTimes t = busTimes(recording, chip.memoryPins, settings.clockHz);
    EXPECT_EQ(t.starts, 6) << "the index, the sound's first byte, the second block";
    const I2cTiming& m = memory.i2c;
    expectWithinMinimums(t, m);
}

}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

// Our 24LC1025 serving image.bin on the chip's I2C pins.
std::string twentyFourLC1025Wiring(const PicChip& chip) {
    return "module lib " + std::string(RYX_FLASH_MODULES) +
           "\nmodule load i2c_24lc1025 ee\nee.image = \"image.bin\"\n"
           "module load pullup pu1\nmodule load pullup pu2\nnode nscl\nnode nsda\n"
           "attach nscl " + pinName(chip.memoryPins.scl) + " ee.SCL pu1.pin\n"
           "attach nsda " + pinName(chip.memoryPins.sda) + " ee.SDA pu2.pin\n";
}

// A loop's or a routine's image of a long sound 0 that fills the first
// block almost to its end, then `sound`, which would cross and so starts
// at 0x10000; with `swapped` the index's first entry is the second's, the
// sound a single sound's program plays.
std::vector<std::uint8_t> secondBlockImage(SoundBits sound, bool swapped) {
    std::vector<std::uint8_t> filler(8 * (0x10000 - 40 - memoryImageIndexBytes(2)));
    for (std::size_t i = 0; i < filler.size(); ++i) filler[i] = static_cast<std::uint8_t>(i * 5 % 3 == 0);
    const SoundBits bits[] = {filler, sound};
    const auto image = memoryImage(*findMemory("24LC1025"), bits, 8000, ImagePlacement::withinBlocks);
    EXPECT_TRUE(image);
    if (!image) return {};
    std::vector<std::uint8_t> bytes = *image;
    EXPECT_EQ(bytes[8], 1) << "sound 1 in the second block";
    if (swapped) std::copy(bytes.begin() + 8, bytes.begin() + 15, bytes.begin() + 1);
    return bytes;
}

// A loop of a sound in the 24LC1025's second block: its first read and each
// new read over its last byte name the second block (the first block's same
// bytes hold other bits), three rounds in step at 20 MHz, the bus's edges
// keeping their minimums.
TEST(MemoryPlayerOnGpsim, LoopFromThe24LC1025sSecondBlockStaysInStep) {
    if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    if (std::string(RYX_FLASH_MODULES).empty()) GTEST_SKIP() << "our gpsim modules are not built";
    const SerialMemory& memory = *findMemory("24LC1025");
    const PicChip& chip = *findPicChip("16f628a");
    constexpr std::uint32_t kSamples = 1203;
    auto state = test::makeEncodedSound(kSamples + 1, 8000, kAlgorithmOneAndHalfBit);
    const std::vector<std::uint8_t> image = secondBlockImage({state->bitStream.data(), kSamples}, true);
    ASSERT_FALSE(image.empty());

    PlayerSettings settings{&chip, 20000000, 625, PicStorage::retlw, (kSamples + 7) / 8, true, true};
    settings.twoPins = true;
    settings.oscillator = PicOscillator::crystal;
    settings.memory = &memory;
    settings.lastReadSamples = kSamples - 8 * (settings.tableReads - 1);
    const PicAssembly player = buildPlayer(settings);
    std::vector<ProgramWords> words{{player.origin(), player.words()}};
    for (const ConfigRecord& record : configRecordsFor(chip, settings.oscillator, settings.clockHz)) {
        words.push_back({record.address, {record.value}});
    }
    test::ExpectedPlayback expected;
    std::uint8_t before = 0;
    for (int round = 0; round < 3; ++round) {
        for (std::uint32_t i = 0; i < kSamples; ++i) {
            expected.pinA.push_back(state->bitStream[i]);
            expected.pinB.push_back(before);
            before = state->bitStream[i];
        }
    }
    const PlayerRamp ramp = playerRamp(settings.clockHz, true, true);
    expected.cyclesPerSample = settings.cyclesPerSample;
    expected.rampUp = ramp.upWrites;
    expected.rampCycles = kRampCyclesPerBit;
    expected.endsLow = false;
    const std::uint64_t cycles = kStartUpCycles + std::uint64_t{ramp.upWrites + 2} * kRampCyclesPerBit +
                                 (std::uint64_t{kSamples} * 3 + 1) * settings.cyclesPerSample;
    test::TempDirectory directory;
    test::writeFileBytes(directory.path() / "image.bin", image);
    const auto started = std::chrono::steady_clock::now();
    test::PinRecording recording = test::runOnGpsim(directory.path(), chip, formatIntelHex(words), cycles, {},
                                                    lower(chip.memoryPins.scl.trisName), twentyFourLC1025Wiring(chip));
    std::printf("[ gpsim    ] 16f628a looping from the 24LC1025's second block: %.2f s of sound in %.2f s\n",
                3.0 * kSamples / 8000, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    ASSERT_TRUE(recording.reachedEnd) << recording.output;
    const std::size_t wanted = 1 + ramp.upWrites + expected.pinA.size();
    ASSERT_GE(recording.portWrites.size(), wanted);
    recording.portWrites.resize(wanted);
    recording.portValues.resize(wanted);
    EXPECT_EQ(test::checkPlayback(recording, expected).fault, "");
    const BusTimes t = busTimes(recording, chip.memoryPins, settings.clockHz);
    EXPECT_GE(t.starts, 8) << "the first read's four and two for each start again";
    const I2cTiming& m = memory.i2c;
    expectWithinMinimums(t, m);
}

// ryxenc --include with the 24LC1025: the routine made for two sounds
// plays, for W = 1, a sound the image put at the second block's start
// (another sound 0 at the same rate and scheme needs no new program).
TEST(MemoryPlayerOnGpsim, RoutinePlaysASoundFromThe24LC1025sSecondBlock) {
    if (!test::gpsimAvailable()) GTEST_SKIP() << "gpsim is not installed";
    if (std::system("command -v gpasm >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpasm is not installed";
    if (std::string(RYX_FLASH_MODULES).empty()) GTEST_SKIP() << "our gpsim modules are not built";
    const PicChip& chip = *findPicChip("16f628a");
    const SerialMemory& memory = *findMemory("24LC1025");
    std::vector<std::unique_ptr<ProgramState>> states;
    std::vector<const ProgramState*> sounds;
    for (const std::uint32_t samples : {1006u, 1203u}) {
        states.push_back(test::makeEncodedSound(samples, 8000, kAlgorithmOneAndHalfBit));
        sounds.push_back(states.back().get());
    }
    const SoundBits played(states[1]->bitStream.data(), storedSampleCount(1203));
    PicProgramSettings settings{&chip, 0, false, PicOscillator::internal};
    settings.form = PlayerForm::routine;
    settings.ram = defaultRoutineRam(chip);
    settings.memory = &memory;
    const Result<PicProgram> built = buildPicBank(sounds, settings);
    ASSERT_TRUE(built) << built.error();
    const std::vector<std::uint8_t> image = secondBlockImage(played, false);
    ASSERT_FALSE(image.empty());

    test::TempDirectory directory;
    ASSERT_TRUE(writePicRoutineInclude(sounds, settings, directory.path() / "sounds.inc"));
    std::string main = "        list    p=16f628a\n";
    for (const ConfigRecord& record : configRecordsFor(chip, PicOscillator::internal, built->plan.clockHz)) {
        main += "        __config " + formatHexWord(record.address) + ", " + formatHexWord(record.value) + "\n";
    }
    main += "        org     0\n        goto    start\n        org     0x10\nstart:\n        movlw   0x07\n"
            "        movwf   0x1F\n        movlw   1\n        call    ryx_play\nidle:   goto    idle\n"
            "        include \"sounds.inc\"\n        end\n";
    std::ofstream(directory.path() / "main.asm") << main;
    const std::string command = "cd '" + directory.path().string() + "' && gpasm -o main.hex main.asm > gpasm.out 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << test::readFileText(directory.path() / "gpasm.out");

    test::ExpectedPlayback expected;
    std::uint8_t before = 0;
    for (const std::uint8_t bit : played) {
        expected.pinA.push_back(bit);
        expected.pinB.push_back(before);
        before = bit;
    }
    const PlayerRamp ramp = playerRamp(built->plan.clockHz, true, false);
    expected.cyclesPerSample = built->plan.timing.cyclesPerSample;
    expected.rampUp = ramp.upWrites;
    expected.rampDown = ramp.downWrites;
    expected.rampCycles = kRampCyclesPerBit;
    const std::uint64_t cycles = kStartUpCycles + (expected.pinA.size() + 2) * expected.cyclesPerSample +
                                 std::uint64_t{ramp.upWrites + ramp.downWrites + 2} * kRampCyclesPerBit;
    test::writeFileBytes(directory.path() / "image.bin", image);
    const auto started = std::chrono::steady_clock::now();
    test::PinRecording recording =
        test::runOnGpsim(directory.path(), chip, test::readFileText(directory.path() / "main.hex"), cycles, {}, "",
                         twentyFourLC1025Wiring(chip));
    std::printf("[ gpsim    ] 16f628a routine from the 24LC1025's second block in %.2f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    ASSERT_TRUE(recording.reachedEnd) << recording.output;
    // The play alone: its entry's write, the ramps and samples, the last write.
    const std::size_t writes = 1 + ramp.upWrites + expected.pinA.size() + ramp.downWrites + 1;
    ASSERT_EQ(recording.portWrites.size(), writes);
    EXPECT_EQ(test::checkPlayback(recording, expected).fault, "");
}

}  // namespace
}  // namespace ryx
