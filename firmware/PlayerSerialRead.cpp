#include "firmware/PlayerSerialRead.h"

#include "firmware/MemoryImage.h"

#include <algorithm>
#include <array>
#include <functional>
#include <stdexcept>
#include <string>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

// The read's own variables. A program's sit in bank 0 after the player's.
// A routine's share its 16 registers with the player's that are not in use
// at the time: the byte coming in takes the sound's number (read once, at
// the start); the entry and the bit count take the registers the sound
// sets only after the first byte, the count read in place into the read
// count, the entry's top byte of samples into the ramp's flags (the read
// count's top byte until the ramp down sets them again).
constexpr std::uint16_t kMemoryVariables = 0x38;
constexpr std::array<std::string_view, kImageEntryBytes> kEntryNames{"entry0", "entry1", "entry2", "entry3",
                                                                     "entry4", "entry5", "entry6"};
constexpr std::uint8_t kRoutineShift = 14;
constexpr std::uint8_t kRoutineBitCount = 12;
constexpr std::array<std::uint8_t, kImageEntryBytes> kRoutineEntry{7, 8, 11, 5, 13, 10, 9};

// A program reading a memory whose reads stop at each block (the 24LC1025's
// 64 KiB): the read count of the sound's part in the second block, and the
// samples of its last byte, 0 once there (or with no such part).
constexpr PicRegister kBlockCountLow{"blockcntlo", kMemoryVariables + 2 + kImageEntryBytes};
constexpr PicRegister kBlockCountHigh{"blockcnthi", kMemoryVariables + 3 + kImageEntryBytes};
constexpr PicRegister kBlockLastBits{"blocklast", kMemoryVariables + 4 + kImageEntryBytes};

std::uint16_t memoryPlace(const PlayerWriter& w, std::uint8_t program, std::uint8_t routine) {
    return static_cast<std::uint16_t>(w.routine ? w.settings.ram + routine : kMemoryVariables + program);
}
PicRegister shiftOf(const PlayerWriter& w) { return {"membyte", memoryPlace(w, 0, kRoutineShift)}; }  // in or out
PicRegister bitCountOf(const PlayerWriter& w) { return {"membits", memoryPlace(w, 1, kRoutineBitCount)}; }
// The index entry: address (3 bytes), then samples (4 bytes), high first.
PicRegister entryOf(const PlayerWriter& w, std::size_t k) {
    return {kEntryNames[k], memoryPlace(w, static_cast<std::uint8_t>(2 + k), kRoutineEntry[k])};
}

// The reads R (top:middle:low, at most 131072) of a sound at the entry's
// address A: where A is in the first block and R + (A mod 65536) passes
// 65536, `crosses` is set and the second block's count is 65536 less that
// sum's lower 16 bits (0: all 65536).
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

// The player counts byte reads up to 2^24: the count is 2^24 less
// (samples + 7) / 8, from the entry's four sample bytes (the planner keeps
// the reads below 2^24).
// With `splits`, a sound that runs from the first block into the second
// plays its reads up to the block's end first: the count then is the
// address's lower 16 bits; kBlockCountLow and High count the rest. Either
// part is at most 65536 reads: the count's top byte stays 0xFF there.
void countReads(PlayerWriter& w, std::string_view sound, bool splits = false) {
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

// A step of a loop's start again, and about how long it takes (in bus clocks).
struct BusStep {
    std::function<void()> write;
    double weight = 1;
};

// A loop starts again over the sound's last byte, from its byte boundary
// on: `current` takes the byte, then its `last` samples each follow a
// share of the steps (a share for each sample's path, and one for the path
// to the first sample again), each path's own wait before its sample.
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

// The count read again for the loop's next round.
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

// At a byte boundary of a loop, bank 0: to `label` when the next read is the sound's last.
void jumpIfLastRead(PlayerWriter& w, std::string_view label) {
    w.testLastRead("Z: the sound's last read");
    w.jumpIfZero(label, "the loop starts again over it");
}

constexpr std::string_view kLastByteLabel = "lastbyte";

// The cycles a line must hold, less those the instructions between its two
// edges take already (an edge's own instruction counts as one).
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

// A program sets the memory's registers whole; a routine clears only its
// lines' analog selects, keeping the user's analog inputs (the chip's own
// select register too, where the routine made only pins A and B digital).
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

// The port's bits of `lines` cleared: a routine keeps its other pins' levels
// (a read of the port and a write, as bcf would, but for both at once).
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

// A routine's index entry at 1 + 7 * sound, into entry1 (high) and entry2
// (low), entry0 and entry4 its workspace.
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

// Each line is held low through its TRIS bit (its port bit 0) and released
// to the pull-up. Every pause is the datasheet's minimum at the clock, in
// whole cycles; a timed path counts the instructions between two edges
// towards it.
class I2cStreamRead : public PlayerTableRead {
public:
    explicit I2cStreamRead(const PlayerSettings& s)
        : memory_(*s.memory),
          pins_(s.chip->memoryPins),
          tris_{pins_.scl.trisName, pins_.scl.trisAddress},
          port_{pins_.scl.portName, pins_.scl.portAddress},
          high_(cyclesAtLeast(memory_.i2c.clockHighNs, s.clockHz)),
          low_(cyclesAtLeast(memory_.i2c.clockLowNs, s.clockHz)),
          clockHz_(s.clockHz),
          routine_(s.form == PlayerForm::routine),
          blocks_(memory_.blockBytes < memory_.sizeBytes) {}

    void defineSymbols(PlayerWriter& w) const override {
        w.define(tris_);
        w.define(port_);
        w.defineBit("SCL", pins_.scl.bit);
        w.defineBit("SDA", pins_.sda.bit);
        defineMemoryVariables(w, pins_);
        if (!blocks_) return;
        for (const PicRegister& reg : {kBlockCountLow, kBlockCountHigh, kBlockLastBits}) w.define(reg);
    }

    // Both lines released, their port bits 0, so that a TRIS bit alone
    // pulls a line low; a port write of the sound's leaves them 0 as well.
    void setUp(PlayerWriter& w) const override {
        setUpMemoryPins(w, pins_, {&pins_.scl, &pins_.sda});
        w.selectBank(tris_.address);
        w.code.bitOp(w.rows.bsf, tris_, "SCL", pins_.scl.bit, "the bus released");
        w.code.bitOp(w.rows.bsf, tris_, "SDA", pins_.sda.bit);
        // The sound's port is cleared with the chip's set-up (a routine's
        // with its lines). A bit cleared alone would read the other
        // released line high and set its bit.
        if (port_.address != w.settings.chip->portAddress) {
            clearLines(w, port_, {&pins_.scl, &pins_.sda}, "a line pulled low drives 0");
        }
        w.selectBank(0);
    }

    std::uint8_t linesOnPort(std::uint16_t portAddress) const override {
        return bitsOnPort(portAddress, {&pins_.scl, &pins_.sda});
    }

    bool pointsAtNumber() const override { return routine_; }
    void pointAtNumber(PlayerWriter& w) const override {
        entryAddressOfSound(w);
        readEntry(w, "n", [&](int part) { w.code.byteOp(w.rows.movf, entryOf(w, part == 0 ? 1 : 2), Destination::w); });
    }

    // The sound's index entry, its read reduced to the bytes to play, then
    // the read command at its first byte. Not timed: loops are fine.
    void pointAt(PlayerWriter& w, PlayerSound sound) const override {
        w.code.comment("The sound's entry in the memory's index: its address and samples.");
        // A bank's sounds are numbered by firstWord; one sound is the first.
        const std::uint32_t number = w.settings.bank.empty() ? 0 : sound.firstWord;
        readEntry(w, std::to_string(number), [&](int part) { loadAddressPart(w, 1 + kImageEntryBytes * number, part); });
    }

private:
    // The entry at the address `entryAddress` loads into W (part 0 the high
    // byte, 1 the low), the read reduced to its bytes, then the read command
    // at the sound's first byte.
    template <typename EntryAddress>
    void readEntry(PlayerWriter& w, const std::string& number, EntryAddress entryAddress) const {
        const PlayerFamily& r = w.rows;
        w.selectBank(0);
        // A sound before stopped the memory in mid-byte: nine clocks with SDA
        // released reach an acknowledge it reads as the last, then a stop.
        const std::string free = "memfree" + number;
        w.code.literalOp(r.movlw, 9);
        w.code.fileOp(r.movwf, bitCountOf(w));
        w.code.label(free);
        w.code.jump(r.call, "i2cnack");
        w.code.byteOp(r.decfsz, bitCountOf(w), Destination::f);
        w.goTo(free);
        w.code.jump(r.call, "i2cstop");
        addressMemory(w, entryAddress);
        for (std::size_t k = 0; k < kImageEntryBytes; ++k) {
            w.code.jump(r.call, "i2cbits");
            w.code.byteOp(r.movf, shiftOf(w), Destination::w);
            w.code.fileOp(r.movwf, entryOf(w, k));
            w.code.jump(r.call, k + 1 < kImageEntryBytes ? "i2cack" : "i2cnack");
        }
        w.code.jump(r.call, "i2cstop");
        countReads(w, number, blocks_);
        w.code.comment("One sequential read from the sound's first byte.");
        addressMemory(
            w,
            [&](int part) {
                const std::size_t byte = part == 0 ? 1 : 2;  // the entry's address, middle then low byte
                w.code.byteOp(r.movf, entryOf(w, byte), Destination::w);
            },
            blocks_);
    }

public:
    void readNext(PlayerWriter& w, bool labelled) const override {
        const PlayerFamily& r = w.rows;
        if (!labelled) {
            w.code.jump(r.call, "i2cbits");
            w.code.jump(r.call, "i2cack");
        } else {
            w.code.label(kMemoryByteLabel);
            if (w.settings.loop) jumpIfLastRead(w, kLastByteLabel);
            if (blocks_) jumpIfBlockEnds(w);
            clockInBit(w, true);
            // The acknowledge: SDA low for one more clock, the low time
            // since the eighth bit's fall counted from it.
            w.code.bitOp(r.bcf, tris_, "SDA", pins_.sda.bit, "acknowledge: the next byte");
            w.pad(low_ > 2 ? low_ - 2 : 0);
            w.code.bitOp(r.bsf, tris_, "SCL", pins_.scl.bit);
            // Two cycles at least: gpsim's 24LC256 misses a clock one cycle long.
            w.pad(high_ > 2 ? high_ - 1 : 1);
            w.code.bitOp(r.bcf, tris_, "SCL", pins_.scl.bit);
            w.code.bitOp(r.bsf, tris_, "SDA", pins_.sda.bit, "the memory's to drive");
            w.selectBank(0);
        }
        w.code.byteOp(r.movf, shiftOf(w), Destination::w);
        w.code.fileOp(r.movwf, w.var(PlayerVar::current));
        w.setBitsLeft(8);
    }

    // Every sample within a byte clocks in one bit of the next.
    void balance(PlayerWriter& w) const override { clockInBit(w, false); }

    bool restartsInStep() const override { return true; }

    bool lastBitsFound() const override { return blocks_; }
    bool countsInThreeBytes() const override { return true; }

    void routines(PlayerWriter& w) const override {
        if (blocks_) blockByte(w);
        if (w.settings.loop) lastByte(w);
        w.code.comment("The bus, not timed: each pause at least the memory's minimum.");
        w.selectBank(0);  // every caller is in bank 0
        startRoutine(w);
        stopRoutine(w);
        sendRoutine(w);
        receiveRoutine(w);
        for (const bool ack : {true, false}) acknowledgeRoutine(w, ack);
    }

private:
    static constexpr std::string_view kBlockLabel = "nextblock";

    // At a byte boundary, bank 0: to kBlockLabel when the next read is the
    // last of a sound's part in the first block (a part in the second
    // waits), every way as long. Two bytes of the count tell: its top
    // byte is 0xFF throughout a part (see countReads).
    static void jumpIfBlockEnds(PlayerWriter& w) {
        const PlayerFamily& r = w.rows;
        w.code.byteOp(r.incf, w.var(PlayerVar::countLow), Destination::w);
        w.code.bitOp(r.btfsc, r.status, "Z", kZeroBit);
        w.code.byteOp(r.incf, w.var(PlayerVar::countHigh), Destination::w, "Z: the part's last read");
        w.code.literalOp(r.movlw, 0);
        w.code.bitOp(r.btfsc, r.status, "Z", kZeroBit);
        w.code.byteOp(r.movf, kBlockLastBits, Destination::w, "and a part in the second block waits");
        w.code.literalOp(r.andlw, 0xFF);
        w.jumpIfNotZero(kBlockLabel, "a new read at the second block over it");
    }

    // A loop's last byte, or the last of a sound's part in the first block:
    // its eighth bit and no acknowledge (the last the memory sends), then
    // over its `last` samples a stop, a new address (the loop's from the
    // entry; the second block's 0), a read and its first byte, each edge
    // held its minimum; `goOn` then sets the count, and the path waits in
    // `waitName` for the next sample.
    void spreadNewRead(PlayerWriter& w, std::string_view label, std::uint32_t last, bool secondBlock,
                       const std::function<void()>& goOn, const std::string& waitName) const {
        const PlayerFamily& r = w.rows;
        const auto block = static_cast<std::uint8_t>(secondBlock ? 1u << memory_.blockSelectBit : 0u);
        w.code.label(label);
        clockInBit(w, true);
        InlineBus bus{*this, w, w.code.size(), false};
        bus.clock(false);  // SDA left released: no acknowledge
        w.selectBank(0);
        w.code.byteOp(r.movf, shiftOf(w), Destination::w);
        w.code.fileOp(r.movwf, w.var(PlayerVar::current));
        std::vector<BusStep> steps;
        const auto add = [&](std::function<void()> write, double weight) { steps.push_back({std::move(write), weight}); };
        const auto sendConstant = [&](std::uint8_t byte) {
            for (int bit = 7; bit >= 0; --bit) add([&bus, byte, bit] { bus.sendConstantBit((byte >> bit & 1) != 0); }, 1);
            add([&bus] { bus.acknowledgeClock(); }, 1);
        };
        const auto sendRegister = [&](PicRegister reg) {
            add([&bus, reg] { bus.loadShift(reg); }, 0.3);
            for (int bit = 0; bit < 8; ++bit) add([&bus] { bus.sendShiftBit(); }, 1.5);
            add([&bus] { bus.acknowledgeAfterShift(); }, 1);
        };
        add([&bus] { bus.stop(); }, 2);
        add([&bus] { bus.start(); }, 1);
        sendConstant(static_cast<std::uint8_t>((memory_.readCommand & 0xFE) | block));
        if (secondBlock) {
            sendConstant(0);
            sendConstant(0);
        } else {
            sendRegister(entryOf(w, 1));
            sendRegister(entryOf(w, 2));
        }
        add([&bus] { bus.stop(); }, 2);
        add([&bus] { bus.start(); }, 1);
        sendConstant(static_cast<std::uint8_t>(memory_.readCommand | block));
        for (int bit = 0; bit < 8; ++bit) add([&bus] { bus.receive(); }, 1);
        add(
            [&] {
                bus.setSda(true);
                bus.clock(true);
                bus.setSda(false);
                w.pad(padFor(memory_.i2c.clockLowNs, clockHz_, 2));  // the low time before the next rise
                goOn();
                w.selectBank(0);
                w.code.byteOp(r.movf, shiftOf(w), Destination::w);
                w.code.fileOp(r.movwf, w.var(PlayerVar::current));
                w.setBitsLeft(8);
            },
            1);
        spreadOverLastByte(w, steps, last, [&] {
            bus.fell = w.code.size();  // the sample before: at least as long as these count
            w.selectBank(tris_.address);
        });
        w.wait(waitName);
        w.goTo(kSampleLabel);
    }

    void lastByte(PlayerWriter& w) const {
        w.code.comment("The sound's last byte, a new read at its first over its samples.");
        spreadNewRead(w, kLastByteLabel, w.settings.lastReadSamples == 0 ? 8 : w.settings.lastReadSamples, false,
                      [&] { reloadCount(w); }, "waitagain");
    }

    // The first block's last byte of a sound that goes on in the second:
    // over its samples, a read from the second block's start; the count of
    // the rest (its top byte still 0xFF) and its last byte's samples.
    void blockByte(PlayerWriter& w) const {
        const PlayerFamily& r = w.rows;
        w.code.comment("The first block's last byte, a read from the second block's start over its samples.");
        spreadNewRead(w, kBlockLabel, 8, true,
                      [&] {
                          w.selectBank(0);
                          w.code.byteOp(r.movf, kBlockCountLow, Destination::w);
                          w.code.fileOp(r.movwf, w.var(PlayerVar::countLow));
                          w.code.byteOp(r.movf, kBlockCountHigh, Destination::w);
                          w.code.fileOp(r.movwf, w.var(PlayerVar::countHigh));
                          w.code.byteOp(r.movf, kBlockLastBits, Destination::w);
                          w.code.fileOp(r.movwf, w.var(PlayerVar::lastBits));
                          w.code.fileOp(r.clrf, kBlockLastBits, "no part after this one");
                      },
                      "waitblock");
    }

    // The bus written straight on, each low time counted from SCL's last
    // fall (`fell`, an instruction index: every instruction between is one
    // cycle). In the TRIS's bank between its steps.
    struct InlineBus {
        const I2cStreamRead& bus;
        PlayerWriter& w;
        std::uint32_t fell;
        bool sdaLow;

        std::uint32_t since() const { return w.code.size() - fell; }
        // SCL up and down, the low time before it and the data set-up kept.
        void clock(bool dataJustSet) {
            const I2cTiming& t = bus.memory_.i2c;
            w.pad(std::max(padFor(t.clockLowNs, bus.clockHz_, since()),
                           dataJustSet ? padFor(t.dataSetupNs, bus.clockHz_, 0) : 0));
            bus.releaseLine(w, bus.pins_.scl, "SCL");
            w.pad(std::max<std::uint32_t>(1, padFor(t.clockHighNs, bus.clockHz_, 0)));  // see readNext
            bus.pullLine(w, bus.pins_.scl, "SCL");
            fell = w.code.size();
        }
        void setSda(bool low) {
            if (low == sdaLow) return;
            if (low) {
                bus.pullLine(w, bus.pins_.sda, "SDA");
            } else {
                bus.releaseLine(w, bus.pins_.sda, "SDA");
            }
            sdaLow = low;
        }
        // From SCL low: SDA low, SCL up, SDA up, the bus's free time.
        void stop() {
            const I2cTiming& t = bus.memory_.i2c;
            setSda(true);
            w.pad(std::max(padFor(t.clockLowNs, bus.clockHz_, since()), padFor(t.dataSetupNs, bus.clockHz_, 0)));
            bus.releaseLine(w, bus.pins_.scl, "SCL");
            w.pad(padFor(t.stopSetupNs, bus.clockHz_, 0));
            setSda(false);
            w.pad(padFor(t.busFreeNs, bus.clockHz_, 0));
        }
        // After a stop, SCL high (longer than the start's set-up, the
        // stop's set-up and free time): SDA down, then SCL.
        void start() {
            const I2cTiming& t = bus.memory_.i2c;
            setSda(true);
            w.pad(padFor(t.startHoldNs, bus.clockHz_, 0));
            bus.pullLine(w, bus.pins_.scl, "SCL");
            fell = w.code.size();
        }
        // The memory's acknowledge: SDA released for a clock.
        void acknowledgeClock() {
            setSda(false);
            clock(true);
        }
        void sendConstant(std::uint8_t byte) {
            for (int bit = 7; bit >= 0; --bit) sendConstantBit((byte >> bit & 1) != 0);
            acknowledgeClock();
        }
        void sendConstantBit(bool high) {
            setSda(!high);
            clock(true);
        }
        void loadShift(PicRegister reg) {
            w.selectBank(0);
            w.code.byteOp(w.rows.movf, reg, Destination::w);
            w.code.fileOp(w.rows.movwf, shiftOf(w));
            w.selectBank(bus.tris_.address);
        }
        // The top bit of the byte coming in, through the carry.
        void sendShiftBit() {
            const PlayerFamily& r = w.rows;
            w.selectBank(0);
            w.code.byteOp(r.rotateLeft, shiftOf(w), Destination::f);
            w.selectBank(bus.tris_.address);
            bus.releaseLine(w, bus.pins_.sda, "SDA");
            w.code.bitOp(r.btfss, r.status, "C", kCarryBit);
            bus.pullLine(w, bus.pins_.sda, "SDA");
            clock(true);
        }
        void acknowledgeAfterShift() {
            sdaLow = true;  // either: the acknowledge releases it
            acknowledgeClock();
        }
        // A register's bits through the carry, as i2csend sends them.
        // A bit into membyte's bit 0 while SCL is high, SDA released.
        void receive() {
            const PlayerFamily& r = w.rows;
            const I2cTiming& t = bus.memory_.i2c;
            w.selectBank(0);
            w.code.bitOp(r.bcf, r.status, "C", kCarryBit);
            w.code.byteOp(r.rotateLeft, shiftOf(w), Destination::f);
            w.selectBank(bus.tris_.address);
            w.pad(padFor(t.clockLowNs, bus.clockHz_, since()));
            bus.releaseLine(w, bus.pins_.scl, "SCL");
            const std::uint32_t rose = w.code.size();
            w.selectBank(bus.port_.address);
            w.code.bitOp(r.btfsc, bus.port_, "SDA", bus.pins_.sda.bit);
            w.code.bitOp(r.bsf, shiftOf(w), "0", 0);
            w.selectBank(bus.tris_.address);
            const std::uint32_t between = w.code.size() - rose;
            w.pad(padFor(t.clockHighNs, bus.clockHz_, between));
            bus.pullLine(w, bus.pins_.scl, "SCL");
            fell = w.code.size();
        }
    };

    // One bit into membyte's bit 0, SCL high for at least its minimum; the
    // low time before it is a whole sample. Starts in bank 0; ends there,
    // or in the TRIS's bank with `stayAtTris`.
    void clockInBit(PlayerWriter& w, bool stayAtTris) const {
        const PlayerFamily& r = w.rows;
        w.code.bitOp(r.bcf, r.status, "C", kCarryBit);
        w.code.byteOp(r.rotateLeft, shiftOf(w), Destination::f, "room for the next bit");
        w.selectBank(tris_.address);
        w.code.bitOp(r.bsf, tris_, "SCL", pins_.scl.bit, "clock a bit in");
        w.selectBank(port_.address);
        w.code.bitOp(r.btfsc, port_, "SDA", pins_.sda.bit);
        w.code.bitOp(r.bsf, shiftOf(w), "0", 0);
        // From the rise: itself, the bank select, the test (2), the bank select back.
        w.pad(high_ > 5 ? high_ - 5 : 0);
        w.selectBank(tris_.address);
        w.code.bitOp(r.bcf, tris_, "SCL", pins_.scl.bit);
        if (!stayAtTris) w.selectBank(0);
    }

    void releaseLine(PlayerWriter& w, const MemoryPin& pin, std::string_view name) const {
        w.code.bitOp(w.rows.bsf, tris_, name, pin.bit);
    }
    void pullLine(PlayerWriter& w, const MemoryPin& pin, std::string_view name) const {
        w.code.bitOp(w.rows.bcf, tris_, name, pin.bit);
    }
    void pause(PlayerWriter& w, std::uint32_t nanoseconds) const { w.pad(cyclesAtLeast(nanoseconds, clockHz_)); }

    void returnFromRoutine(PlayerWriter& w) const {
        w.selectBank(0);
        w.code.literalOp(w.rows.retlw, 0);
    }

    // From SCL low or an idle bus: a start condition, SCL left low.
    void startRoutine(PlayerWriter& w) const {
        const I2cTiming& t = memory_.i2c;
        w.code.label("i2cstart");
        w.selectBank(tris_.address);
        releaseLine(w, pins_.sda, "SDA");
        pause(w, t.clockLowNs);
        releaseLine(w, pins_.scl, "SCL");
        pause(w, t.startSetupNs);
        pullLine(w, pins_.sda, "SDA");
        pause(w, t.startHoldNs);
        pullLine(w, pins_.scl, "SCL");
        returnFromRoutine(w);
    }

    // From SCL low: a stop condition, then the bus's free time.
    void stopRoutine(PlayerWriter& w) const {
        const I2cTiming& t = memory_.i2c;
        w.code.label("i2cstop");
        w.selectBank(tris_.address);
        pullLine(w, pins_.sda, "SDA");
        pause(w, t.clockLowNs);
        releaseLine(w, pins_.scl, "SCL");
        pause(w, t.stopSetupNs);
        releaseLine(w, pins_.sda, "SDA");
        pause(w, t.busFreeNs);
        returnFromRoutine(w);
    }

    // W's eight bits, first the top, then a clock for the memory's
    // acknowledge (not looked at).
    void sendRoutine(PlayerWriter& w) const {
        const PlayerFamily& r = w.rows;
        const I2cTiming& t = memory_.i2c;
        w.code.label("i2csend");
        w.code.fileOp(r.movwf, shiftOf(w));
        w.code.literalOp(r.movlw, 8);
        w.code.fileOp(r.movwf, bitCountOf(w));
        w.code.label("i2csendbit");
        w.code.byteOp(r.rotateLeft, shiftOf(w), Destination::f, "the top bit to the carry");
        w.selectBank(tris_.address);
        releaseLine(w, pins_.sda, "SDA");
        w.code.bitOp(r.btfss, r.status, "C", kCarryBit);
        pullLine(w, pins_.sda, "SDA");
        pause(w, t.dataSetupNs);
        releaseLine(w, pins_.scl, "SCL");
        pause(w, t.clockHighNs);
        pullLine(w, pins_.scl, "SCL");
        pause(w, t.clockLowNs);
        w.selectBank(0);
        w.code.byteOp(r.decfsz, bitCountOf(w), Destination::f);
        w.goTo("i2csendbit");
        w.selectBank(tris_.address);
        releaseLine(w, pins_.sda, "SDA");
        clockOnce(w);
        returnFromRoutine(w);
    }

    // Eight bits into shiftOf(w), SDA released throughout.
    void receiveRoutine(PlayerWriter& w) const {
        const PlayerFamily& r = w.rows;
        w.code.label("i2cbits");
        w.code.literalOp(r.movlw, 8);
        w.code.fileOp(r.movwf, bitCountOf(w));
        w.code.label("i2cbit");
        w.code.bitOp(r.bcf, r.status, "C", kCarryBit);
        w.code.byteOp(r.rotateLeft, shiftOf(w), Destination::f);
        w.selectBank(tris_.address);
        releaseLine(w, pins_.scl, "SCL");
        pause(w, memory_.i2c.clockHighNs);
        w.selectBank(port_.address);
        w.code.bitOp(r.btfsc, port_, "SDA", pins_.sda.bit);
        w.code.bitOp(r.bsf, shiftOf(w), "0", 0);
        w.selectBank(tris_.address);
        pullLine(w, pins_.scl, "SCL");
        pause(w, memory_.i2c.clockLowNs);
        w.selectBank(0);
        w.code.byteOp(r.decfsz, bitCountOf(w), Destination::f);
        w.goTo("i2cbit");
        returnFromRoutine(w);
    }

    // The master's answer to a byte read: SDA low for more, released for the last.
    void acknowledgeRoutine(PlayerWriter& w, bool ack) const {
        w.code.label(ack ? "i2cack" : "i2cnack");
        w.selectBank(tris_.address);
        if (ack) pullLine(w, pins_.sda, "SDA");
        pause(w, memory_.i2c.clockLowNs);
        clockOnce(w);
        releaseLine(w, pins_.sda, "SDA");
        returnFromRoutine(w);
    }

    // In the TRIS's bank, SCL low: one clock pulse and the low time after it.
    void clockOnce(PlayerWriter& w) const {
        pause(w, memory_.i2c.dataSetupNs);
        releaseLine(w, pins_.scl, "SCL");
        pause(w, memory_.i2c.clockHighNs);
        pullLine(w, pins_.scl, "SCL");
        pause(w, memory_.i2c.clockLowNs);
    }

    // A start, the control byte and a two-byte address (loaded into W by
    // `addressByte` for parts 0 and 1), a stop, a start and the read's
    // control byte: gpsim's 24LC256 and the real parts take a sequential
    // read after a stop.
    // With `blockFromEntry`, the control bytes name the block of the
    // entry's address (its bit 16).
    template <typename AddressByte>
    void addressMemory(PlayerWriter& w, AddressByte addressByte, bool blockFromEntry = false) const {
        const PlayerFamily& r = w.rows;
        const auto block = static_cast<std::uint8_t>(1u << memory_.blockSelectBit);
        const auto control = [&](std::uint8_t command, std::string_view note) {
            w.code.literalOp(r.movlw, command, note);
            if (!blockFromEntry) return;
            w.selectBank(0);
            w.code.bitOp(r.btfsc, entryOf(w, 0), "0", 0);
            w.code.literalOp(r.movlw, static_cast<std::uint8_t>(command | block), "the second block");
        };
        w.code.jump(r.call, "i2cstart");
        control(static_cast<std::uint8_t>(memory_.readCommand & 0xFE), "write the address");
        w.code.jump(r.call, "i2csend");
        for (int part = 0; part < 2; ++part) {
            addressByte(part);
            w.code.jump(r.call, "i2csend");
        }
        w.code.jump(r.call, "i2cstop");
        w.code.jump(r.call, "i2cstart");
        control(memory_.readCommand, "read from there on");
        w.code.jump(r.call, "i2csend");
    }

    static void loadAddressPart(PlayerWriter& w, std::uint32_t address, int part) {
        const std::uint32_t value = part == 0 ? address >> 8 & 0xFF : address & 0xFF;
        w.code.literalOp(w.rows.movlw, static_cast<std::uint8_t>(value));
    }

    const SerialMemory& memory_;
    const ChipMemoryPins& pins_;
    PicRegister tris_;
    PicRegister port_;
    std::uint32_t high_;
    std::uint32_t low_;
    std::uint32_t clockHz_;
    bool routine_;
    bool blocks_;
};

// SPI mode 0 on CS, SCK, SI (into the memory) and SO (out of it), driven
// through the port: the memory shifts a bit out at each fall of SCK, read
// before the next rise. CS stays low from the read command to the end; the
// sound's port writes leave CS, SCK and SI low where they share its port.
class SpiStreamRead : public PlayerTableRead {
public:
    explicit SpiStreamRead(const PlayerSettings& s)
        : memory_(*s.memory),
          pins_(s.chip->memoryPins),
          high_(cyclesAtLeast(memory_.spi.clockHighNs, s.clockHz)),
          clockHz_(s.clockHz),
          routine_(s.form == PlayerForm::routine) {}

    void defineSymbols(PlayerWriter& w) const override {
        for (const MemoryPin* pin : {&pins_.cs, &pins_.sck, &pins_.si, &pins_.so}) {
            w.define(portOf(*pin));
            w.define({pin->trisName, pin->trisAddress});
        }
        w.defineBit("CS", pins_.cs.bit);
        w.defineBit("SCK", pins_.sck.bit);
        w.defineBit("SI", pins_.si.bit);
        w.defineBit("SO", pins_.so.bit);
        defineMemoryVariables(w, pins_);
    }

    void setUp(PlayerWriter& w) const override {
        setUpMemoryPins(w, pins_, {&pins_.cs, &pins_.sck, &pins_.si, &pins_.so});
        const PicRegister port = portOf(pins_.sck);
        if (port.address != w.settings.chip->portAddress) {
            clearLines(w, port, {&pins_.cs, &pins_.sck, &pins_.si}, "CS, SCK and SI low when they drive");
        }
        for (const MemoryPin* pin : {&pins_.cs, &pins_.sck, &pins_.si}) {
            w.selectBank(pin->trisAddress);
            w.code.bitOp(w.rows.bcf, {pin->trisName, pin->trisAddress}, roleName(*pin), pin->bit);
        }
        w.selectBank(pins_.so.trisAddress);
        w.code.bitOp(w.rows.bsf, {pins_.so.trisName, pins_.so.trisAddress}, "SO", pins_.so.bit, "the memory drives SO");
        w.selectBank(0);
    }

    std::uint8_t linesOnPort(std::uint16_t portAddress) const override {
        return bitsOnPort(portAddress, {&pins_.cs, &pins_.sck, &pins_.si});
    }

    // The routine's writes of the port held CS low: the memory let go.
    void leave(PlayerWriter& w) const override { setPin(w, pins_.cs, true); }

    bool pointsAtNumber() const override { return routine_; }
    void pointAtNumber(PlayerWriter& w) const override {
        entryAddressOfSound(w);
        readEntry(w, "n", [&](int part) {
            if (part == 0) {
                w.code.literalOp(w.rows.movlw, 0);
            } else {
                w.code.byteOp(w.rows.movf, entryOf(w, static_cast<std::size_t>(part)), Destination::w);
            }
        });
    }

    void pointAt(PlayerWriter& w, PlayerSound sound) const override {
        const std::uint32_t number = w.settings.bank.empty() ? 0 : sound.firstWord;
        const std::uint32_t entry = 1 + kImageEntryBytes * number;
        w.code.comment("The sound's entry in the memory's index: its address and samples.");
        readEntry(w, std::to_string(number), [&](int part) {
            w.code.literalOp(w.rows.movlw, static_cast<std::uint8_t>(entry >> (16 - 8 * part) & 0xFF));
        });
    }

private:
    // The entry at the three-byte address `entryAddress` loads into W (part
    // 0 the high byte), the read reduced to its bytes, then the read
    // command at the sound's first byte.
    template <typename EntryAddress>
    void readEntry(PlayerWriter& w, const std::string& number, EntryAddress entryAddress) const {
        const PlayerFamily& r = w.rows;
        w.selectBank(0);
        command(w, entryAddress);
        for (std::size_t k = 0; k < kImageEntryBytes; ++k) {
            const PicRegister reg = entryOf(w, k);
            w.code.jump(r.call, "spibits");
            w.code.byteOp(r.movf, shiftOf(w), Destination::w);
            w.code.fileOp(r.movwf, reg);
        }
        countReads(w, number);
        w.code.comment("One sequential read from the sound's first byte.");
        command(w, [&](int part) { w.code.byteOp(r.movf, entryOf(w, static_cast<std::size_t>(part)), Destination::w); });
    }

public:

    void readNext(PlayerWriter& w, bool labelled) const override {
        const PlayerFamily& r = w.rows;
        if (labelled) {
            w.code.label(kMemoryByteLabel);
            if (w.settings.loop) jumpIfLastRead(w, kLastByteLabel);
            clockInBit(w);
        } else {
            w.code.jump(r.call, "spibits");
        }
        w.code.byteOp(r.movf, shiftOf(w), Destination::w);
        w.code.fileOp(r.movwf, w.var(PlayerVar::current));
        w.setBitsLeft(8);
    }

    void balance(PlayerWriter& w) const override { clockInBit(w); }

    bool restartsInStep() const override { return true; }
    bool countsInThreeBytes() const override { return true; }

    // A loop's last byte: its eighth bit, then over its samples CS up and
    // down, READ and the sound's address again, its first byte.
    void lastByte(PlayerWriter& w) const {
        const PlayerFamily& r = w.rows;
        const SpiTiming& t = memory_.spi;
        const std::uint32_t last = w.settings.lastReadSamples == 0 ? 8 : w.settings.lastReadSamples;
        w.code.comment("The sound's last byte, a new read at its first over its samples.");
        w.code.label(kLastByteLabel);
        clockInBit(w);
        w.code.byteOp(r.movf, shiftOf(w), Destination::w);
        w.code.fileOp(r.movwf, w.var(PlayerVar::current));
        const PicRegister si = outputOf(pins_.si);
        std::vector<BusStep> steps;
        // An edge's own instruction counts towards the time it must hold.
        steps.push_back({[&] {
                             setPin(w, pins_.cs, true);
                             w.pad(padFor(t.selectHoldNs, clockHz_, 0));
                             setPin(w, pins_.cs, false);
                             w.pad(padFor(t.selectSetupNs, clockHz_, 0));
                         },
                         1});
        for (int bit = 7; bit >= 0; --bit) {
            const bool high = (memory_.readCommand >> bit & 1) != 0;
            steps.push_back({[&, high] {
                                 setPin(w, pins_.si, high);
                                 w.pad(padFor(t.dataSetupNs, clockHz_, 0));
                                 pulse(w, high_);
                             },
                             1});
        }
        for (std::size_t part = 0; part < 3; ++part) {
            for (int bit = 7; bit >= 0; --bit) {
                steps.push_back({[&, part, bit] {
                                     w.selectBank(si.address);
                                     w.code.bitOp(r.bcf, si, "SI", pins_.si.bit);
                                     w.code.bitOp(r.btfsc, entryOf(w, part), std::to_string(bit), static_cast<unsigned>(bit));
                                     w.code.bitOp(r.bsf, si, "SI", pins_.si.bit);
                                     w.selectBank(0);
                                     w.pad(padFor(t.dataSetupNs, clockHz_, 0));
                                     pulse(w, high_);
                                 },
                                 1.4});
            }
        }
        for (int bit = 0; bit < 8; ++bit) {
            steps.push_back({[&] {
                                 readBit(w);
                                 pulse(w, high_);
                             },
                             1.4});
        }
        steps.push_back({[&] {
                             reloadCount(w);
                             w.code.byteOp(r.movf, shiftOf(w), Destination::w);
                             w.code.fileOp(r.movwf, w.var(PlayerVar::current));
                             w.setBitsLeft(8);
                         },
                         1});
        // SCK's low time: each share starts after a sample at least as long.
        spreadOverLastByte(w, steps, last, [&] { w.pad(padFor(t.clockLowNs, clockHz_, 0)); });
        w.wait("waitagain");
        w.goTo(kSampleLabel);
    }

    void routines(PlayerWriter& w) const override {
        const PlayerFamily& r = w.rows;
        const SpiTiming& t = memory_.spi;
        if (w.settings.loop) lastByte(w);
        w.code.comment("The bus, not timed: each pause at least the memory's minimum.");
        w.selectBank(0);
        // CS high, then low again: the memory takes a new instruction.
        w.code.label("spiselect");
        setPin(w, pins_.cs, true);
        pause(w, t.selectHoldNs);
        setPin(w, pins_.cs, false);
        pause(w, t.selectSetupNs);
        w.code.literalOp(r.retlw, 0);
        // W's eight bits on SI, the top first.
        w.code.label("spisend");
        w.code.fileOp(r.movwf, shiftOf(w));
        w.code.literalOp(r.movlw, 8);
        w.code.fileOp(r.movwf, bitCountOf(w));
        w.code.label("spisendbit");
        w.code.byteOp(r.rotateLeft, shiftOf(w), Destination::f, "the top bit to the carry");
        const PicRegister si = outputOf(pins_.si);
        w.selectBank(si.address);  // the skip below skips one instruction
        w.code.bitOp(r.bcf, si, "SI", pins_.si.bit);
        w.code.bitOp(r.btfsc, r.status, "C", kCarryBit);
        w.code.bitOp(r.bsf, si, "SI", pins_.si.bit);
        w.selectBank(0);
        pause(w, t.dataSetupNs);
        clockOnce(w);
        w.code.byteOp(r.decfsz, bitCountOf(w), Destination::f);
        w.goTo("spisendbit");
        w.code.literalOp(r.retlw, 0);
        // Eight bits from SO into membyte.
        w.code.label("spibits");
        w.code.literalOp(r.movlw, 8);
        w.code.fileOp(r.movwf, bitCountOf(w));
        w.code.label("spibit");
        readBit(w);
        clockOnce(w);
        w.code.byteOp(r.decfsz, bitCountOf(w), Destination::f);
        w.goTo("spibit");
        w.code.literalOp(r.retlw, 0);
    }

private:
    static PicRegister portOf(const MemoryPin& pin) { return {pin.portName, pin.portAddress}; }

    // The port rather than a latch: gpsim 0.31 keeps an enhanced chip's
    // latch apart from the port writes the sound makes, and a bit set in
    // the latch would bring back a pin A the sound has changed since.
    static PicRegister outputOf(const MemoryPin& pin) { return portOf(pin); }

    std::string_view roleName(const MemoryPin& pin) const {
        if (&pin == &pins_.cs) return "CS";
        if (&pin == &pins_.sck) return "SCK";
        if (&pin == &pins_.si) return "SI";
        return "SO";
    }

    // Starts and ends in bank 0.
    void setPin(PlayerWriter& w, const MemoryPin& pin, bool high) const {
        const PicRegister out = outputOf(pin);
        w.selectBank(out.address);
        w.code.bitOp(high ? w.rows.bsf : w.rows.bcf, out, roleName(pin), pin.bit);
        w.selectBank(0);
    }

    void pause(PlayerWriter& w, std::uint32_t nanoseconds) const { w.pad(cyclesAtLeast(nanoseconds, clockHz_)); }

    void readBit(PlayerWriter& w) const {
        const PlayerFamily& r = w.rows;
        w.code.bitOp(r.bcf, r.status, "C", kCarryBit);
        w.code.byteOp(r.rotateLeft, shiftOf(w), Destination::f, "room for the next bit");
        w.code.bitOp(r.btfsc, portOf(pins_.so), "SO", pins_.so.bit);
        w.code.bitOp(r.bsf, shiftOf(w), "0", 0);
    }

    // SCK high for `high` cycles from its rise, then low; bank 0 around it.
    void pulse(PlayerWriter& w, std::uint32_t high) const {
        const PicRegister out = outputOf(pins_.sck);
        w.selectBank(out.address);
        w.code.bitOp(w.rows.bsf, out, "SCK", pins_.sck.bit);
        w.pad(high > 1 ? high - 1 : 0);
        w.code.bitOp(w.rows.bcf, out, "SCK", pins_.sck.bit);
        w.selectBank(0);
    }

    void clockOnce(PlayerWriter& w) const {
        pulse(w, high_);
        pause(w, memory_.spi.clockLowNs);
    }

    // One bit, then a clock pulse whose fall brings the next out; SCK's
    // low time is the rest of the sample.
    void clockInBit(PlayerWriter& w) const {
        readBit(w);
        pulse(w, high_);
    }

    // CS high and low, READ and a three-byte address (parts 0 to 2, high
    // first, loaded into W by `addressByte`).
    template <typename AddressByte>
    void command(PlayerWriter& w, AddressByte addressByte) const {
        const PlayerFamily& r = w.rows;
        w.code.jump(r.call, "spiselect");
        w.code.literalOp(r.movlw, memory_.readCommand, "read from the address on");
        w.code.jump(r.call, "spisend");
        for (int part = 0; part < 3; ++part) {
            addressByte(part);
            w.code.jump(r.call, "spisend");
        }
    }

    const SerialMemory& memory_;
    const ChipMemoryPins& pins_;
    std::uint32_t high_;
    std::uint32_t clockHz_;
    bool routine_;
};

}  // namespace

bool serialMemoryPlayable(const PlayerSettings& s) {
    if (s.memory == nullptr) return false;
    // A memory whose reads stop at its 64 KiB blocks: a program that plays
    // once (its part in the second block has registers of its own).
    const bool blocks = s.memory->blockBytes < s.memory->sizeBytes;
    if (s.loop && s.tableReads < 2) return false;  // the new read goes over a last byte after the first
    if (blocks && (s.loop || s.form == PlayerForm::routine || s.memory->blockBytes != 64 * 1024)) return false;
    const bool bus = s.memory->bus == MemoryBus::i2c ? s.memory->sizeBytes <= 128 * 1024
                                                     : s.memory->addressBytes == 3;
    return bus && s.clockHz != 0 && s.bank.size() <= kMaxImageSounds;
}

std::unique_ptr<const PlayerTableRead> serialMemoryRead(const PlayerSettings& settings) {
    if (!serialMemoryPlayable(settings)) throw std::invalid_argument("no serial memory player for these settings");
    if (settings.memory->bus == MemoryBus::spi) return std::make_unique<SpiStreamRead>(settings);
    return std::make_unique<I2cStreamRead>(settings);
}

std::uint32_t serialMemoryMinCycles(const PlayerSettings& settings) {
    PlayerSettings probe = settings;
    probe.tableReads = settings.loop ? 2 : 1;
    const PlayerRamp ramp = playerRamp(settings.clockHz, settings.twoPins, false);
    PlayerWriter draft(probe, ramp, nullptr);
    const PicAssembly code = draft.build();
    // A sample within a byte holds SCL low for the rest of it.
    const bool i2c = settings.memory->bus == MemoryBus::i2c;
    const std::uint32_t low =
        cyclesAtLeast(i2c ? settings.memory->i2c.clockLowNs : settings.memory->spi.clockLowNs, settings.clockHz);
    const std::uint32_t high =
        cyclesAtLeast(i2c ? settings.memory->i2c.clockHighNs : settings.memory->spi.clockHighNs, settings.clockHz);
    return std::max(draft.longestWaitPath(draft.measure(code)), low + std::max<std::uint32_t>(high, 5));
}

}  // namespace ryx
