#include "firmware/MemoryReadSteps.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace ryx::memory_read {
namespace {

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
          entryBlock_(memory_.blockBytes < memory_.sizeBytes),
          splits_(entryBlock_ && !s.loop && !routine_) {}

    void defineSymbols(PlayerWriter& w) const override {
        w.define(tris_);
        w.define(port_);
        w.defineBit("SCL", pins_.scl.bit);
        w.defineBit("SDA", pins_.sda.bit);
        defineMemoryVariables(w, pins_);
        if (!splits_) return;
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
        countReads(w, number, splits_);
        w.code.comment("One sequential read from the sound's first byte.");
        addressMemory(
            w,
            [&](int part) {
                const std::size_t byte = part == 0 ? 1 : 2;  // the entry's address, middle then low byte
                w.code.byteOp(r.movf, entryOf(w, byte), Destination::w);
            },
            entryBlock_);
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
            if (splits_) jumpIfBlockEnds(w);
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

    bool lastBitsFound() const override { return splits_; }
    bool countsInThreeBytes() const override { return true; }

    void routines(PlayerWriter& w) const override {
        if (splits_) blockByte(w);
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
    // `waitName` for the next sample. The loop's control bytes name the
    // entry's block where the memory has blocks.
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
        // entryBit: the byte's bit that is the entry's block, or -1.
        const auto sendConstant = [&](std::uint8_t byte, int entryBit) {
            for (int bit = 7; bit >= 0; --bit) {
                if (bit == entryBit) {
                    add([&bus] { bus.sendEntryBlockBit(); }, 1.5);
                } else {
                    add([&bus, byte, bit] { bus.sendConstantBit((byte >> bit & 1) != 0); }, 1);
                }
            }
            add([&bus] { bus.acknowledgeClock(); }, 1);
        };
        const int entryBit = entryBlock_ && !secondBlock ? memory_.blockSelectBit : -1;
        const auto sendRegister = [&](PicRegister reg) {
            add([&bus, reg] { bus.loadShift(reg); }, 0.3);
            for (int bit = 0; bit < 8; ++bit) add([&bus] { bus.sendShiftBit(); }, 1.5);
            add([&bus] { bus.acknowledgeAfterShift(); }, 1);
        };
        add([&bus] { bus.stop(); }, 2);
        add([&bus] { bus.start(); }, 1);
        sendConstant(static_cast<std::uint8_t>((memory_.readCommand & 0xFE) | block), entryBit);
        if (secondBlock) {
            sendConstant(0, -1);
            sendConstant(0, -1);
        } else {
            sendRegister(entryOf(w, 1));
            sendRegister(entryOf(w, 2));
        }
        add([&bus] { bus.stop(); }, 2);
        add([&bus] { bus.start(); }, 1);
        sendConstant(static_cast<std::uint8_t>(memory_.readCommand | block), entryBit);
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
        bool sdaKnown = true;  // false after a bit the program chose as it ran

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
            if (sdaKnown && low == sdaLow) return;
            sdaKnown = true;
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
        // The entry address's bit 16, the sound's block, through the carry.
        void sendEntryBlockBit() {
            const PlayerFamily& r = w.rows;
            w.selectBank(0);
            w.code.byteOp(r.rotateRight, entryOf(w, 0), Destination::w, "the sound's block to the carry");
            w.selectBank(bus.tris_.address);
            bus.releaseLine(w, bus.pins_.sda, "SDA");
            w.code.bitOp(r.btfss, r.status, "C", kCarryBit);
            bus.pullLine(w, bus.pins_.sda, "SDA");
            sdaKnown = false;
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
    // The control bytes of the sound's read name its entry's block; a
    // single play's sound may run on into the second block (a loop's and a
    // routine's lie within one, see ImagePlacement).
    bool entryBlock_;
    bool splits_;
};

}  // namespace

std::unique_ptr<const PlayerTableRead> i2cStreamRead(const PlayerSettings& settings) {
    return std::make_unique<I2cStreamRead>(settings);
}

}  // namespace ryx::memory_read
