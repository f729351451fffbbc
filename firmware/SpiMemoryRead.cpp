#include "firmware/MemoryReadSteps.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace ryx::memory_read {
namespace {

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

std::unique_ptr<const PlayerTableRead> spiStreamRead(const PlayerSettings& settings) {
    return std::make_unique<SpiStreamRead>(settings);
}

}  // namespace ryx::memory_read
