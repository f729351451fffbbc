#include "firmware/PlayerCode.h"

#include "export/TableLayout.h"

#include <algorithm>
#include <set>
#include <span>
#include <stdexcept>
#include <string>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

constexpr PicRegister kPcl{"PCL", 0x02};
constexpr PicRegister kStatus{"STATUS", 0x03};
constexpr PicRegister kPclath{"PCLATH", 0x0A};
// Player variables in bank 0 general-purpose memory, present on every chip:
// a program's from 0x20, a routine's from its first register. A routine
// shares an address between two variables never needed at once, so that all
// fit the 16 bytes of the shared bank: the sound's reuse the ramp's, except
// the ramp's level, sum, flags and plain-bit count, which the ramp down
// starts from; the rest of the ramp's state is set again after the sound.
struct PlayerVariable {
    std::string_view name;
    std::uint8_t programOffset;
    std::uint8_t routineOffset;
};
constexpr std::uint16_t kProgramVariables = 0x20;
constexpr std::uint8_t kNoOffset = 0xFF;  // not a variable of that form
constexpr PlayerVariable kCurrentVariable{"current", 0x00, 7};  // the byte being played, next bit on top
constexpr PlayerVariable kPinsVariable{"pins", 0x01, 8};        // bit 0: this sample, bit 1: the one before
constexpr PlayerVariable kAddressLowVariable{"addrlo", 0x02, 14};
constexpr PlayerVariable kAddressHighVariable{"addrhi", 0x03, 15};
constexpr PlayerVariable kCountLowVariable{"countlo", 0x04, 9};  // counts up to 65536 over the table bytes
constexpr PlayerVariable kCountHighVariable{"counthi", 0x05, 10};
constexpr PlayerVariable kBitsLeftVariable{"bitsleft", 0x06, 11};
constexpr PlayerVariable kWaitInnerVariable{"wait1", 0x07, 12};
constexpr PlayerVariable kWaitOuterVariable{"wait2", 0x08, 13};
// The ramp's registers (see rampRoutine).
constexpr PlayerVariable kLevelLowVariable{"levello", 0x09, 1};  // pin A's density: 65536 is always high
constexpr PlayerVariable kLevelHighVariable{"levelhi", 0x0A, 2};
constexpr PlayerVariable kSumLowVariable{"sumlo", 0x0B, 3};  // the sigma-delta sum; its carry is the bit
constexpr PlayerVariable kSumHighVariable{"sumhi", 0x0C, 4};
constexpr PlayerVariable kCurrentHighVariable{"currenthi", 0x0D, 14};  // a packed word's top half, next bit on top
constexpr PlayerVariable kSpeedLowVariable{"speedlo", 0x0E, 7};  // added to the level at each update
constexpr PlayerVariable kSpeedHighVariable{"speedhi", 0x0F, 8};
constexpr PlayerVariable kStepLowVariable{"steplo", 0x10, 9};  // added to the speed at each update
constexpr PlayerVariable kStepHighVariable{"stephi", 0x11, 10};
constexpr PlayerVariable kTurnLowVariable{"turnlo", 0x12, 11};  // the step after the middle
constexpr PlayerVariable kTurnHighVariable{"turnhi", 0x13, 12};
// Bit 7: past the middle; bits 0 to 6 go to port bits 1 to 7: pin B low
// (a routine: the port's other pins as they were).
constexpr PlayerVariable kRampFlagsVariable{"rampflags", 0x14, 5};
constexpr PlayerVariable kRampBitsVariable{"rampbits", 0x15, 6};     // plain bits left before the next update
constexpr PlayerVariable kRampUpdatesVariable{"rampupd", 0x16, 13};  // updates left in this half
// A routine's own: the port's other pins, pins A and B clear; the sound asked for.
constexpr PlayerVariable kOtherPinsVariable{"others", kNoOffset, 0};
constexpr PlayerVariable kSoundVariable{"sound", kNoOffset, 14};
static_assert(kRoutineRegisters == 16, "the routine's offsets run from 0 to 15");

// Reading program memory: mid-range EECON1 in bank 3, the rest in bank 2;
// enhanced mid-range all in bank 3.
struct ProgramReadRegisters {
    PicRegister data;
    PicRegister dataHigh;
    PicRegister address;
    PicRegister addressHigh;
    PicRegister control;
};
constexpr ProgramReadRegisters kMidRangeRead{
    {"EEDATA", 0x10C}, {"EEDATH", 0x10E}, {"EEADR", 0x10D}, {"EEADRH", 0x10F}, {"EECON1", 0x18C}};
constexpr ProgramReadRegisters kEnhancedRead{
    {"EEDATL", 0x193}, {"EEDATH", 0x194}, {"EEADRL", 0x191}, {"EEADRH", 0x192}, {"EECON1", 0x195}};
constexpr unsigned kReadBit = 0;          // RD
constexpr unsigned kConfigSpaceBit = 6;   // CFGS
constexpr unsigned kProgramSpaceBit = 7;  // EEPGD

constexpr PicRegister kIntcon{"INTCON", 0x0B};
constexpr PicRegister kOptionRegister{"OPTION_REG", 0x81};
constexpr PicRegister kEnhancedOptionRegister{"OPTION_REG", 0x95};
constexpr unsigned kPortChangeFlagBit = 0;    // RBIF, GPIF; IOCIF follows the IOCxF flags
constexpr unsigned kPortChangeEnableBit = 3;  // RBIE, GPIE, IOCIE
constexpr unsigned kPullUpsOffBit = 7;        // NOT_RBPU, NOT_GPPU; NOT_WPUEN

constexpr unsigned kCarryBit = 0;

constexpr unsigned kZeroBit = 2;
constexpr unsigned kBank0Bit = 5;  // RP0
constexpr unsigned kBank1Bit = 6;  // RP1

// Cycles from one sample's port write to the next on each path, without its
// wait; a packed word shifts two registers per sample.
constexpr std::uint32_t kWithinByteCycles = 8;
constexpr std::uint32_t kWithinPackedWordCycles = 9;
// The sound's last sample to the first ramp bit, without its wait: the last
// sample lasts a whole sample like every other.
constexpr std::uint32_t kSoundToRampCycles = 20;
static_assert(kSoundToRampCycles <= kPlayerMinCycles);

// A ramp bit: the call to "rampbit", 7 cycles of sigma-delta, the port write
// and the return; then this many cycles of other work before the next call.
constexpr std::uint32_t kRampBitCycles = 2 + 7 + 1 + 2;
constexpr std::uint32_t kRampWorkCycles = kRampCyclesPerBit - kRampBitCycles;
// From the last ramp bit's write, through both returns, to the caller.
constexpr std::uint32_t kRampReturnCycles = 8;
// The level that stands for pin A always high.
constexpr std::uint32_t kFullLevel = 65536;
constexpr std::uint32_t kLargestUpdates = 128;
constexpr std::uint32_t kSmallestUpdates = 8;

// Two nested counting loops: 3A + 770(B - 1) + 5 cycles for A, B in 1 ... 256.
constexpr std::uint32_t kLoopBase = 5;
constexpr std::uint32_t kOuterStep = 770;
constexpr std::uint32_t kMaxWaitCycles = kPlayerMaxCycles - kWithinByteCycles;
static_assert(kPlayerMaxCycles - kWithinPackedWordCycles <= kMaxWaitCycles);
static_assert(kMaxWaitCycles == 3 * 256 + kOuterStep * 255 + kLoopBase + 4,
              "the longest wait is both loops full and four cycles of padding");
static_assert(kFirstTableAddress % 256 == 0, "the table start's low byte is cleared, not loaded");

// A routine's extra cycles on the paths between two samples: the OR of the
// other pins, and with retlw tables the load of its own page after a read.
constexpr std::uint32_t kRoutineWithinExtra = 1;
constexpr std::uint32_t kRoutineBoundaryExtra = 2;
constexpr std::uint32_t kRoutineArmDownMax = 13;  // see armRampDownAfterSound
static_assert(kRoutineMinCycles >= kPlayerMinCycles + kRoutineBoundaryExtra);
static_assert(kPackedRoutineMinCycles >= kPackedPlayerMinCycles + kRoutineWithinExtra);
static_assert(kRoutineMinCycles >= kSoundToRampCycles + kRoutineArmDownMax);

class PlayerWriter {
public:
    explicit PlayerWriter(const PlayerSettings& settings)
        : settings_(settings),
          port_{settings.chip->portName, settings.chip->portAddress},
          tris_{settings.chip->trisName, settings.chip->trisAddress},
          code_(routine_ ? PicAssembly(PicFamily::midRange, {settings.org, std::string(kRoutinePrefix)})
                         : PicAssembly()),
          packed_(settings.storage == PicStorage::packed14),
          read_(settings.chip->family == PicFamily::enhancedMidRange ? kEnhancedRead : kMidRangeRead) {}

    PicAssembly build() {
        defineSymbols();
        if (routine_) return buildRoutine();
        setUpChip();
        if (settings_.trigger != PlayTrigger::reset) {
            awaitTrigger();
        } else {
            startTable("first", false);
        }
        rampUp();
        playSamples();
        finish();
        rampRoutine();
        if (!packed_) fetchRoutine();
        return std::move(code_);
    }

private:
    // W: the sound's number. Sets its pins up, plays between the ramps,
    // returns in bank 0 with PCLATH at its own page.
    PicAssembly buildRoutine() {
        enterRoutine();
        rampUp();
        chooseSound();
        playSamples();
        finish();
        rampRoutine();
        if (!packed_) fetchRoutine();
        return std::move(code_);
    }

    PicRegister variable(const PlayerVariable& v) const {
        const std::uint8_t offset = routine_ ? v.routineOffset : v.programOffset;
        return {v.name, static_cast<std::uint16_t>((routine_ ? settings_.ram : kProgramVariables) + offset)};
    }

    // A routine's source names registers by their place in their bank: the
    // including file's assembler then has nothing to say about banks.
    void defineRegister(PicRegister reg) {
        if (!routine_) {
            code_.define(reg.name, reg.address);
            return;
        }
        const unsigned bank = reg.address >> 7;
        code_.define(reg.name, reg.address & 0x7Fu, bank == 0 ? "" : "bank " + std::to_string(bank));
    }

    void defineSymbols() {
        for (PicRegister reg : {kPcl, kStatus, kPclath, port_, tris_}) defineRegister(reg);
        if (routine_ && settings_.chip->family == PicFamily::enhancedMidRange) defineRegister(latch());
        for (const RegisterSetting& setting : setupSettings()) {
            if (!setting.name.empty()) defineRegister({setting.name, setting.address});
        }
        if (settings_.trigger != PlayTrigger::reset) defineTriggerSymbols();
        code_.define("Z", kZeroBit);
        code_.define("RP0", kBank0Bit);
        code_.define("RP1", kBank1Bit);
        code_.define("C", kCarryBit);
        if (routine_) {
            for (PicRegister reg : {kOtherPins, kSound}) code_.define(reg.name, reg.address);
        }
        for (PicRegister reg : {kCurrent, kPins, kAddressLow, kAddressHigh, kCountLow, kCountHigh, kBitsLeft,
                                kWaitInner, kWaitOuter}) {
            code_.define(reg.name, reg.address);
        }
        for (PicRegister reg : {kLevelLow, kLevelHigh, kSumLow, kSumHigh, kSpeedLow, kSpeedHigh, kStepLow, kStepHigh,
                                kTurnLow, kTurnHigh, kRampFlags, kRampBits, kRampUpdates}) {
            code_.define(reg.name, reg.address);
        }
        if (packed_) {
            code_.define(kCurrentHigh.name, kCurrentHigh.address);
            for (PicRegister reg : {read_.data, read_.dataHigh, read_.address, read_.addressHigh, read_.control}) {
                defineRegister(reg);
            }
            code_.define("RD", kReadBit);
            code_.define("CFGS", kConfigSpaceBit);
            code_.define("EEPGD", kProgramSpaceBit);
        }
    }

    std::vector<RegisterSetting> setupSettings() const {
        std::vector<RegisterSetting> settings;
        // The user's program sets its clock up, not the routine.
        if (settings_.oscillator == PicOscillator::internal && !routine_) {
            for (const RegisterSetting& s : settings_.chip->internalClockSetup) settings.push_back(s);
        }
        for (const RegisterSetting& s : settings_.chip->pinSetup) settings.push_back(s);
        return settings;
    }

    void selectBank(std::uint16_t address) {
        if (settings_.chip->family == PicFamily::enhancedMidRange) {
            const unsigned bank = (address >> 7) & 31u;
            if (bank != bank_) code_.literalOp(pic::kMovlb, static_cast<std::uint8_t>(bank));
            bank_ = bank;
            return;
        }
        const unsigned bank = (address >> 7) & 3u;
        for (unsigned bit = 0; bit < 2; ++bit) {
            const bool wanted = ((bank >> bit) & 1u) != 0;
            if (wanted == (((bank_ >> bit) & 1u) != 0)) continue;
            code_.bitOp(wanted ? pic::kBsf : pic::kBcf, kStatus, bit == 0 ? "RP0" : "RP1",
                        bit == 0 ? kBank0Bit : kBank1Bit);
        }
        bank_ = bank;
    }

    void setRegister(PicRegister reg, std::uint8_t value, std::string_view note) {
        selectBank(reg.address);
        code_.literalOp(pic::kMovlw, value);
        code_.fileOp(pic::kMovwf, reg, note);
    }

    void setUpChip() {
        code_.comment("Set the chip up; the pins start low.");
        for (const RegisterSetting& setting : setupSettings()) {
            if (setting.name.empty()) continue;
            setRegister({setting.name, setting.address}, setting.value,
                        setting.name == "OSCCON" ? "internal clock at 8 MHz" : "pins A and B digital");
        }
        setRegister(tris_, 0xFC, "pins A and B drive");
        if (settings_.trigger != PlayTrigger::reset) setUpTriggers();
        if (packed_) {
            selectBank(read_.control.address);
            code_.bitOp(pic::kBsf, read_.control, "EEPGD", kProgramSpaceBit, "reads from program memory");
            if (settings_.chip->family == PicFamily::enhancedMidRange) {
                code_.bitOp(pic::kBcf, read_.control, "CFGS", kConfigSpaceBit);
            }
        }
        selectBank(0);
        code_.fileOp(pic::kClrf, port_);
        code_.fileOp(pic::kClrf, kPins, "no bit before the first");
    }

    // The register the other pins' levels are read from: an enhanced chip's
    // output latch (LATA at PORTA + 0x100), a mid-range chip's port.
    PicRegister latch() const {
        if (settings_.chip->family != PicFamily::enhancedMidRange) return port_;
        return {latchName_, static_cast<std::uint16_t>(settings_.chip->portAddress + 0x100)};
    }

    // Any bank on entry: bank 0 first. An unknown sound returns at once.
    // Pins A and B go low, the port's other pins keep their levels, and only
    // the pins' direction bits change.
    void enterRoutine() {
        const std::size_t sounds = settings_.bank.size();
        code_.label(kRoutineEntry);
        if (settings_.chip->family == PicFamily::enhancedMidRange) {
            code_.literalOp(pic::kMovlb, 0, "bank 0");
        } else {
            code_.bitOp(pic::kBcf, kStatus, "RP0", kBank0Bit, "bank 0");
            code_.bitOp(pic::kBcf, kStatus, "RP1", kBank1Bit);
        }
        bank_ = 0;
        code_.fileOp(pic::kMovwf, kSound, "the sound asked for");
        if (sounds < 256) {
            code_.literalOp(pic::kAddlw, static_cast<std::uint8_t>(256 - sounds), "a carry: no such sound");
            code_.bitOp(pic::kBtfsc, kStatus, "C", kCarryBit);
            code_.literalOp(pic::kRetlw, 0);
        }
        const std::uint8_t ours = settings_.twoPins ? 3 : 1;
        selectBank(latch().address);
        code_.byteOp(pic::kMovf, latch(), Destination::w);
        selectBank(0);
        code_.literalOp(pic::kAndlw, static_cast<std::uint8_t>(~ours & 0xFF), "the other pins' levels");
        code_.fileOp(pic::kMovwf, kOtherPins);
        code_.fileOp(pic::kMovwf, port_, settings_.twoPins ? "pins A and B low" : "pin A low");
        for (const RegisterSetting& setting : setupSettings()) {
            if (!setting.name.empty()) setRegister({setting.name, setting.address}, setting.value, "pins A and B digital");
        }
        selectBank(tris_.address);
        code_.bitOp(pic::kBcf, tris_, "0", 0, "pin A drives");
        if (settings_.twoPins) code_.bitOp(pic::kBcf, tris_, "1", 1, "pin B drives");
        if (packed_) {
            selectBank(read_.control.address);
            code_.bitOp(pic::kBsf, read_.control, "EEPGD", kProgramSpaceBit, "reads from program memory");
            if (settings_.chip->family == PicFamily::enhancedMidRange) {
                code_.bitOp(pic::kBcf, read_.control, "CFGS", kConfigSpaceBit);
            }
        }
        selectBank(0);
    }

    // After the ramp up: the sound's counter and address, its first read.
    // Sound 0 when no other matches; W runs through sound ^ k.
    void chooseSound() {
        const std::size_t sounds = settings_.bank.size();
        code_.comment("The sound W named: its table.");
        code_.byteOp(pic::kMovf, kSound, Destination::w);
        std::uint8_t before = 0;
        for (std::size_t k = 1; k < sounds; ++k) {
            const auto number = static_cast<std::uint8_t>(k & 0xFF);
            code_.literalOp(pic::kXorlw, static_cast<std::uint8_t>(number ^ before));
            code_.bitOp(pic::kBtfsc, kStatus, "Z", kZeroBit);
            code_.jump(pic::kGoto, "sound" + std::to_string(k));
            before = number;
        }
        for (std::size_t k = 0; k < sounds; ++k) {
            startTable("sound" + std::to_string(k), false, settings_.bank[k], false);
            if (k + 1 < sounds) code_.jump(pic::kGoto, "firstread");
        }
        code_.label("firstread");
        if (packed_) {
            readNextWord();
        } else {
            readNextByte();
        }
        code_.fileOp(pic::kClrf, kPins, "no bit before the sound's first");
        code_.jump(pic::kGoto, kSampleLabel);
    }

    // Counter, address and first byte; then on to the first sample. 25 cycles
    // from its first instruction to the label "sample".
    void startTable(std::string_view label, bool toSound = true, PlayerSound sound = {}, bool readHere = true) {
        code_.label(label);
        if (sound.tableReads == 0) sound = {kFirstTableAddress, settings_.tableReads};
        const std::uint32_t count = 65536u - sound.tableReads;
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(count & 0xFF),
                        packed_ ? "the word count, negated" : "the byte count, negated");
        code_.fileOp(pic::kMovwf, kCountLow);
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(count >> 8));
        code_.fileOp(pic::kMovwf, kCountHigh);
        // A routine's length must not depend on where its tables land.
        const auto load = [this](PicRegister reg, std::uint32_t value, std::string_view note) {
            if (!routine_) return loadByte(reg, value, note);
            code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(value & 0xFF), note);
            code_.fileOp(pic::kMovwf, reg);
        };
        if (packed_) {
            selectBank(read_.address.address);
            load(read_.address, sound.firstWord & 0xFF, "the first table word");
            load(read_.addressHigh, sound.firstWord >> 8, "");
            selectBank(0);
            if (readHere) readNextWord();
        } else {
            load(kAddressLow, sound.firstWord & 0xFF, "the first table byte");
            load(kAddressHigh, sound.firstWord >> 8, "");
            if (readHere) readNextByte();
        }
        if (toSound) code_.jump(pic::kGoto, kSampleLabel);
    }

    // clrf for 0 keeps a table at word 256 as quick to start as it always was.
    void loadByte(PicRegister reg, std::uint32_t value, std::string_view note) {
        if (value == 0) {
            code_.fileOp(pic::kClrf, reg, note);
            return;
        }
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(value), note);
        code_.fileOp(pic::kMovwf, reg);
    }

    void loadWord(PicRegister low, PicRegister high, std::uint32_t value) {
        loadByte(low, value & 0xFF, "");
        loadByte(high, value >> 8 & 0xFF, "");
    }

    // The ramp up's start: level 0, no speed, the step and its negation for
    // the second half, both counts, a clear sum.
    void armRampUp() {
        for (PicRegister reg : {kSumLow, kSumHigh, kLevelLow, kLevelHigh, kSpeedLow, kSpeedHigh}) {
            code_.fileOp(pic::kClrf, reg);
        }
        if (routine_) {
            code_.bitOp(pic::kBcf, kStatus, "C", kCarryBit);
            code_.byteOp(pic::kRrf, kOtherPins, Destination::w, "the other pins, one bit down");
            code_.fileOp(pic::kMovwf, kRampFlags);
        } else {
            code_.fileOp(pic::kClrf, kRampFlags);
        }
        loadWord(kStepLow, kStepHigh, ramp_.step);
        loadWord(kTurnLow, kTurnHigh, kFullLevel - ramp_.step);
        loadByte(kRampUpdates, ramp_.updates + 1, "");
        loadByte(kRampBits, ramp_.bitsPerUpdate & 0xFF, "");
    }

    // The ramp up ends one step below the top with the step turned, and the
    // sound leaves the ramp's registers alone: the same S back down from
    // there ends at exactly 0. Only the speed, the turn and the counts are
    // set again (the plain bits' count was reloaded at the last update).
    void armRampDown() {
        code_.comment("The ramp down starts where the ramp up ended.");
        loadWord(kSpeedLow, kSpeedHigh, 0);
        loadWord(kTurnLow, kTurnHigh, ramp_.step);
        code_.fileOp(pic::kClrf, kRampFlags, "first half");
        loadByte(kRampUpdates, ramp_.updates + 1, "");
    }

    static std::uint32_t loadCycles(std::uint32_t value) { return (value & 0xFF) == 0 ? 1 : 2; }
    static std::uint32_t wordCycles(std::uint32_t value) { return loadCycles(value) + loadCycles(value >> 8); }
    std::uint32_t armRampDownCycles() const {
        return wordCycles(0) + wordCycles(kFullLevel - ramp_.step) + wordCycles(ramp_.step) + 1 +
               loadCycles(ramp_.updates + 1);
    }

    // The routine's ramp down after the sound, in at most
    // kRoutineArmDownMax cycles: the state the sound's variables took.
    void armRampDownAfterSound() {
        const std::uint32_t before = code_.size();
        loadWord(kSpeedLow, kSpeedHigh, 0);
        loadWord(kStepLow, kStepHigh, kFullLevel - ramp_.step);
        loadWord(kTurnLow, kTurnHigh, ramp_.step);
        code_.bitOp(pic::kBcf, kRampFlags, "7", 7, "first half");
        loadByte(kRampUpdates, ramp_.updates + 1, "");
        const std::uint32_t cycles = code_.size() - before;
        if (cycles != armRampDownCycles() || cycles > kRoutineArmDownMax) {
            throw std::logic_error("the ramp down's set-up takes other cycles than planned");
        }
    }

    void rampUp() {
        code_.comment("Bring the output up to half the supply slowly: pin A's density rises from 0.");
        armRampUp();
        code_.jump(pic::kCall, kRampLabel);
        if (settings_.twoPins) {
            shortPad(kRampCyclesPerBit - kRampReturnCycles - 1);
            if (routine_) {
                code_.byteOp(pic::kIncf, kOtherPins, Destination::w, "pin A high, pin B low, the others kept");
            } else {
                code_.literalOp(pic::kMovlw, 1);
            }
            code_.fileOp(pic::kMovwf, port_, "pin A high, pin B low: half the supply without ripple");
        }
        if (routine_) return;  // the sound is chosen after the ramp
        if (!settings_.loop) armRampDown();
        code_.fileOp(pic::kClrf, kPins, "no bit before the sound's first");
        code_.jump(pic::kGoto, kSampleLabel);
    }

    // 18 cycles: the table read and the move to the next address.
    void readNextByte(bool labelled = false) {
        code_.jump(pic::kCall, "fetch");
        if (labelled) code_.label(kRestorePageLabel);
        if (routine_) {
            code_.fileOp(pic::kMovwf, kCurrent);
            code_.literalOp(pic::kMovlw, routinePage(), "back to the routine's page for goto and call");
            code_.fileOp(pic::kMovwf, kPclath);
        } else {
            code_.fileOp(pic::kClrf, kPclath, "back to page 0 for goto and call");
            code_.fileOp(pic::kMovwf, kCurrent);
        }
        code_.byteOp(pic::kIncf, kAddressLow, Destination::f);
        code_.bitOp(pic::kBtfsc, kStatus, "Z", kZeroBit);
        code_.byteOp(pic::kIncf, kAddressHigh, Destination::f, "the same 2 cycles either way");
        code_.literalOp(pic::kMovlw, 8);
        code_.fileOp(pic::kMovwf, kBitsLeft);
    }

    // The next 14-bit word, its first bit moved to the top of currenthi: 22
    // cycles on either family. Starts and ends in bank 0.
    void readNextWord() {
        selectBank(read_.control.address);
        code_.bitOp(pic::kBsf, read_.control, "RD", kReadBit, "read the word");
        code_.plain(pic::kNop, "the read takes two cycles");
        code_.plain(pic::kNop);
        if (settings_.chip->family == PicFamily::enhancedMidRange) {
            code_.skipToNext("as long as on a mid-range chip");
        }
        selectBank(read_.data.address);
        code_.byteOp(pic::kMovf, read_.data, Destination::w);
        selectBank(0);
        code_.fileOp(pic::kMovwf, kCurrent);
        selectBank(read_.dataHigh.address);
        code_.byteOp(pic::kMovf, read_.dataHigh, Destination::w);
        code_.byteOp(pic::kIncf, read_.address, Destination::f);
        code_.bitOp(pic::kBtfsc, kStatus, "Z", kZeroBit);
        code_.byteOp(pic::kIncf, read_.addressHigh, Destination::f, "the same 2 cycles either way");
        selectBank(0);
        code_.fileOp(pic::kMovwf, kCurrentHigh);
        for (int shift = 0; shift < 2; ++shift) {
            code_.byteOp(pic::kRlf, kCurrent, Destination::f, shift == 0 ? "bit 13 to the top" : "");
            code_.byteOp(pic::kRlf, kCurrentHigh, Destination::f);
        }
        code_.literalOp(pic::kMovlw, 14);
        code_.fileOp(pic::kMovwf, kBitsLeft);
    }

    // Cycles from "sample" to its port write, and on the paths to the next one.
    std::uint32_t withinCycles() const {
        return (packed_ ? kWithinPackedWordCycles : kWithinByteCycles) + (routine_ ? kRoutineWithinExtra : 0);
    }
    std::uint32_t boundaryCycles() const {
        const std::uint32_t extra = packed_ ? kRoutineWithinExtra : kRoutineBoundaryExtra;
        return playerMinCycles(false, settings_.storage) + (routine_ ? extra : 0);
    }
    std::uint8_t routinePage() const { return static_cast<std::uint8_t>(settings_.org >> 8); }
    std::uint32_t restartCycles() const { return playerMinCycles(true, settings_.storage); }

    void playSamples() {
        code_.comment("Every sample takes the same number of cycles on every path.");
        code_.label("within");
        wait(settings_.cyclesPerSample - withinCycles(), "waitbit");
        code_.label(kSampleLabel);
        code_.byteOp(pic::kRlf, kCurrent, Destination::f, "next bit, first sample on top");
        if (packed_) code_.byteOp(pic::kRlf, kCurrentHigh, Destination::f);
        code_.byteOp(pic::kRlf, kPins, Destination::f, "into pin A; pin A's bit to pin B");
        code_.byteOp(pic::kMovf, kPins, Destination::w);
        code_.literalOp(pic::kAndlw, settings_.twoPins ? 3 : 1, settings_.twoPins ? "pins A and B" : "pin A only");
        if (routine_) code_.byteOp(pic::kIorwf, kOtherPins, Destination::w, "and the port's other pins");
        code_.fileOp(pic::kMovwf, port_, "the sample's instant");
        code_.byteOp(pic::kDecfsz, kBitsLeft, Destination::f);
        code_.jump(pic::kGoto, "within");
        code_.byteOp(pic::kIncf, kCountLow, Destination::f, "a byte is done");
        code_.bitOp(pic::kBtfsc, kStatus, "Z", kZeroBit);
        code_.byteOp(pic::kIncf, kCountHigh, Destination::f);
        code_.bitOp(pic::kBtfsc, kStatus, "Z", kZeroBit);
        code_.jump(pic::kGoto, "finished", "that was the last byte");
        if (packed_) {
            readNextWord();
        } else {
            readNextByte(true);
        }
        code_.label(kByteDelayLabel);
        wait(settings_.cyclesPerSample - boundaryCycles(), "waitbyte");
        code_.jump(pic::kGoto, kSampleLabel);
    }

    void finish() {
        code_.label("finished");
        if (settings_.loop) {
            code_.comment("Start again at the first byte, in step.");
            wait(settings_.cyclesPerSample - restartCycles(), "waitagain");
            startTable("again");
            return;
        }
        if (routine_) {
            finishRoutine();
            return;
        }
        code_.comment("Bring the output down slowly, then both pins low and sleep.");
        wait(settings_.cyclesPerSample - kSoundToRampCycles, "waitend");
        code_.jump(pic::kCall, kRampLabel);
        shortPad(kRampCyclesPerBit - kRampReturnCycles);
        code_.fileOp(pic::kClrf, port_, "both pins low, one ramp bit after the last");
        if (settings_.trigger != PlayTrigger::reset) {
            code_.jump(pic::kGoto, "released", "wait for the next press");
            return;
        }
        code_.label("asleep");
        code_.plain(pic::kSleep, "until the next reset");
        code_.jump(pic::kGoto, "asleep");
    }

    // The wait comes first: its registers are the ramp's turn and count.
    void finishRoutine() {
        code_.comment("Bring the output down slowly, then pins A and B low and back to the caller.");
        wait(settings_.cyclesPerSample - kSoundToRampCycles - armRampDownCycles(), "waitend");
        armRampDownAfterSound();
        code_.jump(pic::kCall, kRampLabel);
        shortPad(kRampCyclesPerBit - kRampReturnCycles - 1);
        code_.byteOp(pic::kMovf, kOtherPins, Destination::w);
        code_.fileOp(pic::kMovwf, port_, "pins A and B low, one ramp bit after the last");
        code_.literalOp(pic::kMovlw, routinePage(), "PCLATH at the routine's page");
        code_.fileOp(pic::kMovwf, kPclath);
        code_.literalOp(pic::kRetlw, 0, "back to the caller, in bank 0");
    }

    bool enhanced() const { return settings_.chip->family == PicFamily::enhancedMidRange; }
    bool bySelect() const { return settings_.trigger == PlayTrigger::select; }

    // The pins the program reads: one per sound; or the strobe and every
    // bit of the number, so that a number past the bank is seen as such.
    std::span<const TriggerPin> usedTriggerPins() const {
        const std::span<const TriggerPin> all(settings_.chip->triggerPins);
        return all.first(bySelect() ? triggerPinCount(*settings_.chip) : settings_.bank.size());
    }

    PicRegister optionRegister() const { return enhanced() ? kEnhancedOptionRegister : kOptionRegister; }
    std::string_view pullUpsOffName() const {
        if (enhanced()) return "NOT_WPUEN";
        return settings_.chip->triggerPins[0].portName == "GPIO" ? "NOT_GPPU" : "NOT_RBPU";
    }
    std::string_view changeFlagName() const {
        return settings_.chip->triggerPins[0].portName == "GPIO" ? "GPIF" : "RBIF";
    }

    // Each name once: trigger pins share ports and flag registers, and the
    // sound's port may read them too.
    void defineOnce(std::string_view name, std::uint32_t value) {
        if (name.empty() || name == port_.name || !triggerNames_.insert(std::string(name)).second) return;
        code_.define(name, value);
    }

    void defineTriggerSymbols() {
        for (const RegisterSetting& setting : settings_.chip->triggerSetup) defineOnce(setting.name, setting.address);
        defineOnce(kIntcon.name, kIntcon.address);
        defineOnce(optionRegister().name, optionRegister().address);
        if (!enhanced()) defineOnce(changeFlagName(), kPortChangeFlagBit);
        defineOnce(pullUpsOffName(), kPullUpsOffBit);
        for (const TriggerPin& pin : usedTriggerPins()) defineOnce(pin.pin.name, pin.bit);
        for (const TriggerPin& pin : usedTriggerPins()) {
            defineOnce(pin.portName, pin.portAddress);
            defineOnce(pin.changeFlagsName, pin.changeFlagsAddress);
        }
    }

    // Digital inputs with pull-ups whose change wakes the chip, with the
    // interrupts off: the chip goes on after its sleep.
    void setUpTriggers() {
        for (const RegisterSetting& setting : settings_.chip->triggerSetup) {
            if (!setting.name.empty()) setRegister({setting.name, setting.address}, setting.value, "trigger pins");
        }
        selectBank(optionRegister().address);
        code_.bitOp(pic::kBcf, optionRegister(), pullUpsOffName(), kPullUpsOffBit, "pull-ups on the trigger pins");
        selectBank(0);
        code_.literalOp(pic::kMovlw, 1u << kPortChangeEnableBit);
        code_.fileOp(pic::kMovwf, kIntcon, "a port change wakes the chip, no interrupt");
    }

    static PicRegister portOf(const TriggerPin& pin) { return {pin.portName, pin.portAddress}; }

    // Loops until all the pins read high, port by port.
    void awaitReleased(std::span<const TriggerPin> pins) {
        for (std::size_t first = 0; first < pins.size(); ++first) {
            const bool seen = std::any_of(pins.begin(), pins.begin() + static_cast<std::ptrdiff_t>(first),
                                          [&](const TriggerPin& pin) { return pin.portName == pins[first].portName; });
            if (seen) continue;
            std::uint8_t mask = 0;
            for (const TriggerPin& pin : pins) {
                if (pin.portName == pins[first].portName) mask = static_cast<std::uint8_t>(mask | 1u << pin.bit);
            }
            code_.byteOp(pic::kMovf, portOf(pins[first]), Destination::w);
            code_.literalOp(pic::kAndlw, mask, "the trigger pins");
            code_.literalOp(pic::kXorlw, mask);
            code_.bitOp(pic::kBtfss, kStatus, "Z", kZeroBit, "one still held");
            code_.jump(pic::kGoto, "released");
        }
    }

    // Mid-range: a port read ends the change, then its flag clears. Enhanced:
    // the falling-edge flags of each port clear.
    void clearChangeFlags() {
        std::set<std::string_view> cleared;
        for (const TriggerPin& pin : usedTriggerPins()) {
            if (enhanced()) {
                if (!cleared.insert(pin.changeFlagsName).second) continue;
                selectBank(pin.changeFlagsAddress);
                code_.fileOp(pic::kClrf, {pin.changeFlagsName, pin.changeFlagsAddress}, "no falling edge seen");
            } else if (cleared.insert(pin.portName).second) {
                code_.byteOp(pic::kMovf, portOf(pin), Destination::w, "the port read ends the change");
            }
        }
        selectBank(0);
        if (!enhanced()) code_.bitOp(pic::kBcf, kIntcon, changeFlagName(), kPortChangeFlagBit);
    }

    // Sleeps until a trigger pin is pulled low, once every one is released (a
    // pin held through a sound does not play it again); the pins are read
    // once more after the flags clear, so a press just before the sleep is
    // not lost. A pin low then starts its sound from a slow rise, as after a
    // reset. By number: the strobe alone is watched, the number read then.
    void awaitTrigger() {
        const std::span<const TriggerPin> pins = usedTriggerPins();
        code_.comment(bySelect() ? "Wait for the strobe: released, then asleep until it is pulled low."
                                 : "Wait for a trigger pin: all released, then asleep until one changes.");
        code_.label("released");
        awaitReleased(bySelect() ? pins.first(1) : pins);
        code_.label("armed");
        clearChangeFlags();
        if (bySelect()) {
            code_.bitOp(pic::kBtfss, portOf(pins[0]), pins[0].pin.name, pins[0].bit, "the strobe pulled low");
            code_.jump(pic::kGoto, "select");
        } else {
            for (std::size_t k = 0; k < pins.size(); ++k) {
                code_.bitOp(pic::kBtfss, portOf(pins[k]), pins[k].pin.name, pins[k].bit,
                            "pulled low: sound " + std::to_string(k + 1));
                code_.jump(pic::kGoto, "sound" + std::to_string(k + 1));
            }
        }
        code_.plain(pic::kSleep, "until a trigger pin changes");
        code_.plain(pic::kNop);
        code_.jump(pic::kGoto, "armed", "nothing pulled low: back to sleep");
        if (bySelect()) selectSound(pins.subspan(1));
        // Each sound sets its count and address; one read serves them all.
        for (std::size_t k = 0; k < settings_.bank.size(); ++k) {
            startTable("sound" + std::to_string(k + 1), false, settings_.bank[k], false);
            if (k + 1 < settings_.bank.size()) code_.jump(pic::kGoto, "firstread");
        }
        code_.label("firstread");
        if (packed_) {
            readNextWord();
        } else {
            readNextByte();
        }
        code_.label("fromzero");
        code_.fileOp(pic::kClrf, kPins, "the ramp up sets up the rest");
    }

    // The number on the select pins (bit 0 first) picks the sound: 0 is
    // sound 1; a number past the bank plays nothing. The byte being played
    // holds it until its sound's first read.
    void selectSound(std::span<const TriggerPin> bits) {
        code_.label("select");
        code_.fileOp(pic::kClrf, kCurrent, "the number, read from the select pins");
        for (std::size_t i = 0; i < bits.size(); ++i) {
            code_.bitOp(pic::kBtfsc, portOf(bits[i]), bits[i].pin.name, bits[i].bit);
            code_.bitOp(pic::kBsf, kCurrent, std::to_string(i), static_cast<unsigned>(i),
                        i == 0 ? "a high pin is a 1" : "");
        }
        for (std::size_t k = 0; k < settings_.bank.size(); ++k) {
            code_.byteOp(pic::kMovf, kCurrent, Destination::w);
            code_.literalOp(pic::kXorlw, static_cast<std::uint8_t>(k));
            code_.bitOp(pic::kBtfsc, kStatus, "Z", kZeroBit);
            code_.jump(pic::kGoto, "sound" + std::to_string(k + 1), "number " + std::to_string(k));
        }
        code_.jump(pic::kGoto, "released", "no such sound: wait for the next strobe");
    }

    // 7 cycles, the write and the return: the level adds to the sum, whose
    // carry is pin A.
    void rampBitRoutine() {
        code_.label("rampbit");
        code_.byteOp(pic::kMovf, kLevelLow, Destination::w);
        code_.byteOp(pic::kAddwf, kSumLow, Destination::f);
        code_.byteOp(pic::kMovf, kLevelHigh, Destination::w);
        code_.bitOp(pic::kBtfsc, kStatus, "C", kCarryBit);
        code_.byteOp(pic::kIncfsz, kLevelHigh, Destination::w, "a carry into 256 is the carry out");
        code_.byteOp(pic::kAddwf, kSumHigh, Destination::f);
        code_.byteOp(pic::kRlf, kRampFlags, Destination::w, "the carry to pin A, pin B low");
        code_.fileOp(pic::kMovwf, port_);
        code_.literalOp(pic::kRetlw, 0);
    }

    void rampBit() { code_.jump(pic::kCall, "rampbit"); }

    // to += from, 16 bits wide: 6 cycles.
    void addWord(PicRegister toLow, PicRegister toHigh, PicRegister fromLow, PicRegister fromHigh) {
        code_.byteOp(pic::kMovf, fromLow, Destination::w);
        code_.byteOp(pic::kAddwf, toLow, Destination::f);
        code_.byteOp(pic::kMovf, fromHigh, Destination::w);
        code_.bitOp(pic::kBtfsc, kStatus, "C", kCarryBit);
        code_.byteOp(pic::kIncfsz, fromHigh, Destination::w);
        code_.byteOp(pic::kAddwf, toHigh, Destination::f);
    }

    // The ramp, called with armRampUp's or armRampDown's state: a bit every kRampCyclesPerBit
    // cycles on every path. Plain bits, then an update: the level takes the
    // speed, the speed takes the step. After `updates` updates the step turns
    // to its negation; `updates` - 1 updates later the ramp returns.
    void rampRoutine() {
        code_.comment("The ramp: one pin A bit every " + std::to_string(kRampCyclesPerBit) + " cycles.");
        rampBitRoutine();
        code_.label("ramplevel");
        rampBit();
        addWord(kLevelLow, kLevelHigh, kSpeedLow, kSpeedHigh);
        static_assert(kRampWorkCycles == 6, "an update's add fills a bit");
        rampBit();
        addWord(kSpeedLow, kSpeedHigh, kStepLow, kStepHigh);
        code_.label(kRampLabel);
        rampBit();
        pad(kRampWorkCycles - 3);
        code_.byteOp(pic::kDecfsz, kRampBits, Destination::f);
        code_.jump(pic::kGoto, kRampLabel);
        code_.plain(pic::kNop, "the skip was a cycle shorter than the goto");
        rampBit();
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(ramp_.bitsPerUpdate & 0xFF));
        code_.fileOp(pic::kMovwf, kRampBits);
        pad(kRampWorkCycles - 5);
        code_.byteOp(pic::kDecfsz, kRampUpdates, Destination::f);
        code_.jump(pic::kGoto, "ramplevel");
        code_.plain(pic::kNop, "the skip was a cycle shorter than the goto");
        rampBit();
        code_.bitOp(pic::kBtfsc, kRampFlags, "7", 7, "past the middle: done");
        code_.jump(pic::kGoto, "rampend");
        code_.byteOp(pic::kMovf, kTurnLow, Destination::w, "the step turns");
        code_.fileOp(pic::kMovwf, kStepLow);
        code_.byteOp(pic::kMovf, kTurnHigh, Destination::w);
        code_.fileOp(pic::kMovwf, kStepHigh);
        rampBit();
        code_.bitOp(pic::kBsf, kRampFlags, "7", 7);
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(ramp_.updates - 1));
        code_.fileOp(pic::kMovwf, kRampUpdates);
        pad(kRampWorkCycles - 5);
        code_.jump(pic::kGoto, "ramplevel");
        code_.label("rampend");
        code_.literalOp(pic::kRetlw, 0, "back to the caller");
    }

    // Exactly `cycles` cycles in fewer words, where W may change: a call to
    // the ramp's retlw takes four cycles in one word.
    void shortPad(std::uint32_t cycles) {
        for (; cycles >= 4; cycles -= 4) code_.jump(pic::kCall, "rampend", "4 cycles");
        pad(cycles);
    }

    // Exactly `cycles` cycles without a loop.
    void pad(std::uint32_t cycles) {
        for (; cycles >= 2; cycles -= 2) code_.skipToNext();
        if (cycles == 1) code_.plain(pic::kNop);
    }

    // Jumps to the table word at the address; its retlw comes back with the
    // byte in W and leaves PCLATH at the table's page.
    void fetchRoutine() {
        code_.label("fetch");
        code_.byteOp(pic::kMovf, kAddressHigh, Destination::w);
        code_.fileOp(pic::kMovwf, kPclath);
        code_.byteOp(pic::kMovf, kAddressLow, Destination::w);
        code_.fileOp(pic::kMovwf, kPcl, "on to the retlw");
    }

    // Exactly `cycles` cycles, in at most eleven words.
    void wait(std::uint32_t cycles, std::string_view label) {
        if (cycles > kMaxWaitCycles) throw std::logic_error("wait too long for the player");
        std::uint32_t padding = cycles;
        if (cycles >= 8) {
            const std::uint32_t outer = (cycles - 8) / kOuterStep + 1;
            const std::uint32_t rest = cycles - kLoopBase - kOuterStep * (outer - 1);
            const std::uint32_t inner = std::min<std::uint32_t>(rest / 3, 256);
            padding = rest - 3 * inner;
            code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(inner & 0xFF));
            code_.fileOp(pic::kMovwf, kWaitInner);
            code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(outer & 0xFF));
            code_.fileOp(pic::kMovwf, kWaitOuter, std::to_string(cycles) + " cycles");
            code_.label(label);
            code_.byteOp(pic::kDecfsz, kWaitInner, Destination::f);
            code_.jump(pic::kGoto, label);
            code_.byteOp(pic::kDecfsz, kWaitOuter, Destination::f);
            code_.jump(pic::kGoto, label);
        }
        for (; padding >= 2; padding -= 2) code_.skipToNext();
        if (padding == 1) code_.plain(pic::kNop);
    }

    const PlayerSettings& settings_;
    const bool routine_ = settings_.form == PlayerForm::routine;
    // The variables, at their form's addresses.
    const PicRegister kCurrent = variable(kCurrentVariable);
    const PicRegister kPins = variable(kPinsVariable);
    const PicRegister kAddressLow = variable(kAddressLowVariable);
    const PicRegister kAddressHigh = variable(kAddressHighVariable);
    const PicRegister kCountLow = variable(kCountLowVariable);
    const PicRegister kCountHigh = variable(kCountHighVariable);
    const PicRegister kBitsLeft = variable(kBitsLeftVariable);
    const PicRegister kWaitInner = variable(kWaitInnerVariable);
    const PicRegister kWaitOuter = variable(kWaitOuterVariable);
    const PicRegister kLevelLow = variable(kLevelLowVariable);
    const PicRegister kLevelHigh = variable(kLevelHighVariable);
    const PicRegister kSumLow = variable(kSumLowVariable);
    const PicRegister kSumHigh = variable(kSumHighVariable);
    const PicRegister kCurrentHigh = variable(kCurrentHighVariable);
    const PicRegister kSpeedLow = variable(kSpeedLowVariable);
    const PicRegister kSpeedHigh = variable(kSpeedHighVariable);
    const PicRegister kStepLow = variable(kStepLowVariable);
    const PicRegister kStepHigh = variable(kStepHighVariable);
    const PicRegister kTurnLow = variable(kTurnLowVariable);
    const PicRegister kTurnHigh = variable(kTurnHighVariable);
    const PicRegister kRampFlags = variable(kRampFlagsVariable);
    const PicRegister kRampBits = variable(kRampBitsVariable);
    const PicRegister kRampUpdates = variable(kRampUpdatesVariable);
    const PicRegister kOtherPins = variable(kOtherPinsVariable);
    const PicRegister kSound = variable(kSoundVariable);
    const std::string latchName_ = "LAT" + std::string(settings_.chip->portName.substr(4));  // PORTC: LATC
    PicRegister port_;
    PicRegister tris_;
    PicAssembly code_;
    bool packed_;
    ProgramReadRegisters read_;
    PlayerRamp ramp_ = playerRamp(settings_.clockHz, settings_.twoPins, settings_.loop);
    unsigned bank_ = 0;
    std::set<std::string, std::less<>> triggerNames_;
};

}  // namespace

PlayerRamp playerRamp(std::uint32_t clockHz, bool twoPins, bool loop) {
    // Cycles in 0.15 s; the most updates whose bits per update, rounded, keep
    // the ramp near it (at 32768 Hz, 8 updates of 2 bits still do).
    const std::uint64_t cycles = std::uint64_t{clockHz} * 3 / 80;
    PlayerRamp ramp;
    for (std::uint32_t updates = kLargestUpdates;; updates /= 2) {
        const std::uint64_t perUpdate = (cycles + updates * kRampCyclesPerBit) / (2 * updates * kRampCyclesPerBit);
        if (perUpdate >= 4 || updates == kSmallestUpdates) {
            ramp.updates = updates;
            ramp.bitsPerUpdate = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(perUpdate, 4, 259) - 3);
            break;
        }
    }
    ramp.step = (twoPins ? kFullLevel : kFullLevel / 2) / (ramp.updates * ramp.updates);
    // Each update is its plain bits and three more (two at the middle, one at the end).
    ramp.bits = 2 * ramp.updates * (ramp.bitsPerUpdate + 3) + 1;
    ramp.upWrites = ramp.bits + (twoPins ? 1 : 0);
    ramp.downWrites = loop ? 0 : ramp.bits;
    return ramp;
}

std::uint32_t playerMinCycles(bool loop, PicStorage storage, PlayerForm form) {
    if (form == PlayerForm::routine) return storage == PicStorage::packed14 ? kPackedRoutineMinCycles : kRoutineMinCycles;
    if (storage == PicStorage::packed14) return loop ? kPackedPlayerMinCyclesLooping : kPackedPlayerMinCycles;
    return loop ? kPlayerMinCyclesLooping : kPlayerMinCycles;
}

PicAssembly buildPlayer(const PlayerSettings& settings) {
    if (settings.chip == nullptr ||
        settings.cyclesPerSample < playerMinCycles(settings.loop, settings.storage, settings.form) ||
        settings.cyclesPerSample > kPlayerMaxCycles || settings.tableReads == 0 || settings.tableReads > 65535 ||
        settings.storage == PicStorage::packed16) {
        throw std::invalid_argument("player settings out of range");
    }
    if (settings.form == PlayerForm::routine &&
        (settings.bank.empty() || settings.bank.size() > 256 || settings.loop ||
         settings.trigger != PlayTrigger::reset || settings.chip->family == PicFamily::pic18 ||
         settings.ram < kRoutineRamLowest || settings.ram + kRoutineRegisters > kRoutineRamEnd)) {
        throw std::invalid_argument("routine settings out of range");
    }
    PicAssembly code = PlayerWriter(settings).build();
    // A bank's player may outgrow its block: the program moves the tables up.
    if (code.size() > kPlayerMaxWords && settings.bank.empty()) throw std::logic_error("player larger than its block");
    return code;
}

}  // namespace ryx
