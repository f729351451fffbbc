// The ramps at both ends, in code: the routine that plays them (one pin A
// bit every kRampCyclesPerBit cycles, its pads measured like the sample
// waits) and the set-ups that start the ramp up and the ramp down.
#include "firmware/PlayerWriter.h"

#include <string>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

// The level that stands for pin A always high.
constexpr std::uint32_t kFullLevel = 65536;

std::uint32_t turned(std::uint32_t step) { return (kFullLevel - step) & 0xFFFF; }

}  // namespace

void PlayerWriter::callRamp() {
    code.jump(rows.call, kRampLabel);
    rampReturns_.push_back(code.size());
}

void PlayerWriter::rampBit() {
    code.jump(rows.call, "rampbit");
    rampBitReturns_.push_back(code.size());
}

// The ramp up's start: level 0, no speed, the step and its negation for the
// second half, both counts, a clear sum.
void PlayerWriter::armRampUp() {
    for (PlayerVar v : {PlayerVar::sumLow, PlayerVar::sumHigh, PlayerVar::levelLow, PlayerVar::levelHigh,
                        PlayerVar::speedLow, PlayerVar::speedHigh}) {
        code.fileOp(rows.clrf, var(v));
    }
    if (routine) {
        code.bitOp(rows.bcf, rows.status, "C", kCarryBit);
        code.byteOp(rows.rotateRight, var(PlayerVar::otherPins), Destination::w, "the other pins, one bit down");
        code.fileOp(rows.movwf, var(PlayerVar::rampFlags));
    } else {
        code.fileOp(rows.clrf, var(PlayerVar::rampFlags));
    }
    loadWord(var(PlayerVar::stepLow), var(PlayerVar::stepHigh), ramp.step);
    loadWord(var(PlayerVar::turnLow), var(PlayerVar::turnHigh), turned(ramp.step));
    loadByte(var(PlayerVar::rampUpdates), ramp.updates + 1);
    loadByte(var(PlayerVar::rampBits), ramp.bitsPerUpdate & 0xFF);
}

// The ramp up ends one step below the top with the step turned, and the
// sound leaves the ramp's registers alone: the same S back down from there
// ends at exactly 0. Only the speed, the turn and the counts are set again
// (the plain bits' count was reloaded at the last update).
void PlayerWriter::armRampDown() {
    code.comment("The ramp down starts where the ramp up ended.");
    loadWord(var(PlayerVar::speedLow), var(PlayerVar::speedHigh), 0);
    loadWord(var(PlayerVar::turnLow), var(PlayerVar::turnHigh), ramp.step);
    code.fileOp(rows.clrf, var(PlayerVar::rampFlags), "first half");
    loadByte(var(PlayerVar::rampUpdates), ramp.updates + 1);
}

// A routine's ramp down, set up within the sound's last sample: the sound's
// variables took the ramp's speed, step, turn and counts (a three-byte
// count its flags as well: they are the other pins, first half, again).
void PlayerWriter::armRampDownAfterSound() {
    loadByte(var(PlayerVar::rampBits), ramp.bitsPerUpdate & 0xFF);
    loadWord(var(PlayerVar::speedLow), var(PlayerVar::speedHigh), 0);
    loadWord(var(PlayerVar::stepLow), var(PlayerVar::stepHigh), turned(ramp.step));
    loadWord(var(PlayerVar::turnLow), var(PlayerVar::turnHigh), ramp.step);
    if (wideCount()) {
        code.bitOp(rows.bcf, rows.status, "C", kCarryBit);
        code.byteOp(rows.rotateRight, var(PlayerVar::otherPins), Destination::w, "the other pins, first half");
        code.fileOp(rows.movwf, var(PlayerVar::rampFlags));
    } else {
        code.bitOp(rows.bcf, var(PlayerVar::rampFlags), "7", 7, "first half");
    }
    loadByte(var(PlayerVar::rampUpdates), ramp.updates + 1);
}

// The first table byte is read before the ramp, so the first sample follows
// the ramp's last bit after a fixed number of cycles.
void PlayerWriter::rampUp() {
    code.comment("Bring the output up to half the supply slowly: pin A's density rises from 0.");
    armRampUp();
    callRamp();
    if (settings.twoPins) {
        rampExitPad();
        if (routine) {
            code.byteOp(rows.incf, var(PlayerVar::otherPins), Destination::w, "pin A high, pin B low, the others kept");
        } else {
            code.literalOp(rows.movlw, 1);
        }
        rampExitWrites_.push_back(code.size());
        code.fileOp(rows.movwf, port_, "pin A high, pin B low: half the supply without ripple");
    }
    if (routine) return;  // the sound is chosen after the ramp
    if (!settings.loop) armRampDown();
    code.fileOp(rows.clrf, var(PlayerVar::pins), "no bit before the sound's first");
    goTo(kSampleLabel);
}

// Called with armRampUp's or armRampDown's state. "rampbit" adds the level
// to the sum, whose carry is pin A. Plain bits, then an update: the level
// takes the speed, the speed takes the step. After `updates` updates the
// step turns to its negation; `updates` - 1 updates later the ramp returns.
void PlayerWriter::rampRoutine() {
    code.comment("The ramp: one pin A bit every " + std::to_string(kRampCyclesPerBit) + " cycles.");
    code.label("rampbit");
    addWord(var(PlayerVar::sumLow), var(PlayerVar::sumHigh), var(PlayerVar::levelLow), var(PlayerVar::levelHigh));
    code.byteOp(rows.rotateLeft, var(PlayerVar::rampFlags), Destination::w, "the carry to pin A, pin B low");
    rampBitWrite_ = code.size();
    code.fileOp(rows.movwf, port_);
    code.literalOp(rows.retlw, 0);

    code.label("ramplevel");
    rampBit();
    addWord(var(PlayerVar::levelLow), var(PlayerVar::levelHigh), var(PlayerVar::speedLow), var(PlayerVar::speedHigh));
    rampPad();
    rampBit();
    addWord(var(PlayerVar::speedLow), var(PlayerVar::speedHigh), var(PlayerVar::stepLow), var(PlayerVar::stepHigh));
    rampPad();
    code.label(kRampLabel);
    rampBit();
    rampPad();
    code.byteOp(rows.decfsz, var(PlayerVar::rampBits), Destination::f);
    goTo(kRampLabel);
    balanceSkip();
    rampBit();
    code.literalOp(rows.movlw, static_cast<std::uint8_t>(ramp.bitsPerUpdate & 0xFF));
    code.fileOp(rows.movwf, var(PlayerVar::rampBits));
    rampPad();
    code.byteOp(rows.decfsz, var(PlayerVar::rampUpdates), Destination::f);
    goTo("ramplevel");
    balanceSkip();
    rampBit();
    code.bitOp(rows.btfsc, var(PlayerVar::rampFlags), "7", 7, "past the middle: done");
    goTo("rampend");
    code.byteOp(rows.movf, var(PlayerVar::turnLow), Destination::w, "the step turns");
    code.fileOp(rows.movwf, var(PlayerVar::stepLow));
    code.byteOp(rows.movf, var(PlayerVar::turnHigh), Destination::w);
    code.fileOp(rows.movwf, var(PlayerVar::stepHigh));
    rampPad();
    rampBit();
    code.bitOp(rows.bsf, var(PlayerVar::rampFlags), "7", 7);
    code.literalOp(rows.movlw, static_cast<std::uint8_t>(ramp.updates - 1));
    code.fileOp(rows.movwf, var(PlayerVar::rampUpdates));
    rampPad();
    goTo("ramplevel");
    code.label("rampend");
    code.literalOp(rows.retlw, 0, "back to the caller");
}

}  // namespace ryx
