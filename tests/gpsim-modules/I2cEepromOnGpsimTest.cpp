// The I2C EEPROM modules read by a small PIC program on gpsim: a 16F628A
// bit-bangs the bus on its memory pins (each line driven low through TRISA,
// released to a pull-up) and writes to PORTB the acknowledge bit of each
// control byte (0: acknowledged) and every byte it reads.

#include "ModuleReader.h"

#include "firmware/MemoryWiring.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

namespace ryx {
namespace {

struct Read {
    int writeControl;     // sets the address first; -1: a current-address read
    std::uint16_t address;
    bool repeatedStart;   // else a stop and a start before the read
    std::uint8_t readControl;
    std::uint32_t bytes;  // at least 2: all acknowledged but the last
};

std::string readerSource(const PicChip& chip, const std::vector<Read>& reads) {
    const ChipMemoryPins& pins = chip.memoryPins;
    const std::string scl = std::to_string(pins.scl.bit);
    const std::string sda = std::to_string(pins.sda.bit);
    std::string source = "        list    p=" + std::string(chip.processor) + ", r=dec\n"
                         "        include \"p" + std::string(chip.processor) + ".inc\"\n"
                         "        __config 0x3F30\n"
                         "        errorlevel -302\n"
                         "        cblock  0x20\n"
                         "        count, byte, bits, ackv\n"
                         "        endc\n"
                         "line    macro   bit, level\n"
                         "        bsf     STATUS, RP0\n"
                         "        if level\n"
                         "        bsf     TRISA, bit\n"
                         "        else\n"
                         "        bcf     TRISA, bit\n"
                         "        endif\n"
                         "        bcf     STATUS, RP0\n"
                         "        endm\n"
                         "        org     0\n"
                         "        movlw   7\n"
                         "        movwf   CMCON\n"
                         "        clrf    PORTA\n"
                         "        bsf     STATUS, RP0\n"
                         "        clrf    TRISB\n"
                         "        bcf     STATUS, RP0\n"
                         "        clrf    PORTB\n";
    const auto send = [](int byte) {
        return "        movlw   " + std::to_string(byte) +
               "\n        call    send\n        movwf   ackv\n        movwf   PORTB\n";
    };
    for (std::size_t k = 0; k < reads.size(); ++k) {
        const Read& r = reads[k];
        const std::string end = "end" + std::to_string(k);
        const std::string refused = "        btfsc   ackv, 0\n        goto    " + end + "\n";
        source += "        call    start\n";
        if (r.writeControl >= 0) {
            source += send(r.writeControl) + refused;
            for (const int byte : {r.address >> 8, r.address & 255}) {
                source += "        movlw   " + std::to_string(byte) + "\n        call    send\n";
            }
            source += r.repeatedStart ? "        call    start\n" : "        call    stop\n        call    start\n";
        }
        const std::string loop = "loop" + std::to_string(k);
        source += send(r.readControl) + refused + "        movlw   " + std::to_string(r.bytes - 1) +
                  "\n        movwf   count\n" + loop +
                  ":  movlw   0\n        call    recv\n        movwf   PORTB\n        decfsz  count, f\n        goto    " +
                  loop + "\n        movlw   1\n        call    recv\n        movwf   PORTB\n" + end +
                  ":   call    stop\n";
    }
    return source + "done:   goto    done\n"
                    // A start from either level of SDA: also a repeated start.
                    "start:  line    " + sda + ", 1\n"
                    "        line    " + scl + ", 1\n"
                    "        line    " + sda + ", 0\n"
                    "        line    " + scl + ", 0\n"
                    "        return\n"
                    "stop:   line    " + sda + ", 0\n"
                    "        line    " + scl + ", 1\n"
                    "        line    " + sda + ", 1\n"
                    "        return\n"
                    // Sends W; returns the acknowledge bit (0: acknowledged).
                    "send:   movwf   byte\n"
                    "        movlw   8\n"
                    "        movwf   bits\n"
                    "sbit:   btfss   byte, 7\n"
                    "        goto    szero\n"
                    "        line    " + sda + ", 1\n"
                    "        goto    sclock\n"
                    "szero:  line    " + sda + ", 0\n"
                    "sclock: line    " + scl + ", 1\n"
                    "        line    " + scl + ", 0\n"
                    "        rlf     byte, f\n"
                    "        decfsz  bits, f\n"
                    "        goto    sbit\n"
                    "        line    " + sda + ", 1\n"
                    "        line    " + scl + ", 1\n"
                    "        movlw   0\n"
                    "        btfsc   PORTA, " + sda + "\n"
                    "        movlw   1\n"
                    "        movwf   ackv\n"
                    "        line    " + scl + ", 0\n"
                    "        movf    ackv, w\n"
                    "        return\n"
                    // Reads a byte, then acknowledges it when W is 0.
                    "recv:   movwf   ackv\n"
                    "        line    " + sda + ", 1\n"
                    "        movlw   8\n"
                    "        movwf   bits\n"
                    "rbit:   line    " + scl + ", 1\n"
                    "        rlf     byte, f\n"
                    "        bcf     byte, 0\n"
                    "        btfsc   PORTA, " + sda + "\n"
                    "        bsf     byte, 0\n"
                    "        line    " + scl + ", 0\n"
                    "        decfsz  bits, f\n"
                    "        goto    rbit\n"
                    "        btfss   ackv, 0\n"
                    "        goto    rack\n"
                    "        line    " + sda + ", 1\n"
                    "        goto    rclock\n"
                    "rack:   line    " + sda + ", 0\n"
                    "rclock: line    " + scl + ", 1\n"
                    "        line    " + scl + ", 0\n"
                    "        line    " + sda + ", 1\n"
                    "        movf    byte, w\n"
                    "        return\n"
                    "        end\n";
}

// A random read (the address written, then a repeated start or a stop and
// a start) streams on for as long as the PIC acknowledges, the pointer
// wrapping within the 64 KiB block (the 24LC1025's block from bit 3 of the
// control byte); a current-address read goes on from there; a control byte
// with a chip-select bit set gets no acknowledge.
TEST(I2cEepromModules, ServeReadsToAPic) {
    if (!test::moduleToolsAvailable()) GTEST_SKIP() << "gpsim or gpasm is not installed";
    struct Case {
        const char* module;
        std::uint32_t size;
        std::vector<Read> reads;
        std::vector<std::uint32_t> addresses;  // of the bytes read, in order
        std::vector<int> acknowledges;         // of the control bytes, in order
    };
    const Case cases[] = {
        {"i2c_24lc512", 0x10000,
         {{0xA0, 0xFFFE, false, 0xA1, 4}, {-1, 0, false, 0xA1, 2}, {0xA2, 0x0100, true, 0xA3, 2}},
         {0xFFFE, 0xFFFF, 0x0000, 0x0001, 0x0002, 0x0003},
         {0, 0, 0, 1}},
        {"i2c_24lc1025", 0x20000,
         {{0xA8, 0xFFFE, true, 0xA9, 4}, {-1, 0, false, 0xA1, 2}, {0xA0, 0x1234, true, 0xA1, 3},
          {0xA4, 0x0100, true, 0xA5, 2}},
         {0x1FFFE, 0x1FFFF, 0x10000, 0x10001, 0x00002, 0x00003, 0x01234, 0x01235, 0x01236},
         {0, 0, 0, 0, 0, 1}},
    };
    const PicChip& chip = *findPicChip("16f628a");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        std::vector<std::uint8_t> image(c.size);
        for (std::size_t k = 0; k < image.size(); ++k) image[k] = static_cast<std::uint8_t>((k * 2654435761u) >> 13);
        // Each control byte's acknowledge, then its bytes.
        std::vector<std::uint8_t> expected{0};
        std::size_t nextAddress = 0;
        std::size_t nextAcknowledge = 0;
        for (const Read& r : c.reads) {
            bool refused = false;
            for (const bool sent : {r.writeControl >= 0, true}) {
                if (!sent || refused) continue;
                expected.push_back(static_cast<std::uint8_t>(c.acknowledges.at(nextAcknowledge)));
                refused = c.acknowledges.at(nextAcknowledge++) != 0;
            }
            for (std::uint32_t k = 0; k < r.bytes && !refused; ++k) {
                expected.push_back(image[c.addresses.at(nextAddress++)]);
            }
        }
        ASSERT_EQ(nextAddress, c.addresses.size());

        std::string wiring = "module load " + std::string(c.module) + " ee\nee.image = \"image.bin\"\n";
        for (const MemoryPinRole& role : memoryPinRoles(chip, MemoryBus::i2c)) {
            const std::string name(role.role);
            wiring += "module load pullup pu" + name + "\nnode n" + name + "\nattach n" + name + " porta" +
                      std::to_string(role.pin->bit) + " ee." + name + " pu" + name + ".pin\n";
        }
        test::TempDirectory directory;
        const test::PinRecording recording =
            test::runModuleReader(directory.path(), chip, readerSource(chip, c.reads), image, wiring, 60000);
        ASSERT_TRUE(recording.reachedEnd) << recording.output;
        EXPECT_EQ(recording.portValues, expected) << recording.output;
    }
}

}  // namespace
}  // namespace ryx
