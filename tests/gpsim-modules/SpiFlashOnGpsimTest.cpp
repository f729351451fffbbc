// The SPI memory module read by a small PIC program on gpsim: a 16F628A
// bit-bangs READ commands on its memory pins (mode 0) and writes every byte
// it reads to PORTB, then, with CS high again, whether SO is released.

#include "ModuleReader.h"

#include "firmware/MemoryWiring.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

namespace ryx {
namespace {

struct Transfer {
    std::uint8_t command;
    std::uint32_t address;
    std::uint32_t bytes;
};

std::string hex2(unsigned value) {
    const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[value >> 4 & 15] + digits[value & 15];
}

// Sends W most significant bit first on SI, reading SO while SCK is high.
std::string readerSource(const PicChip& chip, const std::vector<Transfer>& transfers) {
    const ChipMemoryPins& pins = chip.memoryPins;
    const auto bit = [](const MemoryPin& pin) { return "PORTA, " + std::to_string(pin.bit); };
    std::string source = "        list    p=" + std::string(chip.processor) +
                         ", r=dec\n"
                         "        include \"p" + std::string(chip.processor) + ".inc\"\n"
                         "        __config 0x3F30\n"
                         "        errorlevel -302\n"
                         "        cblock  0x20\n"
                         "        count, byte, bits\n"
                         "        endc\n"
                         "        org     0\n"
                         "        movlw   7\n"
                         "        movwf   CMCON\n"
                         "        bsf     STATUS, RP0\n"
                         "        movlw   b'11111000'\n"
                         "        movwf   TRISA\n"
                         "        clrf    TRISB\n"
                         "        bcf     STATUS, RP0\n"
                         "        bsf     " + bit(pins.cs) + "\n"
                         "        clrf    PORTB\n";
    for (std::size_t k = 0; k < transfers.size(); ++k) {
        const Transfer& t = transfers[k];
        source += "        bcf     " + bit(pins.cs) + "\n";
        for (const unsigned byte : {unsigned{t.command}, t.address >> 16 & 255, t.address >> 8 & 255, t.address & 255}) {
            source += "        movlw   " + hex2(byte) + "\n        call    spi\n";
        }
        const std::string loop = "data" + std::to_string(k);
        source += "        movlw   " + std::to_string(t.bytes) + "\n        movwf   count\n" + loop +
                  ":  call    spi\n        movwf   PORTB\n        decfsz  count, f\n        goto    " + loop + "\n" +
                  "        bsf     " + bit(pins.cs) + "\n        movlw   0\n        btfsc   " + bit(pins.so) +
                  "\n        movlw   1\n        movwf   PORTB\n";
    }
    return source + "done:   goto    done\n"
                    "spi:    movwf   byte\n"
                    "        movlw   8\n"
                    "        movwf   bits\n"
                    "bit:    bcf     " + bit(pins.si) + "\n"
                    "        btfsc   byte, 7\n"
                    "        bsf     " + bit(pins.si) + "\n"
                    "        rlf     byte, f\n"
                    "        bsf     " + bit(pins.sck) + "\n"
                    "        bcf     byte, 0\n"
                    "        btfsc   " + bit(pins.so) + "\n"
                    "        bsf     byte, 0\n"
                    "        bcf     " + bit(pins.sck) + "\n"
                    "        decfsz  bits, f\n"
                    "        goto    bit\n"
                    "        movf    byte, w\n"
                    "        return\n"
                    "        end\n";
}

// READ streams from its address on, past the image's end as erased bytes
// (0xFF) and round to 0 at the memory's end; another command gives nothing
// (SO stays released: the pull-up's 0xFF); after each, CS high releases SO
// (read as 1 through the pull-up, where the next bit the memory would have
// given is 0).
TEST(SpiFlashModule, ServesReadCommandsToAPic) {
    if (!test::moduleToolsAvailable()) GTEST_SKIP() << "gpsim or gpasm is not installed";
    const PicChip& chip = *findPicChip("16f628a");
    constexpr std::uint32_t kSize = 64;
    std::vector<std::uint8_t> image(60);
    for (std::size_t k = 0; k < image.size(); ++k) image[k] = static_cast<std::uint8_t>(k * 37 + 11);
    image[2] = image[11] = 0x00;  // the bits each transfer below stops before
    const std::vector<Transfer> transfers{{0x03, 5, 6}, {0x03, 58, 8}, {0x0B, 5, 2}};
    std::vector<std::uint8_t> expected{0};  // the program's clrf PORTB
    for (const Transfer& t : transfers) {
        for (std::uint32_t k = 0; k < t.bytes; ++k) {
            const std::uint32_t address = (t.address + k) % kSize;
            expected.push_back(t.command != 0x03 || address >= image.size() ? 0xFF : image[address]);
        }
        expected.push_back(1);
    }

    std::string wiring = "module load spi_flash mem\nmem.image = \"image.bin\"\nmem.size = " +
                         std::to_string(kSize) + "\nmodule load pullup pu\n";
    for (const MemoryPinRole& role : memoryPinRoles(chip, MemoryBus::spi)) {
        wiring += "node n" + std::string(role.role) + "\nattach n" + std::string(role.role) + " porta" +
                  std::to_string(role.pin->bit) + " mem." + std::string(role.role) +
                  (role.role == "SO" ? " pu.pin" : "") + "\n";
    }
    test::TempDirectory directory;
    const test::PinRecording recording =
        test::runModuleReader(directory.path(), chip, readerSource(chip, transfers), image, wiring, 40000);
    ASSERT_TRUE(recording.reachedEnd) << recording.output;
    EXPECT_EQ(recording.portValues, expected) << recording.output;
}

}  // namespace
}  // namespace ryx
