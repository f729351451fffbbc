#include "TestSound.h"

#include "export/TableLayout.h"
#include "firmware/PicProgram.h"
#include "firmware/PicRoutineInclude.h"
#include "firmware/PlayerCode.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace ryx {
namespace {

TEST(PicChips, FoundByAnySpelling) {
    for (const char* name : {"16f628a", "PIC16F628A", "pic16f628a", "16F628A"}) {
        const PicChip* chip = findPicChip(name);
        ASSERT_NE(chip, nullptr) << name;
        EXPECT_EQ(chip->name, "PIC16F628A");
    }
    for (const char* name : {"", "pic", "16f628", "16f628ax", "12f675"}) EXPECT_EQ(findPicChip(name), nullptr) << name;
}

// DIP pin numbers from each chip's pin diagram.
TEST(PicChips, PinsCarryTheirPackageNumbers) {
    struct Case {
        const char* chip;
        const char* pinA;
        const char* pinB;
    };
    const Case cases[] = {
        {"12f683", "GP0 (pin 7)", "GP1 (pin 6)"},     {"16f628a", "RB0 (pin 6)", "RB1 (pin 7)"},
        {"16f648a", "RB0 (pin 6)", "RB1 (pin 7)"},    {"16f88", "RB0 (pin 6)", "RB1 (pin 7)"},
        {"16f876a", "RB0 (pin 21)", "RB1 (pin 22)"},  {"16f877a", "RB0 (pin 33)", "RB1 (pin 34)"},
        {"16f887", "RB0 (pin 33)", "RB1 (pin 34)"},   {"12f1840", "RA0 (pin 7)", "RA1 (pin 6)"},
        {"16f1825", "RC0 (pin 10)", "RC1 (pin 9)"},   {"16f1709", "RC0 (pin 16)", "RC1 (pin 15)"},
        {"18f2520", "RB0 (pin 21)", "RB1 (pin 22)"},  {"18f26k22", "RB0 (pin 21)", "RB1 (pin 22)"},
    };
    ASSERT_EQ(std::size(cases), picChips().size());
    for (const Case& c : cases) {
        const PicChip& chip = *findPicChip(c.chip);
        EXPECT_EQ(pinLabel(chip.pinA), c.pinA) << c.chip;
        EXPECT_EQ(pinLabel(chip.pinB), c.pinB) << c.chip;
    }
    EXPECT_EQ(defaultPicChip().name, "PIC16F628A");
}

// The values gpasm gives the named settings of its processor headers, e.g.
// _INTOSC_OSC_NOCLKOUT & _WDT_OFF & _PWRTE_ON & _MCLRE_ON & _BOREN_OFF & _LVP_OFF & _CPD_OFF & _CP_OFF.
TEST(PicChips, ConfigWordsForEachOscillator) {
    constexpr auto internal = PicOscillator::internal;
    constexpr auto crystal = PicOscillator::crystal;
    struct Case {
        const char* chip;
        PicOscillator oscillator;
        std::uint32_t clock;
        std::uint16_t config;
    };
    const Case cases[] = {
        {"12f683", internal, 8000000, 0x30E4},   {"12f683", crystal, 20000000, 0x30E2},
        {"12f683", crystal, 4000000, 0x30E1},    {"12f683", crystal, 8000000, 0x30E2},
        {"16f628a", internal, 4000000, 0x3F30},  {"16f628a", crystal, 4000000, 0x3F21},
        {"16f628a", crystal, 20000000, 0x3F22},  {"16f628a", crystal, 32768, 0x3F20},
        {"16f648a", internal, 4000000, 0x3F30},  {"16f88", internal, 8000000, 0x3F30},
        {"16f88", crystal, 8000000, 0x3F22},     {"16f88", crystal, 4000000, 0x3F21},
        {"16f877a", crystal, 20000000, 0x3F32},  {"16f877a", crystal, 4000000, 0x3F31},
        {"16f876a", crystal, 200000, 0x3F30},    {"16f887", internal, 8000000, 0x20E4},
        {"16f887", crystal, 10000000, 0x20E2},
        // PIC18: CONFIG1H in the high byte (_OSC_INTIO67_1H & _FCMEN_OFF_1H & _IESO_OFF_1H...).
        {"18f2520", internal, 8000000, 0x0800},  {"18f2520", crystal, 20000000, 0x0200},
        {"18f2520", crystal, 16000000, 0x0200},  {"18f2520", crystal, 4000000, 0x0100},
        {"18f2520", crystal, 32768, 0x0000},     {"18f26k22", internal, 16000000, 0x2800},
        {"18f26k22", crystal, 20000000, 0x2200}, {"18f26k22", crystal, 16000000, 0x2300},  // HSHP, HSMP
        {"18f26k22", crystal, 4000001, 0x2300},  {"18f26k22", crystal, 4000000, 0x2100},
        {"18f26k22", crystal, 200000, 0x2000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(configWordFor(*findPicChip(c.chip), c.oscillator, c.clock), c.config)
            << c.chip << (c.oscillator == internal ? " internal" : " crystal") << " at " << c.clock;
    }
    EXPECT_THROW(configWordFor(*findPicChip("16f877a"), internal, 4000000), std::invalid_argument);
    EXPECT_EQ(findPicChip("16f88")->config[1].value, 0x3FFC);  // _FCMEN_OFF & _IESO_OFF
}

// Without a named oscillator the clock decides as it always did; a crystal at
// the internal oscillator's frequency is a choice of its own.
TEST(PicProgram, OscillatorFollowsTheChoice) {
    constexpr auto internal = PicOscillator::internal;
    constexpr auto crystal = PicOscillator::crystal;
    auto state = test::makeEncodedSound(8000, 8000, kAlgorithmOneBit);
    struct Case {
        PicProgramSettings settings;
        const char* refusal;  // part of the message, or null when the program is made
        PicOscillator oscillator;
        std::uint32_t clock;
        std::uint16_t config;
    };
    const PicChip* pic628 = findPicChip("16f628a");
    const PicChip* pic88 = findPicChip("16f88");
    const PicChip* pic877 = findPicChip("16f877a");
    const Case cases[] = {
        {{pic628, 0, false}, nullptr, internal, 4000000, 0x3F30},
        {{pic628, 4000000, false}, nullptr, internal, 4000000, 0x3F30},
        {{pic628, 20000000, false}, nullptr, crystal, 20000000, 0x3F22},
        {{pic628, 4000000, false, crystal}, nullptr, crystal, 4000000, 0x3F21},
        {{pic88, 8000000, false, crystal}, nullptr, crystal, 8000000, 0x3F22},
        {{pic877, 4000000, false}, nullptr, crystal, 4000000, 0x3F31},
        {{pic628, 20000000, false, internal}, "internal oscillator runs at 4000000 Hz, not 20000000 Hz", {}, 0, 0},
        {{pic628, 0, false, crystal}, "a crystal needs a clock", {}, 0, 0},
        {{pic877, 4000000, false, internal}, "PIC16F877A has no internal oscillator: choose a crystal", {}, 0, 0},
        {{pic877, 0, false}, "PIC16F877A has no internal oscillator: give its crystal's frequency", {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.settings.chip->name) + " at " + std::to_string(c.settings.clockHz));
        const Result<PicProgram> program = buildPicProgram(*state, c.settings);
        if (c.refusal != nullptr) {
            EXPECT_NE(program.error().find(c.refusal), std::string::npos) << program.error();
            continue;
        }
        ASSERT_TRUE(program) << program.error();
        EXPECT_EQ(program->plan.oscillator, c.oscillator);
        EXPECT_EQ(program->plan.clockHz, c.clock);
        EXPECT_EQ(program->memory.back().words.front(), c.config);
    }
}

// The internal oscillator's frequency is set up only when it runs the chip;
// the timing stays the same whichever oscillator gives the clock.
TEST(PicProgram, CrystalAtTheInternalFrequencyKeepsTheTiming) {
    auto state = test::makeEncodedSound(8000, 8000, kAlgorithmOneAndHalfBit);
    const PicChip* pic88 = findPicChip("16f88");
    const Result<PicProgram> internal = buildPicProgram(*state, {pic88, 0, false});
    const Result<PicProgram> crystal = buildPicProgram(*state, {pic88, 8000000, false, PicOscillator::crystal});
    ASSERT_TRUE(internal) << internal.error();
    ASSERT_TRUE(crystal) << crystal.error();
    EXPECT_EQ(crystal->plan.timing.cyclesPerSample, internal->plan.timing.cyclesPerSample);
    EXPECT_EQ(crystal->plan.playerWords + 2, internal->plan.playerWords);  // movlw, movwf OSCCON
    EXPECT_EQ(crystal->memory[1].words, internal->memory[1].words);
}

TEST(PicProgram, TablesSitWhereTheAssemblerExportPutsThem) {
    auto state = test::makeEncodedSound(5003, 8000, kAlgorithmOneAndHalfBit);
    const Result<PicProgram> built =
        buildPicProgram(*state, {findPicChip("16f88"), 0, false, PicOscillator::internal, PicPacking::off});
    ASSERT_TRUE(built) << built.error();
    const PicProgram& program = *built;
    ASSERT_EQ(program.memory.size(), 3u);
    const ProgramWords& tables = program.memory[1];
    EXPECT_EQ(tables.address, 256u);
    // 5002 encoded samples: 625 whole bytes, then the last two samples padded with 0.
    ASSERT_EQ(tables.words.size(), 626u);
    for (std::uint32_t k = 0; k < 626; ++k) {
        unsigned byte = 0;
        for (std::uint32_t j = 0; j < 8; ++j) byte = byte << 1 | (8 * k + j < 5002 ? state->bitStream[8 * k + j] : 0);
        ASSERT_EQ(tables.words[k], 0x3400 | byte) << "byte " << k;
    }
    EXPECT_EQ(program.memory[2].address, 0x2007u);
    EXPECT_EQ(program.memory[2].words, (std::vector<std::uint16_t>{0x3F30, 0x3FFC}));
    EXPECT_EQ(program.plan.usedWords, 256u + 626u);
    EXPECT_EQ(program.plan.totalWords, 4096u);
    EXPECT_EQ(program.plan.playerWords, program.memory[0].words.size());
}

// The player stays below the first table block even with its longest waits.
TEST(PicProgram, PlayerFitsItsBlockAtEveryRate) {
    for (const PicChip& chip : picChips()) {
        for (const bool loop : {false, true}) {
            for (const PicPacking packing : {PicPacking::off, PicPacking::automatic}) {
                const PicStorage storage = storageFor(chip, packing);
                const std::uint32_t fewest = playerMinCycles(chip, loop, storage);
                for (const std::uint32_t cycles : {fewest, 60u, 777u, 778u, 1000u, kPlayerMaxCycles}) {
                    PlayerSettings settings{&chip, 20000000, cycles, storage, 7936, true, loop};
                    const PicAssembly player = buildPlayer(settings);
                    EXPECT_LT(player.size(), kPlayerMaxWords) << chip.name << " " << cycles;
                }
            }
        }
    }
}

// Four sounds on their trigger pins: a player larger than its block moves
// the tables up, and the tables stay just where the plan says.
TEST(PicProgram, BankOfFourFitsEveryTriggerChip) {
    std::vector<std::unique_ptr<ProgramState>> states;
    std::vector<const ProgramState*> sounds;
    for (int k = 0; k < 4; ++k) {
        states.push_back(test::makeEncodedSound(1400 + 100 * static_cast<std::uint32_t>(k), 8000, kAlgorithmOneAndHalfBit));
        sounds.push_back(states.back().get());
    }
    for (const PicChip& chip : picChips()) {
        if (chip.triggerPins[3].pin.name.empty()) continue;
        // A chip whose crystal takes trigger pins plays four sounds on its internal oscillator only.
        const bool crystalFree = std::none_of(chip.triggerPins.begin(), chip.triggerPins.end(),
                                              [](const TriggerPin& pin) { return pin.crystalPin; });
        for (const std::uint32_t clock : {4000000u, 20000000u}) {
            PicProgramSettings settings{&chip, crystalFree ? clock : 0, false,
                                        crystalFree ? PicOscillator::crystal : PicOscillator::internal};
            settings.trigger = PlayTrigger::pins;
            const Result<PicProgram> program = buildPicBank(sounds, settings);
            ASSERT_TRUE(program) << chip.name << ": " << program.error();
            ASSERT_LE(program->plan.playerWords, program->plan.sounds.front().firstWord) << chip.name;
            for (std::size_t k = 0; k < 4; ++k) {
                EXPECT_EQ(program->memory[k + 1].address, program->plan.sounds[k].firstWord) << chip.name;
            }
        }
    }
}

// What starts a bank's sounds must exist on the chip: a pin for each sound,
// enough select pins for the numbers, pins the crystal leaves free.
TEST(PicProgram, TriggersRefuseWhatTheChipCannotDo) {
    std::vector<std::unique_ptr<ProgramState>> states;
    std::vector<const ProgramState*> sounds;
    for (int k = 0; k < 9; ++k) {
        states.push_back(test::makeEncodedSound(400, 8000, kAlgorithmOneBit));
        sounds.push_back(states.back().get());
    }
    struct Case {
        const char* chip;
        PlayTrigger trigger;
        std::size_t sounds;
        std::uint32_t crystalHz;  // 0: internal oscillator
        const char* refusal;      // empty: made
    };
    const Case cases[] = {
        {"16f628a", PlayTrigger::select, 8, 0, ""},
        {"16f628a", PlayTrigger::select, 9, 0, "selects one of at most 8 sounds by its 3 select pins"},
        {"12f683", PlayTrigger::select, 5, 0, "at most 4 sounds by its 2 select pins"},
        {"12f683", PlayTrigger::pins, 1, 4000000, ""},
        {"12f683", PlayTrigger::pins, 2, 4000000, "pin GP4 (pin 3) holds the crystal: use the internal oscillator or"},
        {"12f1840", PlayTrigger::select, 1, 20000000, "pin RA4 (pin 3) holds the crystal: use the internal oscillator"},
        {"16f1709", PlayTrigger::select, 8, 20000000, ""},
        {"18f2520", PlayTrigger::select, 8, 0, ""},
        {"18f26k22", PlayTrigger::pins, 5, 20000000, "has 4 trigger pins, one for each sound: 5 sounds are too many"},
    };
    for (const Case& c : cases) {
        const PicChip* chip = findPicChip(c.chip);
        PicProgramSettings settings{chip, c.crystalHz, false,
                                    c.crystalHz != 0 ? PicOscillator::crystal : PicOscillator::internal};
        settings.trigger = c.trigger;
        const Result<PicProgram> program = buildPicBank(std::span(sounds).first(c.sounds), settings);
        SCOPED_TRACE(std::string(c.chip) + ", " + std::to_string(c.sounds) + " sounds");
        if (*c.refusal == 0) {
            EXPECT_TRUE(program) << program.error();
        } else {
            ASSERT_FALSE(program);
            EXPECT_NE(program.error().find(c.refusal), std::string::npos) << program.error();
        }
    }
}

// The ramps at both ends last 100 to 200 ms at every clock, from the slowest
// to the fastest, and their S reaches exactly the top: a half under "1 bit",
// pin A always high under "1.5 bit".
TEST(PicProgram, RampsLastATenthToAFifthOfASecond) {
    for (double clock = kMinClockHz; clock <= kMaxClockHz * 1.001; clock *= 1.05) {
        const auto clockHz = std::min(static_cast<std::uint32_t>(clock), kMaxClockHz);
        for (const bool twoPins : {false, true}) {
            SCOPED_TRACE(std::to_string(clockHz) + " Hz" + (twoPins ? ", 1.5 bit" : ", 1 bit"));
            const PlayerRamp once = playerRamp(clockHz, twoPins, false);
            const double seconds = 4.0 * kRampCyclesPerBit * once.bits / clockHz;
            EXPECT_GE(seconds, 0.1);
            EXPECT_LE(seconds, 0.2);
            EXPECT_EQ(once.updates & (once.updates - 1), 0u) << once.updates;
            EXPECT_GE(once.updates, 8u);
            EXPECT_LE(once.updates, 128u);
            EXPECT_GE(once.bitsPerUpdate, 1u);
            EXPECT_LE(once.bitsPerUpdate, 256u);
            EXPECT_EQ(once.step * once.updates * once.updates, twoPins ? 65536u : 32768u);
            EXPECT_EQ(once.upWrites, once.bits + (twoPins ? 1u : 0u));
            EXPECT_EQ(once.downWrites, once.bits);
            const PlayerRamp forEver = playerRamp(clockHz, twoPins, true);
            EXPECT_EQ(forEver.upWrites, once.upWrites);
            EXPECT_EQ(forEver.downWrites, 0u);
        }
    }
    // The most updates a ramp has from about 440 kHz, the fewest at 32768 Hz.
    EXPECT_EQ(playerRamp(4000000, true, false).updates, 128u);
    EXPECT_EQ(playerRamp(kMinClockHz, true, false).updates, 8u);
}

TEST(PicProgram, RefusesASoundThatDoesNotFitAndSaysWhatHelps) {
    // 2000 table bytes: more than the 1792 a 2K-word chip holds after the player's block.
    auto state = test::makeEncodedSound(16000, 8000, kAlgorithmOneBit);
    const Result<PicProgramPlan> plan = planPicProgram(*state, {findPicChip("16f628a"), 0, false});
    EXPECT_FALSE(plan);
    for (const char* part : {"does not fit the PIC16F628A", "2256 words of 2048", "14336 samples fit",
                             "1.79 s at 8000 Hz", "lower sample rate", "shorter sound",
                             "PIC16F648A (4096 words)"}) {
        EXPECT_NE(plan.error().find(part), std::string::npos) << part << " missing from: " << plan.error();
    }
    // Beyond the largest chip, no chip is named.
    const PicChip* largest = &picChips().front();
    for (const PicChip& chip : picChips()) largest = chip.programWords > largest->programWords ? &chip : largest;
    auto huge = test::makeEncodedSound(kMaxSamples, 8000, kAlgorithmOneBit);
    const Result<PicProgramPlan> hugePlan =
        planPicProgram(*huge, {largest, 20000000, false, PicOscillator::crystal, PicPacking::off});
    const std::string fitting = std::to_string(picSampleCapacity(*largest, PicPacking::off)) + " samples fit";
    EXPECT_NE(hugePlan.error().find(fitting), std::string::npos) << hugePlan.error();
    EXPECT_EQ(hugePlan.error().find("larger chip"), std::string::npos) << hugePlan.error();
    // The 18F2520's two bytes a word fall short of the longest sound, which the 18F26K22 holds.
    auto longest = test::makeEncodedSound(kMaxSamples, 15625, kAlgorithmOneBit);
    const Result<PicProgramPlan> longestPlan = planPicProgram(*longest, {findPicChip("18f2520"), 0, false});
    for (const char* part : {"262499 samples need 16663 words of 16384", "258048 samples fit",
                             "PIC18F26K22 (32768 words)"}) {
        EXPECT_NE(longestPlan.error().find(part), std::string::npos) << part << " missing from: " << longestPlan.error();
    }

    const Result<std::string> hex = picProgramHex(*state, {findPicChip("16f628a"), 0, false});
    EXPECT_FALSE(hex);
    EXPECT_EQ(hex.error(), plan.error());
}

// The capacity is exactly the longest sound the plan accepts on each chip.
TEST(PicProgram, CapacityIsTheLongestSoundThatFits) {
    for (const PicChip& chip : picChips()) {
        for (const PicPacking packing : {PicPacking::off, PicPacking::automatic}) {
            const std::uint32_t capacity = picSampleCapacity(chip, packing);
            auto state = test::makeEncodedSound(std::min(capacity, kMaxSamples), 8000, kAlgorithmOneBit);
            const PicProgramSettings settings{&chip, 20000000, false, PicOscillator::crystal, packing};
            EXPECT_TRUE(planPicProgram(*state, settings)) << chip.name;
            if (capacity >= kMaxSamples) continue;
            state->encoder.sampleCount = capacity + 16;
            EXPECT_FALSE(planPicProgram(*state, settings)) << chip.name;
        }
    }
    EXPECT_EQ(picSampleCapacity(*findPicChip("16f628a")), 14336u);
    // Packed: 14 samples in each word after the player's 256.
    EXPECT_EQ(picSampleCapacity(*findPicChip("16f88")), 53760u);
    EXPECT_EQ(picSampleCapacity(*findPicChip("16f877a")), 111104u);
    EXPECT_EQ(picSampleCapacity(*findPicChip("16f88"), PicPacking::off), 30720u);
    EXPECT_EQ(picSampleCapacity(*findPicChip("18f26k22")), 520192u);  // two bytes in each of 32512 words
}

// The highest fitting rate: the capacity over the duration, rounded down, never below 1000 Hz.
TEST(PicProgram, HighestFittingRate) {
    struct Case {
        const char* chip;
        std::uint64_t frames;
        std::uint32_t frameRate;
        std::uint32_t rate;
    };
    const Case cases[] = {
        {"16f628a", 132300, 44100, 4778},     // 3 s: 14336 / 3 = 4778.67
        {"16f628a", 8000, 8000, 14336},       // 1 s
        {"16f628a", 14336, 15625, 15625},     // exactly full
        {"16f628a", 14337, 15625, 15623},     // one frame more: 15623.9
        {"16f628a", 20 * 8000, 8000, 1000},   // 20 s wants 716 Hz
        {"16f877a", 132300, 44100, 37034},    // 111104 packed samples / 3 s
        {"16f628a", 0, 8000, 4294967295u},    // nothing to fit
    };
    for (const Case& test : cases) {
        const PicChip& chip = *findPicChip(test.chip);
        const std::uint32_t rate = highestFittingRate(chip, test.frames, test.frameRate);
        EXPECT_EQ(rate, test.rate) << test.chip << " " << test.frames;
        // Above the floor, the sound at that rate fits and one hertz more would not.
        if (rate > kLowestFitRate && test.frames > 0) {
            EXPECT_LE(test.frames * rate, std::uint64_t{picSampleCapacity(chip)} * test.frameRate);
            EXPECT_GT(test.frames * (rate + 1), std::uint64_t{picSampleCapacity(chip)} * test.frameRate);
        }
    }
}

// A bank or a routine that does not fit names the highest rate at which it
// would: at that rate, the sounds made again at it (each as long in time)
// fit from the same org; a little higher they do not. No rate from 1000 Hz
// helps a routine at the top of memory: none is named.
TEST(PicProgram, RefusalNamesTheHighestRateThatFits) {
    struct Case {
        const char* chip;
        PlayerForm form;
        std::uint32_t org;
        std::vector<std::uint32_t> samples;  // at 8000 Hz
        bool anyRate;
    };
    const Case cases[] = {
        {"16f628a", PlayerForm::program, 0, {9000, 9000}, true},
        {"16f88", PlayerForm::program, 0, {20000, 20000, 20000, 20000}, true},  // a player past word 256
        {"16f628a", PlayerForm::routine, kDefaultRoutineOrg, {17000}, true},
        {"16f88", PlayerForm::routine, 0x300, {30000, 20000}, true},
        {"18f2520", PlayerForm::routine, 0x1000, {200000}, true},
        {"16f628a", PlayerForm::routine, 0x7F0, {800}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " " + std::to_string(c.samples.front()));
        PicProgramSettings settings{findPicChip(c.chip), 0, false};
        if (c.form == PlayerForm::routine) {
            settings.form = PlayerForm::routine;
            settings.org = c.org;
            settings.ram = defaultRoutineRam(*settings.chip);
        } else {
            settings.trigger = PlayTrigger::pins;
        }
        const auto planAt = [&](std::uint32_t rate) {
            std::vector<std::unique_ptr<ProgramState>> states;
            std::vector<const ProgramState*> sounds;
            for (const std::uint32_t samples : c.samples) {
                const auto scaled = static_cast<std::uint32_t>((std::uint64_t{samples} * rate + 7999) / 8000);
                states.push_back(test::makeEncodedSound(scaled, rate, kAlgorithmOneAndHalfBit));
                sounds.push_back(states.back().get());
            }
            return std::pair(planPicBank(sounds, settings), highestBankRate(sounds, settings));
        };
        const auto [refused, rate] = planAt(8000);
        ASSERT_FALSE(refused);
        if (!c.anyRate) {
            EXPECT_EQ(rate, 0u);
            EXPECT_EQ(refused.error().find("sample rate of at most"), std::string::npos) << refused.error();
            continue;
        }
        ASSERT_GT(rate, kLowestFitRate);
        EXPECT_NE(refused.error().find(" at most " + std::to_string(rate) + " Hz"), std::string::npos) << refused.error();
        const auto [fitting, same] = planAt(rate);
        EXPECT_TRUE(fitting) << fitting.error();
        EXPECT_EQ(same, rate);
        EXPECT_FALSE(planAt(rate + rate / 500 + 2).first) << rate;
    }
}

// The smallest chips that hold a sound, ties all named; none past the largest.
TEST(PicProgram, SmallestChipsThatHoldASound) {
    struct Case {
        std::uint64_t samples;
        PicPacking packing;
        std::vector<std::string> chips;
    };
    const Case cases[] = {
        {14336, PicPacking::automatic, {"PIC12F683", "PIC16F628A"}},
        {14337, PicPacking::automatic, {"PIC16F648A", "PIC16F88", "PIC12F1840"}},
        {30721, PicPacking::automatic, {"PIC16F88", "PIC12F1840"}},
        {30721, PicPacking::off, {"PIC16F876A", "PIC16F877A", "PIC16F887", "PIC16F1825", "PIC16F1709"}},
        {520192, PicPacking::automatic, {"PIC18F26K22"}},
        {520193, PicPacking::automatic, {}},
    };
    for (const Case& c : cases) {
        PicProgramSettings settings{findPicChip("16f628a"), 0, false};
        settings.packing = c.packing;
        std::vector<std::string> names;
        for (const PicChip* chip : smallestChipsFor({}, settings, c.samples, kLowestSpeechRate)) names.emplace_back(chip->name);
        EXPECT_EQ(names, c.chips) << c.samples;
    }
    const PicProgramSettings settings{findPicChip("16f628a"), 0, false};
    EXPECT_EQ(lowRateNotice({}, settings, 3060, 37458),
              "the sound fits the PIC16F628A only at 3060 Hz, below the 8000 Hz that speech needs to stay clear: "
              "nothing above 1530 Hz survives; at 8000 Hz it fits the PIC16F88 or the PIC12F1840 (4096 words)");
}

// The wiring in the program's header names each pin with its number, the
// capacitor still drawn under the junction.
TEST(PicProgram, HeaderWiringNamesThePinNumbers) {
    test::TempDirectory directory;
    struct Case {
        const char* chip;
        std::int8_t scheme;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"12f683",
         kAlgorithmOneBit,
         {"; Pin A GP0 (pin 7) ---- R -----*---- audio out    R = ", ";                                |\r\n",
          ";                             C = 0.22 uF to ground\r\n"}},
        {"16f877a",
         kAlgorithmOneAndHalfBit,
         {"; Pin A RB0 (pin 33) ---- 2R ----*---- audio out    each 2R = ", "; Pin B RB1 (pin 34) ---- 2R ----'\r\n",
          ";                                 |\r\n", ";                              C = 0.22 uF to ground\r\n"}},
    };
    for (const Case& c : cases) {
        auto state = test::makeEncodedSound(800, 8000, c.scheme);
        const std::filesystem::path path = directory.path() / (std::string(c.chip) + ".asm");
        ASSERT_TRUE(writePicAssembler(*state, {findPicChip(c.chip), 20000000, false}, path));
        const std::string text = test::readFileText(path);
        for (const std::string& line : c.lines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
}

TEST(PicProgram, RefusesWhatCannotBePlayed) {
    auto state = test::makeEncodedSound(8000, 8000, kAlgorithmOneBit);
    EXPECT_NE(planPicProgram(*state, {findPicChip("16f877a"), 0, false}).error().find("no internal oscillator"),
              std::string::npos);
    state->encoder.sampleRate = 44100;  // 22.7 cycles at 4 MHz
    EXPECT_NE(planPicProgram(*state, {findPicChip("16f628a"), 0, false}).error().find("highest rate"),
              std::string::npos);
    state->encoder.sampleRate = 8000;
    state->encoder.sampleCount = 1;
    EXPECT_NE(planPicProgram(*state, {findPicChip("16f628a"), 0, false}).error().find("shorter than 2"),
              std::string::npos);
    // A looping player needs more cycles: 35 suffice once, not for ever.
    state->encoder.sampleCount = 8000;
    state->encoder.sampleRate = 28571;
    EXPECT_TRUE(planPicProgram(*state, {findPicChip("16f628a"), 0, false}));
    EXPECT_FALSE(planPicProgram(*state, {findPicChip("16f628a"), 0, true}));
}

// The routine for the user's own program: org and ram outside what it can
// use, a routine across a page boundary, tables past the chip's memory, and
// what only a whole program does, each refused before anything is written.
TEST(PicRoutine, RefusesWhatCannotBeMadeAndSaysWhatHelps) {
    struct Case {
        const char* chip;
        std::uint32_t org;
        std::uint16_t ram;
        std::uint32_t samples;
        bool loop;
        const char* message;
    };
    const Case cases[] = {
        {"16f628a", 4, 0x70, 800, false, "org 0x4 is outside the PIC16F628A's program memory for it: choose 0x5 to 0x7FF"},
        {"16f628a", 0x800, 0x70, 800, false, "org 0x800 is outside"},
        {"16f628a", 0x100, 0x1F, 800, false,
         "16 file registers from 0x1F are not all in bank 0's general-purpose memory: choose 0x20 to 0x70"},
        {"16f628a", 0x100, 0x71, 800, false, "from 0x71 are not all in bank 0"},
        {"16f877a", 0x7C0, 0x70, 800, false, "would cross the page boundary at 0x800"},
        {"16f628a", 0x500, 0x70, 12000, false, "the sounds do not fit the PIC16F628A from org 0x500"},
        {"16f628a", 0x100, 0x70, 17000, false, "from any org"},
        {"18f2520", 0x100, 0x70, 800, false,
         "16 file registers from 0x70 are not all in the access bank's general-purpose memory: choose 0x0 to 0x50"},
        {"18f2520", 0x100, 0x51, 800, false, "from 0x51 are not all in the access bank"},
        {"18f2520", 13, 0x50, 800, false,
         "org 0xD is outside the PIC18F2520's program memory for it: choose 0xE to 0x3FFF (words 0 to 13"},
        {"18f2520", 0x3F80, 0x50, 800, false, "do not fit the PIC18F2520 from org 0x3F80 (byte 0x7F00)"},
        {"16f628a", 0x100, 0x70, 800, true, "once for each call"},
    };
    test::TempDirectory directory;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        auto state = test::makeEncodedSound(c.samples, 8000, kAlgorithmOneBit);
        const ProgramState* const sounds[] = {state.get()};
        const PicChip& chip = *findPicChip(c.chip);
        PicProgramSettings settings{&chip, chip.internalClockHz == 0 ? 4000000u : 0u, c.loop};
        settings.form = PlayerForm::routine;
        settings.org = c.org;
        settings.ram = c.ram;
        const Result<PicProgramPlan> plan = planPicBank(sounds, settings);
        ASSERT_FALSE(plan);
        EXPECT_NE(plan.error().find(c.message), std::string::npos) << plan.error();
        EXPECT_FALSE(writePicRoutineInclude(sounds, settings, directory / "sounds.inc"));
        EXPECT_FALSE(std::filesystem::exists(directory / "sounds.inc"));
    }
}

// A routine makes only its own pins digital: of the analog select register
// it touches (bit numbers from each chip's datasheet) it clears pin A's bit,
// and pin B's under "1.5 bit", and writes it no other way; the user's analog
// inputs stay.
TEST(PicRoutine, ClearsOnlyItsOwnPinsAnalogSelects) {
    struct Case {
        const char* chip;
        const char* reg;
        int pinA;
        int pinB;
    };
    const Case cases[] = {{"12f683", "ANSEL", 0, 1},   {"12f1840", "ANSELA", 0, 1}, {"16f887", "ANSELH", 4, 2},
                          {"16f1825", "ANSELC", 0, 1}, {"16f1709", "ANSELC", 0, 1}, {"18f26k22", "ANSELB", 0, 1}};
    test::TempDirectory directory;
    for (const Case& c : cases) {
        for (const std::int8_t scheme : {kAlgorithmOneBit, kAlgorithmOneAndHalfBit}) {
            SCOPED_TRACE(std::string(c.chip) + (scheme == kAlgorithmOneBit ? " 1 bit" : " 1.5 bit"));
            auto state = test::makeEncodedSound(800, 8000, scheme);
            const ProgramState* const sounds[] = {state.get()};
            const PicChip& chip = *findPicChip(c.chip);
            PicProgramSettings settings{&chip, 0, false};
            settings.form = PlayerForm::routine;
            settings.ram = defaultRoutineRam(chip);
            ASSERT_TRUE(writePicRoutineInclude(sounds, settings, directory / "sounds.inc"));
            const std::string text = test::readFileText(directory / "sounds.inc");
            const std::string operand = std::string(kRoutinePrefix) + c.reg;
            std::vector<std::string> uses;  // every instruction naming the register, blanks left out
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);) {
                std::string use = line.substr(0, line.find(';'));
                use.erase(std::remove(use.begin(), use.end(), ' '), use.end());
                const std::size_t named = use.find(operand);
                if (named == std::string::npos || use.find("equ") != std::string::npos) continue;
                if (named + operand.size() == use.size() || use[named + operand.size()] == ',') uses.push_back(use);
            }
            std::vector<std::string> wanted{"bcf" + operand + "," + std::to_string(c.pinA)};
            if (scheme == kAlgorithmOneAndHalfBit) wanted.push_back("bcf" + operand + "," + std::to_string(c.pinB));
            if (chip.family == PicFamily::pic18) {
                for (std::string& use : wanted) use += ",ryx_BANKED";
            }
            EXPECT_EQ(uses, wanted);
        }
    }
}

// The highest org the fit names fits; a word higher does not. The routine
// takes a few cycles more per sample than a whole program. The lowest org
// and the highest ram fit. A PIC18's routine may run across word 0x800.
TEST(PicRoutine, LimitsOfOrgRamAndRate) {
    struct Case {
        const char* chip;
        std::uint32_t lowestOrg;
        std::uint16_t highestRam;
        std::uint32_t minCycles;
    };
    for (const Case& c : {Case{"16f628a", 5, 0x70, 37}, Case{"18f26k22", 14, 0x50, 36}}) {
        SCOPED_TRACE(c.chip);
        const PicChip& chip = *findPicChip(c.chip);
        const std::uint32_t instructionRate = chip.internalClockHz / 4;
        auto state = test::makeEncodedSound(4000, 8000, kAlgorithmOneAndHalfBit);
        const ProgramState* const sounds[] = {state.get()};
        PicProgramSettings settings{&chip, 0, false};
        settings.form = PlayerForm::routine;
        settings.ram = defaultRoutineRam(chip);
        const Result<PicProgramPlan> plan = planPicBank(sounds, settings);
        ASSERT_TRUE(plan) << plan.error();
        EXPECT_EQ(plan->sounds.front().firstWord, kDefaultRoutineOrg + plan->playerWords);
        settings.org = chip.programWords - plan->usedWords;
        EXPECT_TRUE(planPicBank(sounds, settings));
        ++settings.org;
        EXPECT_FALSE(planPicBank(sounds, settings));
        settings.org = c.lowestOrg;
        settings.ram = c.highestRam;
        EXPECT_TRUE(planPicBank(sounds, settings));
        settings.org = 0x800 - plan->playerWords / 2;
        EXPECT_EQ(static_cast<bool>(planPicBank(sounds, settings)), chip.family == PicFamily::pic18);

        settings.org = kDefaultRoutineOrg;
        state->encoder.sampleRate = instructionRate / c.minCycles;
        EXPECT_TRUE(planPicBank(sounds, settings));
        state->encoder.sampleRate = instructionRate / (c.minCycles - 1);
        EXPECT_FALSE(planPicBank(sounds, settings));
        EXPECT_TRUE(planPicProgram(*state, {&chip, 0, false}));
    }
}

}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

// Playing from a serial memory: what its player cannot play, pins the
// memory takes, sounds longer than the memory, each refused with a message;
// what it can play is made.
TEST(PicProgramFromMemory, RefusesWhatTheMemoryPlayerCannotPlay) {
    std::vector<std::unique_ptr<ProgramState>> states;
    std::vector<const ProgramState*> sounds;
    for (int k = 0; k < 3; ++k) {
        states.push_back(test::makeEncodedSound(800, 8000, kAlgorithmOneBit));
        sounds.push_back(states.back().get());
    }
    auto full = test::makeEncodedSound(kMaxSamples, 8000, kAlgorithmOneBit);
    struct Case {
        const char* chip;
        const char* memory;
        PlayTrigger trigger;
        std::size_t sounds;       // 0: the full-length sound
        std::uint32_t crystalHz;  // 0: internal oscillator
        bool loop;
        const char* refusal;  // empty: made
    };
    const Case cases[] = {
        {"16f628a", "24LC256", PlayTrigger::reset, 1, 0, false, ""},
        {"16f628a", "W25Q32", PlayTrigger::select, 3, 20000000, false, ""},
        {"16f1825", "W25Q32", PlayTrigger::pins, 2, 0, false, ""},
        {"16f628a", "24LC256", PlayTrigger::reset, 1, 20000000, true, ""},
        {"16f628a", "24LC256", PlayTrigger::reset, 1, 0, true, ""},
        {"18f2520", "24LC256", PlayTrigger::reset, 1, 0, false, ""},
        {"16f628a", "24LC1025", PlayTrigger::reset, 1, 20000000, false, ""},
        {"16f628a", "24LC1025", PlayTrigger::reset, 1, 20000000, true, ""},
        {"12f1840", "W25Q32", PlayTrigger::reset, 1, 0, false, ""},
        {"12f683", "24LC256", PlayTrigger::pins, 2, 0, false, "GP4 (pin 3), which the sounds' trigger pins need"},
        {"12f683", "24LC256", PlayTrigger::reset, 1, 4000000, false, "which the crystal needs"},
        // 262,499 bits and the index: 32,821 bytes, 53 over (0.053 s, shown rounded up).
        {"16f628a", "24LC256", PlayTrigger::reset, 0, 0, false,
         "does not fit the 24LC256 (32768 bytes, 32.76 s at 8000 Hz): it is 0.06 s too long"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " from the " + c.memory + ", " + std::to_string(c.sounds) + " sounds");
        PicProgramSettings settings{findPicChip(c.chip), c.crystalHz, c.loop,
                                    c.crystalHz != 0 ? PicOscillator::crystal : PicOscillator::internal};
        settings.trigger = c.trigger;
        settings.memory = findMemory(c.memory);
        const ProgramState* const one[] = {full.get()};
        const Result<PicProgram> program =
            c.sounds == 0 ? buildPicBank(one, settings) : buildPicBank(std::span(sounds).first(c.sounds), settings);
        if (*c.refusal == 0) {
            ASSERT_TRUE(program) << program.error();
            EXPECT_EQ(program->plan.usedWords, program->plan.playerWords);
            EXPECT_EQ(program->plan.tableWords, 0u);
            ASSERT_EQ(program->plan.sounds.size(), c.sounds);
            EXPECT_EQ(program->plan.sounds.back().firstWord, c.sounds - 1) << "the sound's number in the index";
            EXPECT_EQ(program->plan.sounds.back().tableReads, 100u) << "799 samples in 100 bytes";
        } else {
            ASSERT_FALSE(program);
            EXPECT_NE(program.error().find(c.refusal), std::string::npos) << program.error();
        }
    }
}

// The program holds the player and the config word, no table; its header
// draws the memory's wiring; a rate the table player keeps up with but the
// bus does not is refused; the fit is the memory's.
TEST(PicProgramFromMemory, PlayerAloneTheBusTimingAndTheMemorysFit) {
    test::TempDirectory directory;
    auto state = test::makeEncodedSound(8000, 8000, kAlgorithmOneAndHalfBit);
    PicProgramSettings settings{findPicChip("16f628a"), 4000000, false, PicOscillator::crystal};
    settings.memory = findMemory("24LC256");
    const Result<PicProgram> program = buildPicProgram(*state, settings);
    ASSERT_TRUE(program) << program.error();
    ASSERT_EQ(program->memory.size(), 2u);
    EXPECT_EQ(program->memory[1].address, 0x2007u);
    const std::filesystem::path path = directory.path() / "memory.asm";
    ASSERT_TRUE(writePicAssembler(*state, settings, path));
    const std::string text = test::readFileText(path);
    EXPECT_NE(text.find("; External   24LC256: SCL RA0 (pin 17), SDA RA1 (pin 18), 4.7k pull-ups\r\n"),
              std::string::npos) << text;
    EXPECT_EQ(text.find("org ("), std::string::npos) << "no tables";

    // 36 cycles per sample at 4 MHz: the table player's, under the bus's 41.
    state->encoder.sampleRate = 27778;
    EXPECT_TRUE(planPicProgram(*state, {settings.chip, 4000000, false, PicOscillator::crystal}));
    EXPECT_NE(planPicProgram(*state, settings).error().find("highest rate"), std::string::npos);
    state->encoder.sampleRate = 24692;  // 40.498 cycles: 40
    EXPECT_NE(planPicProgram(*state, settings).error().find("highest rate"), std::string::npos);
    state->encoder.sampleRate = 24691;  // 40.5002: 41
    EXPECT_TRUE(planPicProgram(*state, settings));

    // 262,080 samples after one sound's index: 262,500 at 15625 Hz fit at 15600 Hz.
    auto full = test::makeEncodedSound(kMaxSamples, 15625, kAlgorithmOneBit);
    const ProgramState* const one[] = {full.get()};
    settings.clockHz = 20000000;
    EXPECT_EQ(highestBankRate(one, settings), 15600u);
    EXPECT_EQ(*picBankCapacity(one, settings, 15600), 262080u);
}

// An SPI memory's SO on an 8-pin chip's reset pin: the config word clears
// MCLRE (and only that), the header says so; an I2C memory keeps it.
TEST(PicProgramFromMemory, SoOnTheResetPinClearsMclre) {
    auto state = test::makeEncodedSound(4000, 8000, kAlgorithmOneAndHalfBit);
    for (const char* name : {"12f683", "12f1840"}) {
        SCOPED_TRACE(name);
        const PicChip& chip = *findPicChip(name);
        const std::uint16_t chipWord = configRecordsFor(chip, PicOscillator::internal, chip.internalClockHz).front().value;
        ASSERT_NE(chipWord & chip.memoryPins.resetPinConfigMask, 0);
        for (const char* memory : {"W25Q32", "24LC256"}) {
            PicProgramSettings settings{&chip, 0, false, PicOscillator::internal};
            settings.memory = findMemory(memory);
            const Result<PicProgram> program = buildPicProgram(*state, settings);
            ASSERT_TRUE(program) << program.error();
            const std::uint16_t word = program->memory[1].words.front();
            const bool spi = settings.memory->bus == MemoryBus::spi;
            EXPECT_EQ(word, spi ? chipWord & ~chip.memoryPins.resetPinConfigMask : chipWord) << memory;
            test::TempDirectory directory;
            ASSERT_TRUE(writePicAssembler(*state, settings, directory.path() / "p.asm"));
            const std::string text = test::readFileText(directory.path() / "p.asm");
            EXPECT_EQ(text.find("; Reset      MCLR off in the config word: " + pinLabel(chip.memoryPins.so.pin)) !=
                          std::string::npos,
                      spi)
                << memory;
        }
    }
}

}  // namespace
}  // namespace ryx
