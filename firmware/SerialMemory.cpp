#include "firmware/SerialMemory.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace ryx {
namespace {

// Microchip's 24-series AC characteristics table (Table 1-2 of each
// datasheet, the 2.5 V to 5.5 V rows, 400 kHz): the three share one set.
constexpr I2cTiming k24lcTiming{.clockHighNs = 600,
                                .clockLowNs = 1300,
                                .startSetupNs = 600,
                                .startHoldNs = 600,
                                .stopSetupNs = 600,
                                .busFreeNs = 1300,
                                .dataSetupNs = 100,
                                .outputValidNs = 900};

// The 25LC1024's AC characteristics table, the 4.5 V to 5.5 V rows (20 MHz).
constexpr SpiTiming k25lc1024Timing{.clockHighNs = 25,
                                    .clockLowNs = 25,
                                    .selectSetupNs = 25,
                                    .selectHoldNs = 50,
                                    .dataSetupNs = 5,
                                    .outputValidNs = 25};

// The W25Q..JV datasheets' AC electrical characteristics, the rows for the
// READ (03h) instruction at up to 50 MHz, 2.7 V to 3.6 V.
constexpr SpiTiming kW25qTiming{.clockHighNs = 8,
                                .clockLowNs = 8,
                                .selectSetupNs = 5,
                                .selectHoldNs = 5,
                                .dataSetupNs = 2,
                                .outputValidNs = 7};

constexpr std::uint8_t kI2cRead = 0xA1;  // 1010, chip-select bits low, read
constexpr std::uint8_t kSpiRead = 0x03;
constexpr std::uint32_t kKiB = 1024;
constexpr std::uint32_t kMiB = 1024 * kKiB;
constexpr std::string_view kTied24lc = "A0, A1, A2 (pins 1 to 3) and WP (pin 7) to VSS";
constexpr std::string_view kTiedSpi = "WP (pin 3) and HOLD (pin 7) to VCC";

constexpr SerialMemory w25q(std::string_view name, std::uint32_t size) {
    return {.name = name,
            .bus = MemoryBus::spi,
            .sizeBytes = size,
            .pageBytes = 256,
            .blockBytes = size,
            .blockSelectBit = 0,
            .addressBytes = 3,
            .readCommand = kSpiRead,
            .maxSupplyMillivolts = 3600,
            .tiedPins = kTiedSpi,
            .spi = kW25qTiming};
}

constexpr SerialMemory eeprom24lc(std::string_view name, std::uint32_t size, std::uint32_t page) {
    return {.name = name,
            .bus = MemoryBus::i2c,
            .sizeBytes = size,
            .pageBytes = page,
            .blockBytes = size,
            .blockSelectBit = 0,
            .addressBytes = 2,
            .readCommand = kI2cRead,
            .maxSupplyMillivolts = 5500,
            .tiedPins = kTied24lc,
            .i2c = k24lcTiming};
}

// Its A2 pin is not a chip select: the control byte's bit 3 is the block
// (B0), and the pin must be tied high for the part to answer at all.
constexpr SerialMemory k24lc1025 = [] {
    SerialMemory memory = eeprom24lc("24LC1025", 128 * kKiB, 128);
    memory.blockBytes = 64 * kKiB;
    memory.blockSelectBit = 3;
    memory.tiedPins = "A0, A1 (pins 1, 2) and WP (pin 7) to VSS, A2 (pin 3) to VCC";
    return memory;
}();

constexpr std::array<SerialMemory, 8> kMemories{{
    eeprom24lc("24LC256", 32 * kKiB, 64),
    eeprom24lc("24LC512", 64 * kKiB, 128),
    k24lc1025,
    {.name = "25LC1024",
     .bus = MemoryBus::spi,
     .sizeBytes = 128 * kKiB,
     .pageBytes = 256,
     .blockBytes = 128 * kKiB,
     .blockSelectBit = 0,
     .addressBytes = 3,
     .readCommand = kSpiRead,
     .maxSupplyMillivolts = 5500,
     .tiedPins = kTiedSpi,
     .spi = k25lc1024Timing},
    w25q("W25Q16", 2 * kMiB),
    w25q("W25Q32", 4 * kMiB),
    w25q("W25Q64", 8 * kMiB),
    w25q("W25Q128", 16 * kMiB),
}};

// Letters and digits only, in either case: "w25q32", "W25Q-32", "24lc256".
bool sameName(std::string_view given, std::string_view name) {
    std::size_t at = 0;
    for (const char c : given) {
        if (c == '-' || c == '_' || c == ' ') continue;
        if (at == name.size() || std::toupper(static_cast<unsigned char>(c)) != name[at]) return false;
        ++at;
    }
    return at == name.size();
}

}  // namespace

std::span<const SerialMemory> serialMemories() { return kMemories; }

const SerialMemory* findMemory(std::string_view name) {
    const auto found = std::find_if(kMemories.begin(), kMemories.end(),
                                    [name](const SerialMemory& memory) { return sameName(name, memory.name); });
    return found == kMemories.end() ? nullptr : &*found;
}

std::string_view busName(MemoryBus bus) { return bus == MemoryBus::i2c ? "I2C" : "SPI"; }

std::uint32_t cyclesAtLeast(std::uint32_t nanoseconds, std::uint32_t clockHz) {
    // A cycle is 4 clocks: nanoseconds x hertz / 4e9 cycles, rounded up.
    constexpr std::uint64_t kCycle = 4'000'000'000;
    return static_cast<std::uint32_t>((std::uint64_t{nanoseconds} * clockHz + kCycle - 1) / kCycle);
}

}  // namespace ryx
