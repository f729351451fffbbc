// The player's algorithm, once for every family: set the chip up (or enter
// as a routine), ramp up, wait for a trigger or a number, start a sound, play
// its samples one table read at a time, ramp down, finish or return.
#include "firmware/PlayerWriter.h"

#include "export/TableLayout.h"
#include "firmware/PlayerSerialRead.h"
#include "firmware/PlayerTableRead.h"

#include <string>
#include <vector>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

PicRegister portFor(const PlayerSettings& settings, const PlayerFamily& rows, const std::string& latchName) {
    const PicChip& chip = *settings.chip;
    if (settings.form == PlayerForm::routine && rows.routineWritesLatch) {
        return {latchName, static_cast<std::uint16_t>(chip.portAddress + rows.latchOffset)};
    }
    return {chip.portName, chip.portAddress};
}

PicAssembly assemblyFor(const PlayerSettings& settings) {
    const PicFamily family = settings.chip->family;
    if (settings.form == PlayerForm::routine) return PicAssembly(family, {settings.org, std::string(kRoutinePrefix)});
    return PicAssembly(family);
}

}  // namespace

PlayerWriter::PlayerWriter(const PlayerSettings& s, const PlayerRamp& r, const PicPathCycles* measured)
    : settings(s),
      rows(playerFamily(s.chip->family)),
      routine(s.form == PlayerForm::routine),
      ramp(r),
      code(assemblyFor(s)),
      measured_(measured),
      read_(s.memory != nullptr ? serialMemoryRead(s) : playerTableRead(s.chip->family, s.storage)),
      latchName_("LAT" + std::string(s.chip->portName.substr(4))),  // PORTB: LATB
      port_(portFor(s, rows, latchName_)),
      tris_{s.chip->trisName, s.chip->trisAddress} {}

PlayerWriter::~PlayerWriter() = default;

PicAssembly PlayerWriter::build() {
    defineSymbols();
    if (routine) {
        enterRoutine();
        rampUp();
        chooseSound();
    } else {
        setUpChip();
        if (settings.trigger != PlayTrigger::reset) {
            awaitTrigger();
        } else {
            startTable("first", {kFirstTableAddress, settings.tableReads, settings.lastReadSamples}, true);
        }
        rampUp();
    }
    playSamples();
    finish();
    rampRoutine();
    read_->routines(*this);
    return std::move(code);
}

void PlayerWriter::setUpChip() {
    code.comment("Set the chip up; the pins start low.");
    if (rows.clearsLatchFirst) code.fileOp(rows.clrf, port_, "the latch, before the pins drive");
    const std::string clockNote =
        "internal clock at " + std::to_string(settings.chip->internalClockHz / 1000000) + " MHz";
    for (const RegisterSetting& setting : setupSettings()) {
        setRegister({setting.name, setting.address}, setting.value,
                    setting.name == "OSCCON" ? clockNote : std::string("pins A and B digital"));
    }
    setRegister(tris_, 0xFC, "pins A and B drive");
    if (settings.trigger != PlayTrigger::reset) setUpTriggers();
    read_->setUp(*this);
    selectBank(0);
    if (!rows.clearsLatchFirst) code.fileOp(rows.clrf, port_);
    code.fileOp(rows.clrf, var(PlayerVar::pins), "no bit before the first");
}

// Count and table address (in the read's order), and the first read.
void PlayerWriter::startTable(std::string_view label, PlayerSound sound, bool read) {
    code.label(label);
    if (!settings.bank.empty()) {
        const std::uint32_t whole = settings.storage == PicStorage::packed14 ? 14 : 8;
        const std::uint32_t last = sound.lastReadSamples == 0 ? whole : sound.lastReadSamples;
        code.literalOp(rows.movlw, static_cast<std::uint8_t>(last), "the samples of its last read");
        code.fileOp(rows.movwf, var(PlayerVar::lastBits));
    }
    if (read_->pointerFirst()) read_->pointAt(*this, sound);
    if (!wideCount()) {
        const std::uint32_t count = 65536u - sound.tableReads;
        code.literalOp(rows.movlw, static_cast<std::uint8_t>(count & 0xFF), "the read count, negated");
        code.fileOp(rows.movwf, var(PlayerVar::countLow));
        code.literalOp(rows.movlw, static_cast<std::uint8_t>(count >> 8));
        code.fileOp(rows.movwf, var(PlayerVar::countHigh));
    }
    if (!read_->pointerFirst()) read_->pointAt(*this, sound);
    if (read) read_->readNext(*this, false);
}

// Any bank on entry. An unknown sound returns at once. Pins A and B go low,
// the port's other pins keep their levels, and only the pins' direction
// bits change.
void PlayerWriter::enterRoutine() {
    const std::size_t sounds = settings.bank.size();
    code.label(kRoutineEntry);
    if (!rows.savesCallerBank) {
        if (rows.banks == PicBankSelect::movlb) {
            code.literalOp(rows.movlb, 0, "bank 0");
        } else {
            code.bitOp(rows.bcf, rows.status, "RP0", 5, "bank 0");
            code.bitOp(rows.bcf, rows.status, "RP1", 6);
        }
        bank_ = 0;
    }
    code.fileOp(rows.movwf, var(PlayerVar::sound), "the sound asked for");
    if (sounds < 256) {
        code.literalOp(rows.addlw, static_cast<std::uint8_t>(256 - sounds), "a carry: no such sound");
        code.bitOp(rows.btfsc, rows.status, "C", kCarryBit);
        code.literalOp(rows.retlw, 0);
    }
    if (rows.savesCallerBank) {
        code.byteOp(rows.movf, rows.callerState, Destination::w);
        code.fileOp(rows.movwf, var(PlayerVar::savedBank), "the caller's BSR, given back at the end");
    }
    const std::uint8_t ours = settings.twoPins ? 3 : 1;
    const std::uint8_t lines = read_->linesOnPort(settings.chip->portAddress);
    selectBank(latch().address);
    code.byteOp(rows.movf, latch(), Destination::w);
    selectBank(0);
    code.literalOp(rows.andlw, static_cast<std::uint8_t>(~(ours | lines) & 0xFF),
                   lines != 0 ? "the other pins' levels, the memory's lines 0" : "the other pins' levels");
    code.fileOp(rows.movwf, var(PlayerVar::otherPins));
    code.fileOp(rows.movwf, port_, settings.twoPins ? "pins A and B low" : "pin A low");
    // Only its own pins' analog selects: the user's analog inputs stay.
    for (const RegisterSetting& setting : setupSettings()) {
        const PicRegister reg{setting.name, setting.address};
        if (setting.pinABit == 0) {
            setRegister(reg, setting.value, "pins A and B digital");
            continue;
        }
        selectBank(reg.address);
        clearBit(reg, setting.pinABit, "pin A digital");
        if (settings.twoPins) clearBit(reg, setting.pinBBit, "pin B digital");
    }
    selectBank(tris_.address);
    code.bitOp(rows.bcf, tris_, "0", 0, "pin A drives");
    if (settings.twoPins) code.bitOp(rows.bcf, tris_, "1", 1, "pin B drives");
    read_->setUp(*this);
    selectBank(0);
}

// After the ramp up: the sound's count and address, its first read. Sound 0
// when no other matches; W runs through sound ^ k. The far jump reaches
// every sound of a long bank.
void PlayerWriter::chooseSound() {
    const std::size_t sounds = settings.bank.size();
    if (read_->pointsAtNumber()) {
        read_->pointAtNumber(*this);
        code.label("firstread");
        read_->readNext(*this, false);
        code.fileOp(rows.clrf, var(PlayerVar::pins), "no bit before the sound's first");
        goTo(kSampleLabel);
        return;
    }
    code.comment("The sound W named: its table.");
    code.byteOp(rows.movf, var(PlayerVar::sound), Destination::w);
    std::uint8_t before = 0;
    for (std::size_t k = 1; k < sounds; ++k) {
        const auto number = static_cast<std::uint8_t>(k & 0xFF);
        code.literalOp(rows.xorlw, static_cast<std::uint8_t>(number ^ before));
        code.bitOp(rows.btfsc, rows.status, "Z", kZeroBit);
        code.jump(rows.farJump, "sound" + std::to_string(k));
        before = number;
    }
    for (std::size_t k = 0; k < sounds; ++k) {
        startTable("sound" + std::to_string(k), settings.bank[k], false);
        if (k + 1 < sounds) code.jump(rows.farJump, "firstread");
    }
    code.label("firstread");
    read_->readNext(*this, false);
    code.fileOp(rows.clrf, var(PlayerVar::pins), "no bit before the sound's first");
    goTo(kSampleLabel);
}

void PlayerWriter::playSamples() {
    code.comment("Every sample takes the same number of cycles on every path.");
    code.label("within");
    read_->balance(*this);
    wait("waitbit");
    code.label(kSampleLabel);
    sampleWrite_ = writeSampleBit();
    code.byteOp(rows.decfsz, var(PlayerVar::bitsLeft), Destination::f);
    goTo("within");
    // The count runs up to 65536 (2^24 in three bytes): its carry out, or
    // every byte zero, ends the sound.
    std::vector<PicRegister> upper{var(PlayerVar::countHigh)};
    if (wideCount()) upper.push_back(var(PlayerVar::countTop));
    code.byteOp(rows.incf, var(PlayerVar::countLow), Destination::f, "a read is done");
    if (!rows.addWithCarry.mnemonic.empty()) {
        code.literalOp(rows.movlw, 0);
        for (const PicRegister& reg : upper) code.byteOp(rows.addWithCarry, reg, Destination::f);
        code.jump(rows.branchIfCarry, "finished", "a carry out: that was the last read");
    } else {
        for (const PicRegister& reg : upper) {
            code.bitOp(rows.btfsc, rows.status, "Z", kZeroBit);
            code.byteOp(rows.incf, reg, Destination::f);
        }
        jumpIfZero("finished", "that was the last read");
    }
    read_->readNext(*this, true);
    code.label(kByteDelayLabel);
    wait("waitbyte");
    goTo(kSampleLabel);
}

// The next bit of `current` to pin A, the one before to pin B; the port
// write's index.
std::uint32_t PlayerWriter::writeSampleBit() {
    code.byteOp(rows.rotateLeft, var(PlayerVar::current), Destination::f, "next bit, first sample on top");
    if (read_->twoRegisters()) code.byteOp(rows.rotateLeft, var(PlayerVar::currentHigh), Destination::f);
    code.byteOp(rows.rotateLeft, var(PlayerVar::pins), Destination::f, "into pin A; pin A's bit to pin B");
    code.byteOp(rows.movf, var(PlayerVar::pins), Destination::w);
    code.literalOp(rows.andlw, settings.twoPins ? 3 : 1, settings.twoPins ? "pins A and B" : "pin A only");
    if (routine) code.byteOp(rows.iorwf, var(PlayerVar::otherPins), Destination::w, "and the port's other pins");
    const std::uint32_t write = code.size();
    code.fileOp(rows.movwf, port_, "the sample's instant");
    return write;
}

void PlayerWriter::writeSample() { extraSampleWrites_.push_back(writeSampleBit()); }

void PlayerWriter::finish() {
    code.label("finished");
    if (settings.loop) {
        code.comment("Start again at the first byte, in step.");
        if (read_->restartsInStep()) {
            // The read starts again over the sound's last byte: no path comes here.
            goTo(kSampleLabel);
        } else {
            wait("waitagain");
            startTable("again", {kFirstTableAddress, settings.tableReads, settings.lastReadSamples}, true);
        }
        goTo(kSampleLabel);
        return;
    }
    if (routine) return finishRoutine();
    code.comment("Bring the output down slowly, then both pins low and sleep.");
    read_->balance(*this);
    wait("waitend");
    callRamp();
    rampExitPad();
    rampExitWrites_.push_back(code.size());
    code.fileOp(rows.clrf, port_, "both pins low, one ramp bit after the last");
    if (settings.trigger != PlayTrigger::reset) return goTo("released", "wait for the next press");
    code.label("asleep");
    code.plain(rows.sleep, "until the next reset");
    goTo("asleep");
}

// The wait comes first: its registers are the ramp's turn and count.
void PlayerWriter::finishRoutine() {
    code.comment("Bring the output down slowly, then pins A and B low and back to the caller.");
    read_->balance(*this);
    wait("waitend");
    armRampDownAfterSound();
    callRamp();
    rampExitPad();
    code.byteOp(rows.movf, var(PlayerVar::otherPins), Destination::w);
    rampExitWrites_.push_back(code.size());
    code.fileOp(rows.movwf, port_, "pins A and B low, one ramp bit after the last");
    read_->leave(*this);
    if (rows.savesCallerBank) {
        code.byteOp(rows.movf, var(PlayerVar::savedBank), Destination::w);
        code.fileOp(rows.movwf, rows.callerState, "the caller's BSR");
    } else {
        code.literalOp(rows.movlw, static_cast<std::uint8_t>(settings.org >> 8), "PCLATH at the routine's page");
        code.fileOp(rows.movwf, rows.callerState);
    }
    code.literalOp(rows.retlw, 0, "back to the caller");
}

}  // namespace ryx
