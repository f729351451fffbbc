#include "firmware/PlayerCode.h"

#include "export/TableLayout.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

constexpr PicRegister kPcl{"PCL", 0x02};
constexpr PicRegister kStatus{"STATUS", 0x03};
constexpr PicRegister kPclath{"PCLATH", 0x0A};
// Player variables in bank 0 general-purpose memory, present on every chip.
constexpr PicRegister kCurrent{"current", 0x20};  // the byte being played, next bit on top
constexpr PicRegister kPins{"pins", 0x21};        // bit 0: this sample, bit 1: the one before
constexpr PicRegister kAddressLow{"addrlo", 0x22};
constexpr PicRegister kAddressHigh{"addrhi", 0x23};
constexpr PicRegister kCountLow{"countlo", 0x24};  // counts up to 65536 over the table bytes
constexpr PicRegister kCountHigh{"counthi", 0x25};
constexpr PicRegister kBitsLeft{"bitsleft", 0x26};
constexpr PicRegister kWaitInner{"wait1", 0x27};
constexpr PicRegister kWaitOuter{"wait2", 0x28};
constexpr PicRegister kTargetLow{"targetlo", 0x29};  // the ramp's level: 32768 is half the supply
constexpr PicRegister kTargetHigh{"targethi", 0x2A};
constexpr PicRegister kSumLow{"sumlo", 0x2B};  // the ramp's sigma-delta sum; its carry is the bit
constexpr PicRegister kSumHigh{"sumhi", 0x2C};
constexpr PicRegister kCurrentHigh{"currenthi", 0x2D};  // a packed word's top half, next bit on top

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

constexpr unsigned kCarryBit = 0;

constexpr unsigned kZeroBit = 2;
constexpr unsigned kBank0Bit = 5;  // RP0
constexpr unsigned kBank1Bit = 6;  // RP1

// Cycles from one sample's port write to the next on each path, without its
// wait; a packed word shifts two registers per sample.
constexpr std::uint32_t kWithinByteCycles = 8;
constexpr std::uint32_t kWithinPackedWordCycles = 9;
// Ramp paths, from one port write to the next without their wait.
constexpr std::uint32_t kRampCycles = 20;         // a ramp sample after a ramp sample
constexpr std::uint32_t kRampToSoundCycles = 14;  // the last ramp-up sample to the sound's first
constexpr std::uint32_t kSoundToRampCycles = 26;  // the sound's last sample to the first ramp-down one
constexpr std::uint32_t kRampEndPadding = 8;      // keeps the final write in step
static_assert(kSoundToRampCycles <= kPlayerMinCycles && kRampCycles <= kPlayerMinCycles);

// A half of the supply in the target's units, and the ramp's longest time
// (in fifths of a second) from which the step is rounded up.
constexpr std::uint32_t kHalfLevel = 32768;
constexpr std::uint64_t kRampPerSecond = 5;

// Two nested counting loops: 3A + 770(B - 1) + 5 cycles for A, B in 1 ... 256.
constexpr std::uint32_t kLoopBase = 5;
constexpr std::uint32_t kOuterStep = 770;
constexpr std::uint32_t kMaxWaitCycles = kPlayerMaxCycles - kWithinByteCycles;
static_assert(kPlayerMaxCycles - kWithinPackedWordCycles <= kMaxWaitCycles);
static_assert(kMaxWaitCycles == 3 * 256 + kOuterStep * 255 + kLoopBase + 4,
              "the longest wait is both loops full and four cycles of padding");
static_assert(kFirstTableAddress % 256 == 0, "the table start's low byte is cleared, not loaded");

class PlayerWriter {
public:
    explicit PlayerWriter(const PlayerSettings& settings)
        : settings_(settings),
          port_{settings.chip->portName, settings.chip->portAddress},
          tris_{settings.chip->trisName, settings.chip->trisAddress},
          packed_(settings.storage == PicStorage::packed14),
          read_(settings.chip->family == PicFamily::enhancedMidRange ? kEnhancedRead : kMidRangeRead) {}

    PicAssembly build() {
        defineSymbols();
        setUpChip();
        startTable("first", false);
        rampUp();
        playSamples();
        finish();
        if (!packed_) fetchRoutine();
        return std::move(code_);
    }

private:
    void defineSymbols() {
        for (PicRegister reg : {kPcl, kStatus, kPclath, port_, tris_}) code_.define(reg.name, reg.address);
        for (const RegisterSetting& setting : setupSettings()) {
            if (!setting.name.empty()) code_.define(setting.name, setting.address);
        }
        code_.define("Z", kZeroBit);
        code_.define("RP0", kBank0Bit);
        code_.define("RP1", kBank1Bit);
        code_.define("C", kCarryBit);
        for (PicRegister reg : {kCurrent, kPins, kAddressLow, kAddressHigh, kCountLow, kCountHigh, kBitsLeft,
                                kWaitInner, kWaitOuter, kTargetLow, kTargetHigh, kSumLow, kSumHigh}) {
            code_.define(reg.name, reg.address);
        }
        if (packed_) {
            code_.define(kCurrentHigh.name, kCurrentHigh.address);
            for (PicRegister reg : {read_.data, read_.dataHigh, read_.address, read_.addressHigh, read_.control}) {
                code_.define(reg.name, reg.address);
            }
            code_.define("RD", kReadBit);
            code_.define("CFGS", kConfigSpaceBit);
            code_.define("EEPGD", kProgramSpaceBit);
        }
    }

    std::vector<RegisterSetting> setupSettings() const {
        std::vector<RegisterSetting> settings;
        if (settings_.oscillator == PicOscillator::internal) {
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
        for (PicRegister reg : {kTargetLow, kTargetHigh, kSumLow, kSumHigh}) code_.fileOp(pic::kClrf, reg);
    }

    // Counter, address and first byte; then on to the first sample. 25 cycles
    // from its first instruction to the label "sample".
    void startTable(std::string_view label, bool toSound = true) {
        code_.label(label);
        const std::uint32_t count = 65536u - settings_.tableReads;
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(count & 0xFF),
                        packed_ ? "the word count, negated" : "the byte count, negated");
        code_.fileOp(pic::kMovwf, kCountLow);
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(count >> 8));
        code_.fileOp(pic::kMovwf, kCountHigh);
        if (packed_) {
            selectBank(read_.address.address);
            code_.fileOp(pic::kClrf, read_.address, "the first table word");
            code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(kFirstTableAddress >> 8));
            code_.fileOp(pic::kMovwf, read_.addressHigh);
            selectBank(0);
            readNextWord();
        } else {
            code_.fileOp(pic::kClrf, kAddressLow, "the first table byte");
            code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(kFirstTableAddress >> 8));
            code_.fileOp(pic::kMovwf, kAddressHigh);
            readNextByte();
        }
        if (toSound) code_.jump(pic::kGoto, kSampleLabel);
    }

    // 16-bit add of a constant: 6 cycles.
    void addToTarget(std::uint32_t amount) {
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(amount & 0xFF));
        code_.byteOp(pic::kAddwf, kTargetLow, Destination::f);
        code_.bitOp(pic::kBtfsc, kStatus, "C", kCarryBit);
        code_.byteOp(pic::kIncf, kTargetHigh, Destination::f);
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(amount >> 8 & 0xFF));
        code_.byteOp(pic::kAddwf, kTargetHigh, Destination::f);
    }

    // Sum += target, leaving the 16-bit carry in C: 6 cycles on every path,
    // then the carry to the pins as a sample: 4 cycles to the port write.
    void playRampBit() {
        code_.byteOp(pic::kMovf, kTargetLow, Destination::w);
        code_.byteOp(pic::kAddwf, kSumLow, Destination::f);
        code_.byteOp(pic::kMovf, kTargetHigh, Destination::w);
        code_.bitOp(pic::kBtfsc, kStatus, "C", kCarryBit);
        code_.byteOp(pic::kIncfsz, kTargetHigh, Destination::w, "a carry into 256 is the carry out");
        code_.byteOp(pic::kAddwf, kSumHigh, Destination::f);
        code_.byteOp(pic::kRlf, kPins, Destination::f, "the carry is the ramp's bit");
        code_.byteOp(pic::kMovf, kPins, Destination::w);
        code_.literalOp(pic::kAndlw, settings_.twoPins ? 3 : 1);
        code_.fileOp(pic::kMovwf, port_);
    }

    void rampUp() {
        code_.comment("Bring the output up to half the supply slowly, in the sound's timing.");
        code_.label("rampup");
        addToTarget(ramp_.step);
        playRampBit();
        code_.bitOp(pic::kBtfsc, kTargetHigh, "7", 7, "at half the supply");
        code_.jump(pic::kGoto, "rampdone");
        wait(settings_.cyclesPerSample - kRampCycles, "waitup");
        code_.jump(pic::kGoto, "rampup");
        code_.label("rampdone");
        code_.fileOp(pic::kClrf, kPins, "no bit before the sound's first");
        code_.fileOp(pic::kClrf, kTargetLow, "the ramp down starts at half");
        code_.literalOp(pic::kMovlw, static_cast<std::uint8_t>(kHalfLevel >> 8));
        code_.fileOp(pic::kMovwf, kTargetHigh);
        wait(settings_.cyclesPerSample - kRampToSoundCycles - (withinCycles() - kWithinByteCycles), "waitsound");
        code_.jump(pic::kGoto, kSampleLabel);
    }

    // 18 cycles: the table read and the move to the next address.
    void readNextByte(bool labelled = false) {
        code_.jump(pic::kCall, "fetch");
        if (labelled) code_.label(kRestorePageLabel);
        code_.fileOp(pic::kClrf, kPclath, "back to page 0 for goto and call");
        code_.fileOp(pic::kMovwf, kCurrent);
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
    std::uint32_t withinCycles() const { return packed_ ? kWithinPackedWordCycles : kWithinByteCycles; }
    std::uint32_t boundaryCycles() const { return playerMinCycles(false, settings_.storage); }
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
        code_.comment("Bring the output down slowly, then both pins low and sleep.");
        wait(settings_.cyclesPerSample - kSoundToRampCycles, "waitend");
        code_.label("rampdown");
        addToTarget(65536u - ramp_.step);
        code_.bitOp(pic::kBtfsc, kTargetHigh, "7", 7, "below 0: done");
        code_.jump(pic::kGoto, "silent");
        playRampBit();
        wait(settings_.cyclesPerSample - kRampCycles, "waitdown");
        code_.jump(pic::kGoto, "rampdown");
        code_.label("silent");
        for (std::uint32_t padding = kRampEndPadding; padding >= 2; padding -= 2) code_.skipToNext();
        code_.fileOp(pic::kClrf, port_);
        code_.label("asleep");
        code_.plain(pic::kSleep, "until the next reset");
        code_.jump(pic::kGoto, "asleep");
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
    PicRegister port_;
    PicRegister tris_;
    PicAssembly code_;
    bool packed_;
    ProgramReadRegisters read_;
    PlayerRamp ramp_ = playerRamp(settings_.clockHz, settings_.cyclesPerSample, settings_.loop);
    unsigned bank_ = 0;
};

}  // namespace

PlayerRamp playerRamp(std::uint32_t clockHz, std::uint32_t cyclesPerSample, bool loop) {
    // The smallest step whose ramp, rounded up to whole samples, ends within a fifth of a second.
    const std::uint64_t fitting = cyclesPerSample == 0 ? 0 : clockHz / (kRampPerSecond * 4 * cyclesPerSample);
    const std::uint64_t step = fitting <= 1 ? kHalfLevel : (kHalfLevel + fitting - 2) / (fitting - 1);
    PlayerRamp ramp;
    ramp.step = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(step, 1, kHalfLevel));
    ramp.upSamples = (kHalfLevel + ramp.step - 1) / ramp.step;
    ramp.downSamples = loop ? 0 : kHalfLevel / ramp.step;
    return ramp;
}

std::uint32_t playerMinCycles(bool loop, PicStorage storage) {
    if (storage == PicStorage::packed14) return loop ? kPackedPlayerMinCyclesLooping : kPackedPlayerMinCycles;
    return loop ? kPlayerMinCyclesLooping : kPlayerMinCycles;
}

PicAssembly buildPlayer(const PlayerSettings& settings) {
    if (settings.chip == nullptr || settings.cyclesPerSample < playerMinCycles(settings.loop, settings.storage) ||
        settings.cyclesPerSample > kPlayerMaxCycles || settings.tableReads == 0 || settings.tableReads > 65535 ||
        settings.storage == PicStorage::packed16) {
        throw std::invalid_argument("player settings out of range");
    }
    PicAssembly code = PlayerWriter(settings).build();
    if (code.size() > kPlayerMaxWords) throw std::logic_error("player larger than its block");
    return code;
}

}  // namespace ryx
