// The player's variables and the names its source defines. A program's
// variables sit at fixed addresses (a mid-range chip's from 0x20 in bank 0,
// a PIC18's in the access bank); a routine's from its first register, two
// variables never needed at once sharing an address so that all fit its 16:
// the sound's reuse the ramp's, except the ramp's level, sum and flags,
// which the ramp down starts from; the rest of the ramp's state is set again
// after the sound.
#include "firmware/PlayerTableRead.h"
#include "firmware/PlayerWriter.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace ryx {
namespace {

constexpr std::uint8_t kNone = 0xFF;  // not a variable of that family and form
constexpr std::uint16_t kMidRangeVariables = 0x20;

struct VariableRow {
    std::string_view name;
    std::uint8_t midRangeOffset;  // from 0x20
    std::uint8_t pic18Address;
    std::uint8_t midRangeRoutineOffset;
    std::uint8_t pic18RoutineOffset;
};

// In PlayerVar's order.
constexpr std::array<VariableRow, 28> kVariables{{
    {"current", 0x00, 0x00, 7, 7},  // the byte being played, next bit on top
    {"pins", 0x01, 0x01, 8, 8},     // bit 0: this sample, bit 1: the one before
    {"addrlo", 0x02, kNone, 14, kNone},
    {"addrhi", 0x03, kNone, 15, kNone},
    {"countlo", 0x04, 0x02, 9, 9},  // counts up to 65536 over the table reads (2^24: counttop)
    {"counthi", 0x05, 0x03, 10, 10},
    {"bitsleft", 0x06, 0x04, 11, 11},
    {"wait1", 0x07, 0x05, 12, 12},
    {"wait2", 0x08, 0x06, 13, 13},
    {"levello", 0x09, 0x07, 1, 1},  // pin A's density in the ramp: 65536 is always high
    {"levelhi", 0x0A, 0x08, 2, 2},
    {"sumlo", 0x0B, 0x09, 3, 3},  // the sigma-delta sum; its carry is the bit
    {"sumhi", 0x0C, 0x0A, 4, 4},
    {"currenthi", 0x0D, kNone, 14, kNone},  // a packed word's top half, next bit on top
    {"speedlo", 0x0E, 0x0B, 7, 7},          // added to the level at each update
    {"speedhi", 0x0F, 0x0C, 8, 8},
    {"steplo", 0x10, 0x0D, 9, 9},  // added to the speed at each update
    {"stephi", 0x11, 0x0E, 10, 10},
    {"turnlo", 0x12, 0x0F, 11, 11},  // the step after the middle
    {"turnhi", 0x13, 0x10, 12, 12},
    // Bit 7: past the middle; bits 0 to 6 go to port bits 1 to 7: pin B low
    // (a routine: the port's other pins as they were).
    {"rampflags", 0x14, 0x11, 5, 5},
    {"rampbits", 0x15, 0x12, 6, 6},  // plain bits left before the next update
    {"rampupd", 0x16, 0x13, 13, 13},  // updates left in this half
    // A routine's own: the port's other pins, pins A and B clear; the sound
    // asked for; a PIC18's caller's BSR.
    {"others", kNone, kNone, 0, 0},
    {"sound", kNone, kNone, 14, 14},
    {"savedbsr", kNone, kNone, kNone, 15},
    {"lastbits", 0x17, 0x14, 6, 6},  // a bank's: the samples of the sound's last read
    // A serial memory's: the read count's top byte, after the memory's own
    // variables (at 0x44). A routine's takes the ramp's flags, which it
    // sets again from `others` for the ramp down.
    {"counttop", 0x24, 0x44, 5, 5},
}};
static_assert(kVariables.size() == static_cast<std::size_t>(PlayerVar::countTop) + 1, "a row per PlayerVar");
static_assert(kRoutineRegisters == 16, "a routine's offsets run from 0 to 15");

constexpr std::uint8_t placeOf(const VariableRow& row, bool pic18, bool routine) {
    if (routine) return pic18 ? row.pic18RoutineOffset : row.midRangeRoutineOffset;
    return pic18 ? row.pic18Address : row.midRangeOffset;
}

}  // namespace

bool PlayerWriter::wideCount() const { return read_->countsInThreeBytes(); }

PicRegister PlayerWriter::var(PlayerVar v) const {
    const VariableRow& row = kVariables[static_cast<std::size_t>(v)];
    const std::uint8_t place = placeOf(row, rows.family == PicFamily::pic18, routine);
    if (place == kNone) throw std::logic_error("no variable " + std::string(row.name) + " here");
    const std::uint16_t base = routine ? settings.ram : rows.family == PicFamily::pic18 ? 0 : kMidRangeVariables;
    return {row.name, static_cast<std::uint16_t>(base + place)};
}

// A routine's source names registers by their place in their bank (a
// PIC18's by their access-bank or BSR offset): the including file's
// assembler, its processor header included, then has nothing to say about
// banks.
void PlayerWriter::define(PicRegister reg, std::string_view note) {
    if (reg.name.empty() || !defined_.insert(std::string(reg.name)).second) return;
    if (!routine) return code.define(reg.name, reg.address, note);
    if (!rows.namesBankOffsets) {
        if (reg.address < 0x100) return code.define(reg.name, reg.address, note);
        char full[8];
        std::snprintf(full, sizeof full, "0x%X", static_cast<unsigned>(reg.address));
        return code.define(reg.name, reg.address & 0xFFu, std::string("at ") + full);
    }
    const unsigned bank = reg.address >> 7;
    code.define(reg.name, reg.address & 0x7Fu, bank == 0 ? "" : "bank " + std::to_string(bank));
}

// Where the register's place in its bank is unimplemented in bank 0 of some
// chip, the assembler, checking that place against bank 0, warns of a bad
// address: the full address draws only its note on the bank bits.
void PlayerWriter::defineInFull(PicRegister reg) {
    if (!routine || !rows.namesBankOffsets) return define(reg);
    if (!defined_.insert(std::string(reg.name)).second) return;
    code.define(reg.name, reg.address, "bank " + std::to_string(reg.address >> 7) + ", in full");
}

void PlayerWriter::defineBit(std::string_view name, unsigned bit) {
    if (name.empty() || !defined_.insert(std::string(name)).second) return;
    code.define(name, bit);
}

std::vector<RegisterSetting> PlayerWriter::setupSettings() const {
    std::vector<RegisterSetting> result;
    // The user's program sets its clock up, not the routine.
    if (settings.oscillator == PicOscillator::internal && !routine) {
        for (const RegisterSetting& s : settings.chip->internalClockSetup) result.push_back(s);
    }
    for (const RegisterSetting& s : settings.chip->pinSetup) result.push_back(s);
    std::erase_if(result, [](const RegisterSetting& s) { return s.name.empty(); });
    return result;
}

// Where a routine reads the port's other pins from: the output latch where
// the family has one, else the port.
PicRegister PlayerWriter::latch() const {
    if (rows.latchOffset == 0) return {settings.chip->portName, settings.chip->portAddress};
    return {latchName_, static_cast<std::uint16_t>(settings.chip->portAddress + rows.latchOffset)};
}

void PlayerWriter::defineSymbols() {
    define(rows.status);
    for (PicRegister reg : {port_, tris_}) define(reg);
    if (routine) define(latch());
    define(rows.callerState);
    for (const RegisterSetting& setting : setupSettings()) define({setting.name, setting.address});
    read_->defineSymbols(*this);
    if (settings.trigger != PlayTrigger::reset) defineTriggerSymbols();
    defineBit("C", kCarryBit);
    defineBit("Z", kZeroBit);
    if (rows.banks == PicBankSelect::statusBits) {
        defineBit("RP0", 5);
        defineBit("RP1", 6);
    }
    const bool pic18 = rows.family == PicFamily::pic18;
    for (std::size_t v = 0; v < kVariables.size(); ++v) {
        if (static_cast<PlayerVar>(v) == PlayerVar::countTop && !wideCount()) continue;
        if (placeOf(kVariables[v], pic18, routine) != kNone) {
            const PicRegister reg = var(static_cast<PlayerVar>(v));
            code.define(reg.name, reg.address);
        }
    }
}

}  // namespace ryx
