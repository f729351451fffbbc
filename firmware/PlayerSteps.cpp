// The small steps every part of the player is written in, each over the
// family's rows: bank selection, loads, 16-bit adds, jumps on the status
// bits, pads and the two-loop wait. Where a family has a shorter way (an add
// with carry, a branch on a status bit) the row offers it.
#include "firmware/PlayerTableRead.h"
#include "firmware/PlayerWriter.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <string>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

constexpr unsigned kBank0Bit = 5;  // RP0
constexpr unsigned kBank1Bit = 6;  // RP1

// PIC18: general purpose memory below 0x60 and the special function
// registers from 0xF80 are in the access bank on every chip of the family.
bool inAccessBank(std::uint16_t address) { return address < 0x60 || address >= 0xF80; }

// Two nested counting loops of A and B turns (each 1 ... 256) take
// base + turn A + outer (B - 1) cycles: 3A + 770(B - 1) + 5 on every family.
struct WaitLoops {
    std::uint32_t turn;
    std::uint32_t base;
    std::uint32_t outer;
};

WaitLoops waitLoopsOf(const PlayerFamily& rows) {
    const std::uint32_t decfsz = rows.decfsz.cycles;
    const std::uint32_t turn = decfsz + rows.nearJump.cycles;
    const std::uint32_t leave = decfsz + rows.nearJump.words;  // the skip out of a loop
    const std::uint32_t load = 2u * rows.movlw.cycles + 2u * rows.movwf.cycles;
    return {turn, load + 2 * leave - turn, turn + 255 * turn + leave};
}

}  // namespace

void PlayerWriter::selectBank(std::uint16_t address) {
    switch (rows.banks) {
    case PicBankSelect::accessBank:
        if (!inAccessBank(address)) code.literalOp(rows.movlb, static_cast<std::uint8_t>(address >> 8));
        return;
    case PicBankSelect::movlb: {
        const unsigned bank = (address >> 7) & 31u;
        if (bank != bank_) code.literalOp(rows.movlb, static_cast<std::uint8_t>(bank));
        bank_ = bank;
        return;
    }
    case PicBankSelect::statusBits: {
        const unsigned bank = (address >> 7) & 3u;
        for (unsigned bit = 0; bit < 2; ++bit) {
            const bool wanted = ((bank >> bit) & 1u) != 0;
            if (wanted == (((bank_ >> bit) & 1u) != 0)) continue;
            code.bitOp(wanted ? rows.bsf : rows.bcf, rows.status, bit == 0 ? "RP0" : "RP1",
                       bit == 0 ? kBank0Bit : kBank1Bit);
        }
        bank_ = bank;
        return;
    }
    }
}

void PlayerWriter::setRegister(PicRegister reg, std::uint8_t value, std::string_view note) {
    selectBank(reg.address);
    code.literalOp(rows.movlw, value);
    code.fileOp(rows.movwf, reg, note);
}

void PlayerWriter::clearBit(PicRegister reg, std::uint8_t mask, std::string_view note) {
    const auto bit = static_cast<unsigned>(std::countr_zero(mask));
    code.bitOp(rows.bcf, reg, std::to_string(bit), bit, note);
}

// clrf for 0 keeps a table at word 256 as quick to start as it always was.
void PlayerWriter::loadByte(PicRegister reg, std::uint32_t value, std::string_view note) {
    if (value == 0) {
        code.fileOp(rows.clrf, reg, note);
        return;
    }
    code.literalOp(rows.movlw, static_cast<std::uint8_t>(value), note);
    code.fileOp(rows.movwf, reg);
}

void PlayerWriter::loadWord(PicRegister low, PicRegister high, std::uint32_t value) {
    loadByte(low, value & 0xFF);
    loadByte(high, value >> 8 & 0xFF);
}

void PlayerWriter::loadAddressByte(PicRegister reg, std::uint32_t value, std::string_view note) {
    if (!routine) return loadByte(reg, value, note);
    code.literalOp(rows.movlw, static_cast<std::uint8_t>(value & 0xFF), note);
    code.fileOp(rows.movwf, reg);
}

// to += from, 16 bits wide. Without an add with carry, a carry into the
// high byte is added to from's high byte; 256 carries out as well.
void PlayerWriter::addWord(PicRegister toLow, PicRegister toHigh, PicRegister fromLow, PicRegister fromHigh) {
    code.byteOp(rows.movf, fromLow, Destination::w);
    code.byteOp(rows.addwf, toLow, Destination::f);
    code.byteOp(rows.movf, fromHigh, Destination::w);
    if (!rows.addWithCarry.mnemonic.empty()) {
        code.byteOp(rows.addWithCarry, toHigh, Destination::f);
        return;
    }
    code.bitOp(rows.btfsc, rows.status, "C", kCarryBit);
    code.byteOp(rows.incfsz, fromHigh, Destination::w, "a carry into 256 is the carry out");
    code.byteOp(rows.addwf, toHigh, Destination::f);
}

void PlayerWriter::goTo(std::string_view label, std::string_view note) { code.jump(rows.nearJump, label, note); }

void PlayerWriter::jumpIfZero(std::string_view label, std::string_view note) {
    if (!rows.branchIfZero.mnemonic.empty()) return code.jump(rows.branchIfZero, label, note);
    code.bitOp(rows.btfsc, rows.status, "Z", kZeroBit);
    goTo(label, note);
}

void PlayerWriter::jumpIfNotZero(std::string_view label, std::string_view note) {
    if (!rows.branchIfNotZero.mnemonic.empty()) return code.jump(rows.branchIfNotZero, label, note);
    code.bitOp(rows.btfss, rows.status, "Z", kZeroBit);
    goTo(label, note);
}

// The read count at 0xFFFF: this read is the sound's last, whose samples
// are fewer where the table's last byte or word is padded. As long either way.
void PlayerWriter::setBitsLeft(std::uint32_t bits) {
    testLastRead("Z: the sound's last read");
    code.literalOp(rows.movlw, static_cast<std::uint8_t>(bits));
    code.bitOp(rows.btfsc, rows.status, "Z", kZeroBit);
    if (settings.bank.empty() && !read_->lastBitsFound()) {
        const std::uint32_t last = settings.lastReadSamples == 0 ? bits : settings.lastReadSamples;
        code.literalOp(rows.movlw, static_cast<std::uint8_t>(last), "the samples it holds");
    } else {
        code.byteOp(rows.movf, var(PlayerVar::lastBits), Destination::w, "the samples it holds");
    }
    code.fileOp(rows.movwf, var(PlayerVar::bitsLeft));
}

// Two bytes: the low byte's increment zero and the high's. Three: their
// AND all ones, a cycle less than a third increment.
void PlayerWriter::testLastRead(std::string_view note) {
    if (!wideCount()) {
        code.byteOp(rows.incf, var(PlayerVar::countLow), Destination::w);
        code.bitOp(rows.btfsc, rows.status, "Z", kZeroBit);
        code.byteOp(rows.incf, var(PlayerVar::countHigh), Destination::w, note);
        return;
    }
    code.byteOp(rows.movf, var(PlayerVar::countLow), Destination::w);
    code.byteOp(rows.andwf, var(PlayerVar::countHigh), Destination::w);
    code.byteOp(rows.andwf, var(PlayerVar::countTop), Destination::w);
    code.literalOp(rows.xorlw, 0xFF, note);
}

// Exactly `cycles` cycles without a loop.
void PlayerWriter::pad(std::uint32_t cycles) {
    for (; cycles >= 2; cycles -= 2) code.skipToNext();
    if (cycles == 1) code.plain(rows.nop);
}

// Where a call to the ramp's retlw is fewer words than its cycles in jumps
// to the next word, W may change: four cycles in one word.
void PlayerWriter::shortPad(std::uint32_t cycles) {
    const std::uint32_t callCycles = rows.call.cycles + rows.retlw.cycles;
    if (rows.call.words < callCycles / 2) {
        for (; cycles >= callCycles; cycles -= callCycles) {
            code.jump(rows.call, "rampend", std::to_string(callCycles) + " cycles");
        }
    }
    pad(cycles);
}

void PlayerWriter::balanceSkip() { pad(rows.nearJump.cycles - rows.nearJump.words); }

std::uint32_t PlayerWriter::regionCycles(std::string_view name, std::uint32_t period) const {
    if (measured_ == nullptr) return 0;
    const auto found = measured_->find(name);
    if (found == measured_->end()) throw std::logic_error("no path through " + std::string(name));
    if (found->second > period) throw std::logic_error("the path through " + std::string(name) + " is too long");
    return period - found->second;
}

void PlayerWriter::beginRegion(const std::string& name, std::uint32_t period) {
    regions_.push_back({{name, code.size(), code.size(), code.labelsAt(code.size())}, period, false});
}

void PlayerWriter::endRegion() { regions_.back().span.end = code.size(); }

void PlayerWriter::wait(std::string_view label) {
    const std::uint32_t period = settings.cyclesPerSample;
    beginRegion(std::string(label), period);
    regions_.back().isWait = true;
    waitLoops(regionCycles(label, period), label);
    endRegion();
}

void PlayerWriter::rampPad() {
    const std::string name = "rampbit" + std::to_string(++rampPads_);
    beginRegion(name, kRampCyclesPerBit);
    shortPad(regionCycles(name, kRampCyclesPerBit));
    endRegion();
}

void PlayerWriter::rampExitPad() {
    const std::string name = "rampexit" + std::to_string(rampReturns_.size());
    beginRegion(name, kRampCyclesPerBit);
    shortPad(regionCycles(name, kRampCyclesPerBit));
    endRegion();
}

// Exactly `cycles` cycles, in at most eleven words: the loops, then a pad
// shorter than an outer turn.
void PlayerWriter::waitLoops(std::uint32_t cycles, std::string_view label) {
    const WaitLoops loops = waitLoopsOf(rows);
    const std::uint32_t shortest = loops.base + loops.turn;
    if (cycles > loops.base + 256 * loops.outer + loops.turn - 1) throw std::logic_error("wait too long for the player");
    std::uint32_t padding = cycles;
    if (cycles >= shortest) {
        const std::uint32_t outer = (cycles - shortest) / loops.outer + 1;
        const std::uint32_t rest = cycles - loops.base - loops.outer * (outer - 1);
        const std::uint32_t inner = std::min<std::uint32_t>(rest / loops.turn, 256);
        padding = rest - loops.turn * inner;
        code.literalOp(rows.movlw, static_cast<std::uint8_t>(inner & 0xFF));
        code.fileOp(rows.movwf, var(PlayerVar::waitInner));
        code.literalOp(rows.movlw, static_cast<std::uint8_t>(outer & 0xFF));
        code.fileOp(rows.movwf, var(PlayerVar::waitOuter), std::to_string(cycles) + " cycles");
        code.label(label);
        code.byteOp(rows.decfsz, var(PlayerVar::waitInner), Destination::f);
        goTo(label);
        code.byteOp(rows.decfsz, var(PlayerVar::waitOuter), Destination::f);
        goTo(label);
    }
    pad(padding);
}

}  // namespace ryx
