#include "firmware/Pic18Player.h"

#include <algorithm>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

constexpr PicRegister kTablat{"TABLAT", 0xFF5};
constexpr PicRegister kTblptrLow{"TBLPTRL", 0xFF6};
constexpr PicRegister kTblptrHigh{"TBLPTRH", 0xFF7};
constexpr PicRegister kTblptrUpper{"TBLPTRU", 0xFF8};
// Player variables in the access bank: a program's at fixed addresses, a
// routine's from its first register, sharing addresses as the mid-range
// routine's do (the sound's reuse the ramp's speed, step, turn and count,
// which are set again after the sound), so that all fit its 16 registers.
struct Pic18Variable {
    std::string_view name;
    std::uint8_t programAddress;
    std::uint8_t routineOffset;
};
constexpr std::uint8_t kNoAddress = 0xFF;  // not a variable of that form
constexpr Pic18Variable kCurrentVariable{"current", 0x00, 7};  // the byte being played, next bit on top
constexpr Pic18Variable kPinsVariable{"pins", 0x01, 8};        // bit 0: this sample, bit 1: the one before
constexpr Pic18Variable kCountLowVariable{"countlo", 0x02, 9};  // counts up to 65536 over the table bytes
constexpr Pic18Variable kCountHighVariable{"counthi", 0x03, 10};
constexpr Pic18Variable kBitsLeftVariable{"bitsleft", 0x04, 11};
constexpr Pic18Variable kWaitInnerVariable{"wait1", 0x05, 12};
constexpr Pic18Variable kWaitOuterVariable{"wait2", 0x06, 13};
// The ramp's registers (see rampRoutine).
constexpr Pic18Variable kLevelLowVariable{"levello", 0x07, 1};  // pin A's density: 65536 is always high
constexpr Pic18Variable kLevelHighVariable{"levelhi", 0x08, 2};
constexpr Pic18Variable kSumLowVariable{"sumlo", 0x09, 3};  // the sigma-delta sum; its carry is the bit
constexpr Pic18Variable kSumHighVariable{"sumhi", 0x0A, 4};
constexpr Pic18Variable kSpeedLowVariable{"speedlo", 0x0B, 7};  // added to the level at each update
constexpr Pic18Variable kSpeedHighVariable{"speedhi", 0x0C, 8};
constexpr Pic18Variable kStepLowVariable{"steplo", 0x0D, 9};  // added to the speed at each update
constexpr Pic18Variable kStepHighVariable{"stephi", 0x0E, 10};
constexpr Pic18Variable kTurnLowVariable{"turnlo", 0x0F, 11};  // the step after the middle
constexpr Pic18Variable kTurnHighVariable{"turnhi", 0x10, 12};
// Bit 7: past the middle; bits 0 to 6 go to port bits 1 to 7: pin B low
// (a routine: the port's other pins as they were).
constexpr Pic18Variable kRampFlagsVariable{"rampflags", 0x11, 5};
constexpr Pic18Variable kRampBitsVariable{"rampbits", 0x12, 6};    // plain bits left before the next update
constexpr Pic18Variable kRampUpdatesVariable{"rampupd", 0x13, 13};  // updates left in this half
// A routine's own: the port's other pins, pins A and B clear; the sound
// asked for; the caller's BSR.
constexpr Pic18Variable kOtherPinsVariable{"others", kNoAddress, 0};
constexpr Pic18Variable kSoundVariable{"sound", kNoAddress, 14};
constexpr Pic18Variable kSavedBankVariable{"savedbsr", kNoAddress, 15};
static_assert(kRoutineRegisters == 16, "the routine's offsets run from 0 to 15");

constexpr PicRegister kStatus{"STATUS", 0xFD8};
constexpr PicRegister kBsr{"BSR", 0xFE0};
constexpr unsigned kCarryBit = 0;
constexpr unsigned kZeroBit = 2;
// A port's output latch: LATB at PORTB + 9.
constexpr std::uint16_t kLatchOffset = 9;

// Waking on a change of RB4 to RB7, with the interrupts off.
constexpr PicRegister kIntcon{"INTCON", 0xFF2};
constexpr PicRegister kIntcon2{"INTCON2", 0xFF1};
constexpr unsigned kPortChangeFlagBit = 0;    // RBIF
constexpr unsigned kPortChangeEnableBit = 3;  // RBIE
constexpr unsigned kPullUpsOffBit = 7;        // NOT_RBPU, in INTCON2

// The table's first byte: word 256.
constexpr std::uint32_t kTableByteAddress = 2 * kTableStartWord;

// Every path from one sample's port write to the next makes the same number
// of table reads (one per byte, two with retlw storage: the second skips the
// retlw's high byte), so the spacing never depends on what a read costs: two
// cycles on the chip, one in gpsim 0.31. Paths without a byte to read make a
// TBLRD* that leaves the pointer alone.
constexpr std::uint32_t kReadCycles = 2;
// Cycles of each path without its table reads and its wait.
constexpr std::uint32_t kWithinByteCycles = 8;
constexpr std::uint32_t kByteBoundaryCycles = 17;
constexpr std::uint32_t kRestartCycles = 26;
// The sound's last sample to the first ramp bit: it lasts a whole sample.
constexpr std::uint32_t kSoundToRampCycles = 17;
static_assert(kByteBoundaryCycles + 2 * kReadCycles == kPic18PlayerMinCycles);
static_assert(kRestartCycles + 2 * kReadCycles == kPic18PlayerMinCyclesLooping);
static_assert(kSoundToRampCycles + 2 * kReadCycles <= kPic18PlayerMinCycles);
// A routine ORs the port's other pins into every sample's write, and sets
// the ramp down up again between the sound's last sample and the ramp.
constexpr std::uint32_t kRoutineSampleExtra = 1;
constexpr std::uint32_t kRoutineArmDownMax = 13;  // see armRampDownAfterSound
static_assert(kByteBoundaryCycles + kRoutineSampleExtra + 2 * kReadCycles <= kPic18RoutineMinCycles);
static_assert(kSoundToRampCycles + kRoutineArmDownMax + 2 * kReadCycles == kPic18RoutineMinCycles);

// A ramp bit: the call to "rampbit", 5 cycles of sigma-delta, the port write
// and the return; then this many cycles of other work before the next call.
// The ramp makes no table reads: its bits are as far apart in the simulator.
constexpr std::uint32_t kRampBitCycles = 2 + 5 + 1 + 2;
constexpr std::uint32_t kRampWorkCycles = kRampCyclesPerBit - kRampBitCycles;
// From the last ramp bit's write, through both returns, to the caller.
constexpr std::uint32_t kRampReturnCycles = 8;

// Two nested counting loops: 3A + 770(B - 1) + 5 cycles for A, B in 1 ... 256,
// and up to four cycles of padding.
constexpr std::uint32_t kLoopBase = 5;
constexpr std::uint32_t kOuterStep = 770;
constexpr std::uint32_t kMaxWaitCycles = 3 * 256 + kOuterStep * 255 + kLoopBase + 4;
static_assert(kPic18PlayerMaxCycles == kMaxWaitCycles + kWithinByteCycles,
              "the slowest rate's within-byte wait, at least one read shorter, fits the loops");

class Pic18PlayerWriter {
public:
    explicit Pic18PlayerWriter(const PlayerSettings& settings) : settings_(settings) {}

    PicAssembly build() {
        defineSymbols();
        if (routine_) return buildRoutine();
        setUpChip();
        if (settings_.trigger != PlayTrigger::reset) {
            awaitTrigger();
        } else {
            startTable("first");
        }
        rampUp();
        playSamples();
        finish();
        rampRoutine();
        return std::move(code_);
    }

private:
    // W: the sound's number. Sets its pins up, plays between the ramps,
    // returns with W = 0 and the caller's BSR.
    PicAssembly buildRoutine() {
        enterRoutine();
        rampUp();
        chooseSound();
        playSamples();
        finish();
        rampRoutine();
        return std::move(code_);
    }

    PicRegister variable(const Pic18Variable& v) const {
        return {v.name, static_cast<std::uint16_t>(routine_ ? settings_.ram + v.routineOffset : v.programAddress)};
    }

    std::uint32_t readsPerByte() const { return storage_ == PicStorage::retlw ? 2 : 1; }
    // A path's cycles with its table reads: what its wait leaves of the sample.
    std::uint32_t waitAfter(std::uint32_t pathCycles) const {
        return settings_.cyclesPerSample - pathCycles - kReadCycles * readsPerByte();
    }

    // The reads of a path that has no byte to read.
    void balancingReads() {
        for (std::uint32_t read = 0; read < readsPerByte(); ++read) {
            code_.plain(pic18::kTblrd, "as many table reads as a byte's path");
        }
    }

    void defineSymbols() {
        for (PicRegister reg : {port_, tris_, kTablat, kTblptrLow, kTblptrHigh, kTblptrUpper}) {
            code_.define(reg.name, reg.address);
        }
        for (const RegisterSetting& setting : setupSettings()) code_.define(setting.name, setting.address);
        if (routine_) {
            for (PicRegister reg : {kStatus, kBsr}) code_.define(reg.name, reg.address);
            code_.define("C", kCarryBit);
            code_.define("Z", kZeroBit);
            for (PicRegister reg : {kOtherPins, kSound, kSavedBank}) code_.define(reg.name, reg.address);
        }
        for (PicRegister reg : {kCurrent, kPins, kCountLow, kCountHigh, kBitsLeft, kWaitInner, kWaitOuter}) {
            code_.define(reg.name, reg.address);
        }
        for (PicRegister reg : {kLevelLow, kLevelHigh, kSumLow, kSumHigh, kSpeedLow, kSpeedHigh, kStepLow, kStepHigh,
                                kTurnLow, kTurnHigh, kRampFlags, kRampBits, kRampUpdates}) {
            code_.define(reg.name, reg.address);
        }
        if (settings_.trigger != PlayTrigger::reset) defineTriggerSymbols();
    }

    std::vector<RegisterSetting> setupSettings() const {
        std::vector<RegisterSetting> settings;
        // The user's program sets its clock up, not the routine.
        if (settings_.oscillator == PicOscillator::internal && !routine_) {
            for (const RegisterSetting& s : settings_.chip->internalClockSetup) settings.push_back(s);
        }
        for (const RegisterSetting& s : settings_.chip->pinSetup) settings.push_back(s);
        std::erase_if(settings, [](const RegisterSetting& s) { return s.name.empty(); });
        return settings;
    }

    // Registers outside the access bank (ANSELB, WPUB, IOCB) are reached through BSR.
    void setRegister(const RegisterSetting& setting, std::string_view note) {
        const PicRegister reg{setting.name, setting.address};
        if (reg.address >= 0x60 && reg.address < 0xF80) {
            code_.literalOp(pic18::kMovlb, static_cast<std::uint8_t>(reg.address >> 8));
        }
        code_.literalOp(pic18::kMovlw, setting.value);
        code_.fileOp(pic18::kMovwf, reg, note);
    }

    void setUpChip() {
        code_.comment("Set the chip up; the pins start low.");
        code_.fileOp(pic18::kClrf, port_, "the latch, before the pins drive");
        const std::string clockNote =
            "internal clock at " + std::to_string(settings_.chip->internalClockHz / 1000000) + " MHz";
        for (const RegisterSetting& setting : setupSettings()) {
            setRegister(setting, setting.name == "OSCCON" ? clockNote : std::string("pins A and B digital"));
        }
        code_.literalOp(pic18::kMovlw, 0xFC);
        code_.fileOp(pic18::kMovwf, tris_, "pins A and B drive");
        if (settings_.trigger != PlayTrigger::reset) setUpTriggers();
        code_.fileOp(pic18::kClrf, kPins, "no bit before the first");
    }

    // Table pointer, byte count and first byte: 14 cycles (16 with retlw storage).
    void startTable(std::string_view label) {
        code_.label(label);
        code_.fileOp(pic18::kClrf, kTblptrUpper, "the table starts at word 256");
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(kTableByteAddress >> 8));
        code_.fileOp(pic18::kMovwf, kTblptrHigh);
        code_.fileOp(pic18::kClrf, kTblptrLow);
        const std::uint32_t count = 65536u - tableReads_;
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(count & 0xFF), "the byte count, negated");
        code_.fileOp(pic18::kMovwf, kCountLow);
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(count >> 8));
        code_.fileOp(pic18::kMovwf, kCountHigh);
        readNextByte();
    }

    // 4 cycles and the table reads.
    void readNextByte(bool labelled = false) {
        if (labelled) code_.label(kPic18TableReadLabel);
        code_.plain(pic18::kTblrdPostIncrement, "the next table byte");
        code_.byteOp(pic18::kMovf, kTablat, Destination::w);
        if (storage_ == PicStorage::retlw) code_.plain(pic18::kTblrdPostIncrement, "past the retlw's high byte");
        code_.fileOp(pic18::kMovwf, kCurrent);
        code_.literalOp(pic18::kMovlw, 8);
        code_.fileOp(pic18::kMovwf, kBitsLeft);
    }

    // A byte into a register: clrf for 0, a word shorter.
    void loadByte(PicRegister reg, std::uint32_t value) {
        if (value == 0) {
            code_.fileOp(pic18::kClrf, reg);
            return;
        }
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(value));
        code_.fileOp(pic18::kMovwf, reg);
    }

    void loadWord(PicRegister low, PicRegister high, std::uint32_t value) {
        loadByte(low, value & 0xFF);
        loadByte(high, value >> 8 & 0xFF);
    }

    // The ramp up's start: level 0, no speed, the step and its negation for
    // the second half, both counts, a clear sum.
    void armRampUp() {
        for (PicRegister reg : {kSumLow, kSumHigh, kLevelLow, kLevelHigh, kSpeedLow, kSpeedHigh}) {
            code_.fileOp(pic18::kClrf, reg);
        }
        if (routine_) {
            code_.bitOp(pic18::kBcf, kStatus, "C", kCarryBit);
            code_.byteOp(pic18::kRrcf, kOtherPins, Destination::w, "the other pins, one bit down");
            code_.fileOp(pic18::kMovwf, kRampFlags);
        } else {
            code_.fileOp(pic18::kClrf, kRampFlags);
        }
        loadWord(kStepLow, kStepHigh, ramp_.step);
        loadWord(kTurnLow, kTurnHigh, (0x10000 - ramp_.step) & 0xFFFF);  // -step in 16 bits
        loadByte(kRampUpdates, ramp_.updates + 1);
        loadByte(kRampBits, ramp_.bitsPerUpdate & 0xFF);
    }

    // The ramp up ends one step below the top with the step turned, and the
    // sound leaves the ramp's registers alone: the same S back down from
    // there ends at exactly 0. Only the speed, the turn and the counts are
    // set again (the plain bits' count was reloaded at the last update).
    void armRampDown() {
        code_.comment("The ramp down starts where the ramp up ended.");
        loadWord(kSpeedLow, kSpeedHigh, 0);
        loadWord(kTurnLow, kTurnHigh, ramp_.step);
        code_.fileOp(pic18::kClrf, kRampFlags, "first half");
        loadByte(kRampUpdates, ramp_.updates + 1);
    }

    // The first table byte is read before the ramp, so the first sample
    // follows the ramp's last bit after a fixed number of cycles.
    void rampUp() {
        code_.comment("Bring the output up to half the supply slowly: pin A's density rises from 0.");
        armRampUp();
        code_.jump(pic18::kCall, kRampLabel);
        if (settings_.twoPins) {
            pad(kRampCyclesPerBit - kRampReturnCycles - 1);
            if (routine_) {
                code_.byteOp(pic18::kIncf, kOtherPins, Destination::w, "pin A high, pin B low, the others kept");
            } else {
                code_.literalOp(pic18::kMovlw, 1);
            }
            code_.fileOp(pic18::kMovwf, port_, "pin A high, pin B low: half the supply without ripple");
        }
        if (routine_) return;  // the sound is chosen after the ramp
        if (!settings_.loop) armRampDown();
        code_.fileOp(pic18::kClrf, kPins, "no bit before the sound's first");
        code_.branch(pic18::kBra, kSampleLabel);
    }

    void playSamples() {
        code_.comment("Every sample takes the same number of cycles on every path.");
        code_.label("within");
        balancingReads();
        wait(waitAfter(kWithinByteCycles + sampleExtra()), "waitbit");
        code_.label(kSampleLabel);
        code_.byteOp(pic18::kRlcf, kCurrent, Destination::f, "next bit, first sample on top");
        code_.byteOp(pic18::kRlcf, kPins, Destination::f, "into pin A; pin A's bit to pin B");
        code_.byteOp(pic18::kMovf, kPins, Destination::w);
        code_.literalOp(pic18::kAndlw, settings_.twoPins ? 3 : 1, settings_.twoPins ? "pins A and B" : "pin A only");
        if (routine_) code_.byteOp(pic18::kIorwf, kOtherPins, Destination::w, "and the port's other pins");
        code_.fileOp(pic18::kMovwf, port_, "the sample's instant");
        code_.byteOp(pic18::kDecfsz, kBitsLeft, Destination::f);
        code_.branch(pic18::kBra, "within");
        code_.byteOp(pic18::kIncf, kCountLow, Destination::f, "a byte is done");
        code_.literalOp(pic18::kMovlw, 0);
        code_.byteOp(pic18::kAddwfc, kCountHigh, Destination::f, "a carry out: that was the last byte");
        code_.branch(pic18::kBc, "finished");
        readNextByte(true);
        code_.label(kByteDelayLabel);
        wait(waitAfter(kByteBoundaryCycles + sampleExtra()), "waitbyte");
        code_.branch(pic18::kBra, kSampleLabel);
    }

    void finish() {
        code_.label("finished");
        if (settings_.loop) {
            code_.comment("Start again at the first byte, in step.");
            wait(waitAfter(kRestartCycles), "waitagain");
            startTable("again");
            code_.branch(pic18::kBra, kSampleLabel);
            return;
        }
        if (routine_) {
            finishRoutine();
            return;
        }
        code_.comment("Bring the output down slowly, then both pins low and sleep.");
        balancingReads();
        wait(waitAfter(kSoundToRampCycles), "waitend");
        code_.jump(pic18::kCall, kRampLabel);
        pad(kRampCyclesPerBit - kRampReturnCycles);
        code_.fileOp(pic18::kClrf, port_, "both pins low, one ramp bit after the last");
        if (settings_.trigger != PlayTrigger::reset) {
            code_.branch(pic18::kBra, "released", "wait for the next press");
            return;
        }
        code_.label("asleep");
        code_.plain(pic18::kSleep, "until the next reset");
        code_.branch(pic18::kBra, "asleep");
    }

    std::uint32_t sampleExtra() const { return routine_ ? kRoutineSampleExtra : 0; }

    // Any BSR on entry. An unknown sound returns at once. Pins A and B go
    // low, the port's other pins keep their levels, and only the pins'
    // direction bits change.
    void enterRoutine() {
        const std::size_t sounds = settings_.bank.size();
        code_.label(kRoutineEntry);
        code_.fileOp(pic18::kMovwf, kSound, "the sound asked for");
        if (sounds < 256) {
            code_.literalOp(pic18::kAddlw, static_cast<std::uint8_t>(256 - sounds), "a carry: no such sound");
            code_.bitOp(pic18::kBtfsc, kStatus, "C", kCarryBit);
            code_.literalOp(pic18::kRetlw, 0);
        }
        code_.byteOp(pic18::kMovf, kBsr, Destination::w);
        code_.fileOp(pic18::kMovwf, kSavedBank, "the caller's BSR, given back at the end");
        const std::uint8_t ours = settings_.twoPins ? 3 : 1;
        code_.byteOp(pic18::kMovf, port_, Destination::w);
        code_.literalOp(pic18::kAndlw, static_cast<std::uint8_t>(~ours & 0xFF), "the other pins' levels");
        code_.fileOp(pic18::kMovwf, kOtherPins);
        code_.fileOp(pic18::kMovwf, port_, settings_.twoPins ? "pins A and B low" : "pin A low");
        for (const RegisterSetting& setting : setupSettings()) setRegister(setting, "pins A and B digital");
        code_.bitOp(pic18::kBcf, tris_, "0", 0, "pin A drives");
        if (settings_.twoPins) code_.bitOp(pic18::kBcf, tris_, "1", 1, "pin B drives");
    }

    // After the ramp up: the sound's table pointer and count, its first
    // read. Sound 0 when no other matches; W runs through sound ^ k. goto
    // reaches every sound of a long bank.
    void chooseSound() {
        const std::size_t sounds = settings_.bank.size();
        code_.comment("The sound W named: its table.");
        code_.byteOp(pic18::kMovf, kSound, Destination::w);
        std::uint8_t before = 0;
        for (std::size_t k = 1; k < sounds; ++k) {
            const auto number = static_cast<std::uint8_t>(k & 0xFF);
            code_.literalOp(pic18::kXorlw, static_cast<std::uint8_t>(number ^ before));
            code_.bitOp(pic18::kBtfsc, kStatus, "Z", kZeroBit);
            code_.jump(pic18::kGoto, "sound" + std::to_string(k));
            before = number;
        }
        for (std::size_t k = 0; k < sounds; ++k) {
            startSound("sound" + std::to_string(k), settings_.bank[k]);
            if (k + 1 < sounds) code_.jump(pic18::kGoto, "firstread");
        }
        code_.label("firstread");
        readNextByte();
        code_.fileOp(pic18::kClrf, kPins, "no bit before the sound's first");
        code_.branch(pic18::kBra, kSampleLabel);
    }

    static std::uint32_t loadCycles(std::uint32_t value) { return (value & 0xFF) == 0 ? 1 : 2; }
    static std::uint32_t wordCycles(std::uint32_t value) { return loadCycles(value) + loadCycles(value >> 8); }
    std::uint32_t turnedStep() const { return (0x10000 - ramp_.step) & 0xFFFF; }
    std::uint32_t armRampDownCycles() const {
        return wordCycles(0) + wordCycles(turnedStep()) + wordCycles(ramp_.step) + 1 + loadCycles(ramp_.updates + 1);
    }

    // The routine's ramp down after the sound, in at most
    // kRoutineArmDownMax cycles: the sound's variables took the ramp's
    // speed, step, turn and count. The ramp up ended with the step turned.
    void armRampDownAfterSound() {
        const std::uint32_t before = code_.size();
        loadWord(kSpeedLow, kSpeedHigh, 0);
        loadWord(kStepLow, kStepHigh, turnedStep());
        loadWord(kTurnLow, kTurnHigh, ramp_.step);
        code_.bitOp(pic18::kBcf, kRampFlags, "7", 7, "first half");
        loadByte(kRampUpdates, ramp_.updates + 1);
        const std::uint32_t cycles = code_.size() - before;
        if (cycles != armRampDownCycles() || cycles > kRoutineArmDownMax) {
            throw std::logic_error("the ramp down's set-up takes other cycles than planned");
        }
    }

    // The wait comes first: its registers are the ramp's turn and count.
    void finishRoutine() {
        code_.comment("Bring the output down slowly, then pins A and B low and back to the caller.");
        balancingReads();
        wait(waitAfter(kSoundToRampCycles) - armRampDownCycles(), "waitend");
        armRampDownAfterSound();
        code_.jump(pic18::kCall, kRampLabel);
        pad(kRampCyclesPerBit - kRampReturnCycles - 1);
        code_.byteOp(pic18::kMovf, kOtherPins, Destination::w);
        code_.fileOp(pic18::kMovwf, port_, "pins A and B low, one ramp bit after the last");
        code_.byteOp(pic18::kMovf, kSavedBank, Destination::w);
        code_.fileOp(pic18::kMovwf, kBsr, "the caller's BSR");
        code_.literalOp(pic18::kRetlw, 0, "back to the caller");
    }

    bool bySelect() const { return settings_.trigger == PlayTrigger::select; }

    // The pins the program reads: one per sound; or the strobe and every
    // bit of the number, so that a number past the bank is seen as such.
    std::span<const TriggerPin> usedTriggerPins() const {
        const std::span<const TriggerPin> all(settings_.chip->triggerPins);
        return all.first(bySelect() ? triggerPinCount(*settings_.chip) : settings_.bank.size());
    }

    // Each name once: the trigger pins share their port with pins A and B.
    void defineOnce(std::string_view name, std::uint32_t value) {
        if (name.empty() || name == port_.name || !triggerNames_.insert(std::string(name)).second) return;
        code_.define(name, value);
    }

    void defineTriggerSymbols() {
        for (const RegisterSetting& setting : settings_.chip->triggerSetup) defineOnce(setting.name, setting.address);
        defineOnce(kIntcon.name, kIntcon.address);
        defineOnce(kIntcon2.name, kIntcon2.address);
        defineOnce("RBIF", kPortChangeFlagBit);
        defineOnce("NOT_RBPU", kPullUpsOffBit);
        for (const TriggerPin& pin : usedTriggerPins()) defineOnce(pin.pin.name, pin.bit);
    }

    // Digital inputs with pull-ups whose change wakes the chip, with the
    // interrupts off: the chip goes on after its sleep.
    void setUpTriggers() {
        for (const RegisterSetting& setting : settings_.chip->triggerSetup) {
            if (!setting.name.empty()) setRegister(setting, "trigger pins");
        }
        code_.bitOp(pic18::kBcf, kIntcon2, "NOT_RBPU", kPullUpsOffBit, "pull-ups on the trigger pins");
        code_.literalOp(pic18::kMovlw, 1u << kPortChangeEnableBit);
        code_.fileOp(pic18::kMovwf, kIntcon, "a port change wakes the chip, no interrupt");
    }

    static PicRegister portOf(const TriggerPin& pin) { return {pin.portName, pin.portAddress}; }

    // Loops until all the pins (all on PORTB) read high.
    void awaitReleased(std::span<const TriggerPin> pins) {
        std::uint8_t mask = 0;
        for (const TriggerPin& pin : pins) mask = static_cast<std::uint8_t>(mask | 1u << pin.bit);
        code_.byteOp(pic18::kMovf, portOf(pins[0]), Destination::w);
        code_.literalOp(pic18::kAndlw, mask, "the trigger pins");
        code_.literalOp(pic18::kXorlw, mask);
        code_.branch(pic18::kBnz, "released", "one still held");
    }

    // The port read ends the mismatch, then its flag clears.
    void clearChangeFlags() {
        code_.byteOp(pic18::kMovf, portOf(usedTriggerPins()[0]), Destination::w, "the port read ends the change");
        code_.bitOp(pic18::kBcf, kIntcon, "RBIF", kPortChangeFlagBit);
    }

    // Sleeps until a trigger pin is pulled low, once every one is released (a
    // pin held through a sound does not play it again); the pins are read
    // once more after the flag clears, so a press just before the sleep is
    // not lost. By number: the strobe alone is watched, the number read then.
    void awaitTrigger() {
        const std::span<const TriggerPin> pins = usedTriggerPins();
        code_.comment(bySelect() ? "Wait for the strobe: released, then asleep until it is pulled low."
                                 : "Wait for a trigger pin: all released, then asleep until one changes.");
        code_.label("released");
        awaitReleased(bySelect() ? pins.first(1) : pins);
        code_.label("armed");
        clearChangeFlags();
        if (bySelect()) {
            code_.bitOp(pic18::kBtfss, portOf(pins[0]), pins[0].pin.name, pins[0].bit, "the strobe pulled low");
            code_.branch(pic18::kBra, "select");
        } else {
            for (std::size_t k = 0; k < pins.size(); ++k) {
                code_.bitOp(pic18::kBtfss, portOf(pins[k]), pins[k].pin.name, pins[k].bit,
                            "pulled low: sound " + std::to_string(k + 1));
                code_.branch(pic18::kBra, "sound" + std::to_string(k + 1));
            }
        }
        code_.plain(pic18::kSleep, "until a trigger pin changes");
        code_.plain(pic18::kNop);
        code_.branch(pic18::kBra, "armed", "nothing pulled low: back to sleep");
        if (bySelect()) selectSound(pins.subspan(1));
        // Each sound sets its table pointer and count; one read serves them all.
        for (std::size_t k = 0; k < settings_.bank.size(); ++k) {
            startSound("sound" + std::to_string(k + 1), settings_.bank[k]);
            if (k + 1 < settings_.bank.size()) code_.branch(pic18::kBra, "firstread");
        }
        code_.label("firstread");
        readNextByte();
    }

    // The number on the select pins (bit 0 first) picks the sound: 0 is
    // sound 1; a number past the bank plays nothing. The byte being played
    // holds it until its sound's first read.
    void selectSound(std::span<const TriggerPin> bits) {
        code_.label("select");
        code_.fileOp(pic18::kClrf, kCurrent, "the number, read from the select pins");
        for (std::size_t i = 0; i < bits.size(); ++i) {
            code_.bitOp(pic18::kBtfsc, portOf(bits[i]), bits[i].pin.name, bits[i].bit);
            code_.bitOp(pic18::kBsf, kCurrent, std::to_string(i), static_cast<unsigned>(i),
                        i == 0 ? "a high pin is a 1" : "");
        }
        for (std::size_t k = 0; k < settings_.bank.size(); ++k) {
            code_.byteOp(pic18::kMovf, kCurrent, Destination::w);
            code_.literalOp(pic18::kXorlw, static_cast<std::uint8_t>(k));
            code_.branch(pic18::kBz, "sound" + std::to_string(k + 1), "number " + std::to_string(k));
        }
        code_.branch(pic18::kBra, "released", "no such sound: wait for the next strobe");
    }

    // A bank's sound: its table's byte address and its byte count. The
    // pointer's upper byte is cleared: a table ending at the last byte of
    // memory carries into it.
    void startSound(std::string_view label, PlayerSound sound) {
        code_.label(label);
        const std::uint32_t byteAddress = 2 * sound.firstWord;
        code_.fileOp(pic18::kClrf, kTblptrUpper, "the table at word " + std::to_string(sound.firstWord));
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(byteAddress >> 8 & 0xFF));
        code_.fileOp(pic18::kMovwf, kTblptrHigh);
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(byteAddress & 0xFF));
        code_.fileOp(pic18::kMovwf, kTblptrLow);
        const std::uint32_t count = 65536u - sound.tableReads;
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(count & 0xFF), "the byte count, negated");
        code_.fileOp(pic18::kMovwf, kCountLow);
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(count >> 8));
        code_.fileOp(pic18::kMovwf, kCountHigh);
    }

    // 5 cycles, the write and the return: the level adds to the sum, whose
    // carry is pin A.
    void rampBitRoutine() {
        code_.label("rampbit");
        code_.byteOp(pic18::kMovf, kLevelLow, Destination::w);
        code_.byteOp(pic18::kAddwf, kSumLow, Destination::f);
        code_.byteOp(pic18::kMovf, kLevelHigh, Destination::w);
        code_.byteOp(pic18::kAddwfc, kSumHigh, Destination::f);
        code_.byteOp(pic18::kRlcf, kRampFlags, Destination::w, "the carry to pin A, pin B low");
        code_.fileOp(pic18::kMovwf, port_);
        code_.literalOp(pic18::kRetlw, 0);
    }

    void rampBit() { code_.jump(pic18::kCall, "rampbit"); }

    // to += from, 16 bits wide: 4 cycles.
    void addWord(PicRegister toLow, PicRegister toHigh, PicRegister fromLow, PicRegister fromHigh) {
        code_.byteOp(pic18::kMovf, fromLow, Destination::w);
        code_.byteOp(pic18::kAddwf, toLow, Destination::f);
        code_.byteOp(pic18::kMovf, fromHigh, Destination::w);
        code_.byteOp(pic18::kAddwfc, toHigh, Destination::f);
    }

    // The ramp, called with armRampUp's or armRampDown's state: a bit every
    // kRampCyclesPerBit cycles on every path, as in the mid-range player.
    // Plain bits, then an update: the level takes the speed, the speed takes
    // the step. After `updates` updates the step turns to its negation;
    // `updates` - 1 updates later the ramp returns.
    void rampRoutine() {
        code_.comment("The ramp: one pin A bit every " + std::to_string(kRampCyclesPerBit) + " cycles.");
        rampBitRoutine();
        code_.label("ramplevel");
        rampBit();
        addWord(kLevelLow, kLevelHigh, kSpeedLow, kSpeedHigh);
        pad(kRampWorkCycles - 4);
        rampBit();
        addWord(kSpeedLow, kSpeedHigh, kStepLow, kStepHigh);
        pad(kRampWorkCycles - 4);
        code_.label(kRampLabel);
        rampBit();
        pad(kRampWorkCycles - 3);
        code_.byteOp(pic18::kDecfsz, kRampBits, Destination::f);
        code_.branch(pic18::kBra, kRampLabel);
        code_.plain(pic18::kNop, "the skip was a cycle shorter than the branch");
        rampBit();
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(ramp_.bitsPerUpdate & 0xFF));
        code_.fileOp(pic18::kMovwf, kRampBits);
        pad(kRampWorkCycles - 5);
        code_.byteOp(pic18::kDecfsz, kRampUpdates, Destination::f);
        code_.branch(pic18::kBra, "ramplevel");
        code_.plain(pic18::kNop, "the skip was a cycle shorter than the branch");
        rampBit();
        code_.bitOp(pic18::kBtfsc, kRampFlags, "7", 7, "past the middle: done");
        code_.branch(pic18::kBra, "rampend");
        code_.byteOp(pic18::kMovf, kTurnLow, Destination::w, "the step turns");
        code_.fileOp(pic18::kMovwf, kStepLow);
        code_.byteOp(pic18::kMovf, kTurnHigh, Destination::w);
        code_.fileOp(pic18::kMovwf, kStepHigh);
        pad(kRampWorkCycles - 6);
        rampBit();
        code_.bitOp(pic18::kBsf, kRampFlags, "7", 7);
        code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(ramp_.updates - 1));
        code_.fileOp(pic18::kMovwf, kRampUpdates);
        pad(kRampWorkCycles - 5);
        code_.branch(pic18::kBra, "ramplevel");
        code_.label("rampend");
        code_.literalOp(pic18::kRetlw, 0, "back to the caller");
    }

    // Exactly `cycles` cycles without a loop.
    void pad(std::uint32_t cycles) {
        for (; cycles >= 2; cycles -= 2) code_.skipToNext();
        if (cycles == 1) code_.plain(pic18::kNop);
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
            code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(inner & 0xFF));
            code_.fileOp(pic18::kMovwf, kWaitInner);
            code_.literalOp(pic18::kMovlw, static_cast<std::uint8_t>(outer & 0xFF));
            code_.fileOp(pic18::kMovwf, kWaitOuter, std::to_string(cycles) + " cycles");
            code_.label(label);
            code_.byteOp(pic18::kDecfsz, kWaitInner, Destination::f);
            code_.branch(pic18::kBra, label);
            code_.byteOp(pic18::kDecfsz, kWaitOuter, Destination::f);
            code_.branch(pic18::kBra, label);
        }
        for (; padding >= 2; padding -= 2) code_.skipToNext();
        if (padding == 1) code_.plain(pic18::kNop);
    }

    const PlayerSettings& settings_;
    const bool routine_ = settings_.form == PlayerForm::routine;
    PicStorage storage_ = settings_.storage;
    std::uint32_t tableReads_ = settings_.tableReads;
    // A routine reads the other pins' levels from the latch and writes it.
    const std::string latchName_ = "LAT" + std::string(settings_.chip->portName.substr(4));  // PORTB: LATB
    PicRegister port_ = routine_ ? PicRegister{latchName_,
                                               static_cast<std::uint16_t>(settings_.chip->portAddress + kLatchOffset)}
                                 : PicRegister{settings_.chip->portName, settings_.chip->portAddress};
    PicRegister tris_{settings_.chip->trisName, settings_.chip->trisAddress};
    PicAssembly code_ = routine_ ? PicAssembly(PicFamily::pic18, {settings_.org, std::string(kRoutinePrefix)})
                                 : PicAssembly(PicFamily::pic18);
    // The variables, at their form's addresses.
    const PicRegister kCurrent = variable(kCurrentVariable);
    const PicRegister kPins = variable(kPinsVariable);
    const PicRegister kCountLow = variable(kCountLowVariable);
    const PicRegister kCountHigh = variable(kCountHighVariable);
    const PicRegister kBitsLeft = variable(kBitsLeftVariable);
    const PicRegister kWaitInner = variable(kWaitInnerVariable);
    const PicRegister kWaitOuter = variable(kWaitOuterVariable);
    const PicRegister kLevelLow = variable(kLevelLowVariable);
    const PicRegister kLevelHigh = variable(kLevelHighVariable);
    const PicRegister kSumLow = variable(kSumLowVariable);
    const PicRegister kSumHigh = variable(kSumHighVariable);
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
    const PicRegister kSavedBank = variable(kSavedBankVariable);
    PlayerRamp ramp_ = playerRamp(settings_.clockHz, settings_.twoPins, settings_.loop);
    std::set<std::string, std::less<>> triggerNames_;
};

}  // namespace

std::uint32_t pic18PlayerMinCycles(bool loop, PlayerForm form) {
    if (form == PlayerForm::routine) return kPic18RoutineMinCycles;
    return loop ? kPic18PlayerMinCyclesLooping : kPic18PlayerMinCycles;
}

PicAssembly buildPic18Player(const PlayerSettings& settings) {
    if (settings.chip == nullptr || settings.chip->family != PicFamily::pic18 ||
        settings.storage == PicStorage::packed14 ||
        settings.cyclesPerSample < pic18PlayerMinCycles(settings.loop, settings.form) ||
        settings.cyclesPerSample > kPic18PlayerMaxCycles || settings.tableReads == 0 || settings.tableReads > 65535) {
        throw std::invalid_argument("PIC18 player settings out of range");
    }
    if (settings.form == PlayerForm::routine &&
        (settings.bank.empty() || settings.bank.size() > 256 || settings.loop ||
         settings.trigger != PlayTrigger::reset || settings.ram < kPic18RoutineRamLowest ||
         settings.ram + kRoutineRegisters > kPic18RoutineRamEnd)) {
        throw std::invalid_argument("PIC18 routine settings out of range");
    }
    PicAssembly code = Pic18PlayerWriter(settings).build();
    // A bank's player may outgrow its block: the program moves the tables up.
    if (code.size() > kPlayerMaxWords && settings.bank.empty()) throw std::logic_error("player larger than its block");
    return code;
}

}  // namespace ryx
