#include "firmware/MemoryReadSteps.h"

#include <algorithm>
#include <stdexcept>

namespace ryx::memory_read {
namespace {

// The read's own variables. A program's sit in bank 0 after the player's.
// A routine's share its 16 registers with the player's that are not in use
// at the time: the byte coming in takes the sound's number (read once, at
// the start); the entry and the bit count take the registers the sound
// sets only after the first byte, the count read in place into the read
// count, the entry's top byte of samples into the ramp's flags (the read
// count's top byte until the ramp down sets them again).
constexpr std::array<std::string_view, kImageEntryBytes> kEntryNames{"entry0", "entry1", "entry2", "entry3",
                                                                     "entry4", "entry5", "entry6"};
constexpr std::uint8_t kRoutineShift = 14;
constexpr std::uint8_t kRoutineBitCount = 12;
constexpr std::array<std::uint8_t, kImageEntryBytes> kRoutineEntry{7, 8, 11, 5, 13, 10, 9};

std::uint16_t memoryPlace(const PlayerWriter& w, std::uint8_t program, std::uint8_t routine) {
    return static_cast<std::uint16_t>(w.routine ? w.settings.ram + routine : kMemoryVariables + program);
}

}  // namespace

PicRegister shiftOf(const PlayerWriter& w) { return {"membyte", memoryPlace(w, 0, kRoutineShift)}; }
PicRegister bitCountOf(const PlayerWriter& w) { return {"membits", memoryPlace(w, 1, kRoutineBitCount)}; }
PicRegister entryOf(const PlayerWriter& w, std::size_t k) {
    return {kEntryNames[k], memoryPlace(w, static_cast<std::uint8_t>(2 + k), kRoutineEntry[k])};
}

void splitAtBlock(PlayerWriter& w, const std::array<PicRegister, 3>& reads, PicRegister crosses, const std::string& fits,
                  const std::string& crossing) {
    const PlayerFamily& r = w.rows;
    const PicRegister& top = reads[0];
    const PicRegister& middle = reads[1];
    const PicRegister& low = reads[2];
    w.code.comment("Past the first block's end: the rest is read from the second block's start.");
    w.code.fileOp(r.clrf, crosses);
    w.code.fileOp(r.clrf, kBlockLastBits);
    w.code.bitOp(r.btfsc, entryOf(w, 0), "0", 0, "a sound in the second block runs on to its end");
    w.goTo(fits);
    w.code.byteOp(r.movf, low, Destination::w);
    w.code.fileOp(r.movwf, kBlockCountLow);
    w.code.byteOp(r.movf, middle, Destination::w);
    w.code.fileOp(r.movwf, kBlockCountHigh);
    w.addWord(kBlockCountLow, kBlockCountHigh, entryOf(w, 2), entryOf(w, 1));
    w.code.byteOp(r.movf, top, Destination::f, "the carry kept");
    w.code.bitOp(r.btfss, r.status, "Z", kZeroBit);
    w.goTo(crossing, "65536 reads or more from the first block");
    w.code.bitOp(r.btfss, r.status, "C", kCarryBit);
    w.goTo(fits);
    w.code.byteOp(r.movf, kBlockCountLow, Destination::w);
    w.code.byteOp(r.iorwf, kBlockCountHigh, Destination::w);
    w.jumpIfZero(fits, "it ends at the block's end");
    w.code.label(crossing);
    for (const PicRegister& reg : {kBlockCountLow, kBlockCountHigh}) {
        w.code.byteOp(r.movf, reg, Destination::w);
        w.code.literalOp(r.xorlw, 0xFF);
        w.code.fileOp(r.movwf, reg);
    }
    w.code.byteOp(r.incf, kBlockCountLow, Destination::f);
    w.code.bitOp(r.btfsc, r.status, "Z", kZeroBit);
    w.code.byteOp(r.incf, kBlockCountHigh, Destination::f);
    w.code.byteOp(r.incf, crosses, Destination::f);
    w.code.label(fits);
}

void countReads(PlayerWriter& w, std::string_view sound, bool splits) {
    const std::string rounded = "memrounded" + std::string(sound);
    const std::string whole = "memwhole" + std::string(sound);
    const PlayerFamily& r = w.rows;
    const PicRegister& highest = entryOf(w, 3);
    const PicRegister& top = entryOf(w, 4);
    const PicRegister& middle = entryOf(w, 5);
    const PicRegister& low = entryOf(w, 6);
    const PicRegister& crosses = entryOf(w, 3);  // free once shifted
    const std::array<PicRegister, 3> reads{top, middle, low};
    const std::array<PicRegister, 3> count{w.var(PlayerVar::countTop), w.var(PlayerVar::countHigh),
                                           w.var(PlayerVar::countLow)};
    if (!w.settings.bank.empty() || splits) {
        w.code.byteOp(r.movf, low, Destination::w, "the samples of the last byte: 1 to 8");
        w.code.literalOp(r.andlw, 7);
        w.code.bitOp(r.btfsc, r.status, "Z", kZeroBit);
        w.code.literalOp(r.movlw, 8);
        w.code.fileOp(r.movwf, w.var(PlayerVar::lastBits));
    }
    w.code.comment("Reads of a byte: (samples + 7) / 8, counted up from 2^24 less.");
    w.code.literalOp(r.movlw, 7);
    w.code.byteOp(r.addwf, low, Destination::f);
    w.code.bitOp(r.btfss, r.status, "C", kCarryBit);
    w.goTo(rounded);
    w.code.byteOp(r.incf, middle, Destination::f);
    w.code.bitOp(r.btfsc, r.status, "Z", kZeroBit);
    w.code.byteOp(r.incf, top, Destination::f);
    w.code.bitOp(r.btfsc, r.status, "Z", kZeroBit);
    w.code.byteOp(r.incf, highest, Destination::f);
    w.code.label(rounded);
    for (int shift = 0; shift < 3; ++shift) {
        w.code.bitOp(r.bcf, r.status, "C", kCarryBit);
        for (const PicRegister& reg : {highest, top, middle, low}) w.code.byteOp(r.rotateRight, reg, Destination::f);
    }
    if (splits) splitAtBlock(w, reads, crosses, "memfits" + std::string(sound), "memcross" + std::string(sound));
    // The low byte first: a routine's count takes the reads' places, its top the shifted highest byte's.
    for (std::size_t k = 3; k-- > 0;) {
        w.code.byteOp(r.movf, reads[k], Destination::w);
        w.code.literalOp(r.xorlw, 0xFF);
        w.code.fileOp(r.movwf, count[k]);
    }
    w.code.byteOp(r.incf, count[2], Destination::f);
    for (std::size_t k = 2; k-- > 0;) {
        w.code.bitOp(r.btfsc, r.status, "Z", kZeroBit);
        w.code.byteOp(r.incf, count[k], Destination::f);
    }
    if (splits) {
        w.code.byteOp(r.movf, crosses, Destination::f);
        w.jumpIfZero(whole);
        w.code.comment("To the block's end first: 65536 less the address's lower 16 bits reads.");
        w.code.byteOp(r.movf, entryOf(w, 2), Destination::w);
        w.code.fileOp(r.movwf, w.var(PlayerVar::countLow));
        w.code.byteOp(r.movf, entryOf(w, 1), Destination::w);
        w.code.fileOp(r.movwf, w.var(PlayerVar::countHigh));
        w.code.literalOp(r.movlw, 0xFF);
        w.code.fileOp(r.movwf, w.var(PlayerVar::countTop));
        w.code.byteOp(r.movf, w.var(PlayerVar::lastBits), Destination::w);
        w.code.fileOp(r.movwf, kBlockLastBits, "the sound's last byte, in the second block");
        w.code.literalOp(r.movlw, 8);
        w.code.fileOp(r.movwf, w.var(PlayerVar::lastBits), "the first block's last byte is whole");
        w.code.label(whole);
    }
    if (!w.settings.loop) return;
    for (std::size_t k = 0; k < 3; ++k) {
        w.code.byteOp(r.movf, count[k], Destination::w);
        w.code.fileOp(r.movwf, reads[k], k == 0 ? "kept for the start again" : "");
    }
}


void spreadOverLastByte(PlayerWriter& w, const std::vector<BusStep>& steps, std::uint32_t last,
                        const std::function<void()>& beforeShare) {
    double total = 0;
    for (const BusStep& step : steps) total += step.weight;
    double done = 0;
    std::size_t next = 0;
    for (std::uint32_t share = 0; share <= last; ++share) {
        beforeShare();
        const double until = total * (share + 1) / (last + 1);
        while (next < steps.size() && (share == last || done + steps[next].weight / 2 <= until)) {
            steps[next].write();
            done += steps[next++].weight;
        }
        w.selectBank(0);
        if (share == last) return;
        w.wait("waitlast" + std::to_string(share));
        w.writeSample();
    }
}

void reloadCount(PlayerWriter& w) {
    const PlayerFamily& r = w.rows;
    w.selectBank(0);
    w.code.byteOp(r.movf, entryOf(w, 6), Destination::w, "the read count again");
    w.code.fileOp(r.movwf, w.var(PlayerVar::countLow));
    w.code.byteOp(r.movf, entryOf(w, 5), Destination::w);
    w.code.fileOp(r.movwf, w.var(PlayerVar::countHigh));
    w.code.byteOp(r.movf, entryOf(w, 4), Destination::w);
    w.code.fileOp(r.movwf, w.var(PlayerVar::countTop));
}

void jumpIfLastRead(PlayerWriter& w, std::string_view label) {
    w.testLastRead("Z: the sound's last read");
    w.jumpIfZero(label, "the loop starts again over it");
}


std::uint32_t padFor(std::uint32_t nanoseconds, std::uint32_t clockHz, std::uint32_t between) {
    const std::uint32_t cycles = cyclesAtLeast(nanoseconds, clockHz);
    return cycles > between + 1 ? cycles - between - 1 : 0;
}

void defineMemoryVariables(PlayerWriter& w, const ChipMemoryPins& pins) {
    for (const RegisterSetting& setting : pins.setup) {
        if (!setting.name.empty()) w.define({setting.name, setting.address});
    }
    w.define(shiftOf(w));
    w.define(bitCountOf(w));
    for (std::size_t k = 0; k < kImageEntryBytes; ++k) w.define(entryOf(w, k));
}

void setUpMemoryPins(PlayerWriter& w, const ChipMemoryPins& pins, std::initializer_list<const MemoryPin*> lines) {
    for (const RegisterSetting& setting : pins.setup) {
        if (setting.name.empty()) continue;
        const PicRegister reg{setting.name, setting.address};
        if (!w.routine || !setting.name.starts_with("ANSEL")) {
            w.setRegister(reg, setting.value, "memory pins digital");
            continue;
        }
        w.selectBank(reg.address);
        for (const MemoryPin* line : lines) w.clearBit(reg, static_cast<std::uint8_t>(1u << line->bit), "memory pin digital");
    }
    if (!w.routine) return;
    for (const RegisterSetting& setting : w.settings.chip->pinSetup) {
        if (setting.name.empty() || setting.pinABit == 0) continue;
        const PicRegister reg{setting.name, setting.address};
        for (const MemoryPin* line : lines) {
            if (line->analogBit == MemoryPin::kNoAnalog) continue;
            const unsigned bit = line->analogBit == MemoryPin::kPortBit ? line->bit : static_cast<unsigned>(line->analogBit);
            w.selectBank(reg.address);
            w.clearBit(reg, static_cast<std::uint8_t>(1u << bit), "memory pin digital");
        }
    }
}

void clearLines(PlayerWriter& w, PicRegister port, std::initializer_list<const MemoryPin*> lines, std::string_view note) {
    w.selectBank(port.address);
    if (!w.routine) {
        w.code.fileOp(w.rows.clrf, port, note);
        return;
    }
    std::uint8_t mask = 0;
    for (const MemoryPin* line : lines) mask = static_cast<std::uint8_t>(mask | 1u << line->bit);
    w.code.byteOp(w.rows.movf, port, Destination::w);
    w.code.literalOp(w.rows.andlw, static_cast<std::uint8_t>(~mask & 0xFF), note);
    w.code.fileOp(w.rows.movwf, port);
}

std::uint8_t bitsOnPort(std::uint16_t portAddress, std::initializer_list<const MemoryPin*> lines) {
    std::uint8_t mask = 0;
    for (const MemoryPin* line : lines) {
        if (line->portAddress == portAddress) mask = static_cast<std::uint8_t>(mask | 1u << line->bit);
    }
    return mask;
}

void entryAddressOfSound(PlayerWriter& w) {
    const PlayerFamily& r = w.rows;
    const PicRegister high = entryOf(w, 1);
    const PicRegister low = entryOf(w, 2);
    const PicRegister partLow = entryOf(w, 0);
    const PicRegister partHigh = entryOf(w, 4);
    w.selectBank(0);
    w.code.comment("The sound's entry in the memory's index: 1 + 7 * W, its address and samples.");
    w.code.byteOp(r.movf, w.var(PlayerVar::sound), Destination::w);
    w.code.fileOp(r.movwf, partLow);
    w.code.fileOp(r.clrf, partHigh);
    w.code.literalOp(r.movlw, 1);
    w.code.fileOp(r.movwf, low);
    w.code.fileOp(r.clrf, high);
    for (int power = 0; power < 3; ++power) {  // + W, 2 W and 4 W
        w.addWord(low, high, partLow, partHigh);
        w.code.bitOp(r.bcf, r.status, "C", kCarryBit);
        w.code.byteOp(r.rotateLeft, partLow, Destination::f);
        w.code.byteOp(r.rotateLeft, partHigh, Destination::f);
    }
}

}  // namespace ryx::memory_read
