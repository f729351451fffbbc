#pragma once
// The serial memories a PIC can stream long sounds from: one row per memory.

#include <cstdint>
#include <span>
#include <string_view>

namespace ryx {

enum class MemoryBus { i2c, spi };

// The bus's timing minimums in nanoseconds, from the memory's datasheet at
// its highest supply range (4.5 or 2.5 to 5.5 V for the EEPROMs, 2.7 to 3.6 V
// for the 3 V flashes), that the player's bus code must not undercut.
struct I2cTiming {
    std::uint32_t clockHighNs = 0;    // SCL high
    std::uint32_t clockLowNs = 0;     // SCL low
    std::uint32_t startSetupNs = 0;   // SCL high before SDA falls for a (repeated) start
    std::uint32_t startHoldNs = 0;    // SDA low before SCL falls after a start
    std::uint32_t stopSetupNs = 0;    // SCL high before SDA rises for a stop
    std::uint32_t busFreeNs = 0;      // between a stop and the next start
    std::uint32_t dataSetupNs = 0;    // SDA steady before SCL rises
    std::uint32_t outputValidNs = 0;  // a maximum: SCL low until the memory's SDA is valid
};

struct SpiTiming {
    std::uint32_t clockHighNs = 0;    // SCK high
    std::uint32_t clockLowNs = 0;     // SCK low
    std::uint32_t selectSetupNs = 0;  // CS low before the first SCK rise
    std::uint32_t selectHoldNs = 0;   // the last SCK rise before CS rises
    std::uint32_t dataSetupNs = 0;    // SI steady before SCK rises
    std::uint32_t outputValidNs = 0;  // a maximum: SCK low until the memory's SO is valid
};

struct SerialMemory {
    std::string_view name;  // "24LC256"
    MemoryBus bus;
    std::uint32_t sizeBytes;
    std::uint32_t pageBytes;   // a write page; reads cross pages freely
    // What one read command reaches: the 24LC1025's reads stop at each of its
    // two 64 KiB blocks (a new control byte selects the other), the others'
    // run over the whole memory and wrap at its end.
    std::uint32_t blockBytes;
    std::uint8_t blockSelectBit;  // the control byte's bit that selects the block; 0: none
    std::uint8_t addressBytes;    // sent high byte first
    // SPI: the READ instruction. I2C: the control byte of a read with the
    // chip-select bits low (0xA1); the address is set by the same byte with
    // bit 0 clear.
    std::uint8_t readCommand;
    std::uint32_t maxSupplyMillivolts;  // 3600: a 3 V part, no 5 V PIC on its pins
    // Pins of the memory itself that the wiring ties, beside the bus.
    std::string_view tiedPins;
    I2cTiming i2c{};  // the I2C memories'
    SpiTiming spi{};  // the SPI memories'
};

// The table, I2C first, smallest first.
std::span<const SerialMemory> serialMemories();

// "24LC256", "24lc256", "w25q32", "W25Q32"...; null when unknown.
const SerialMemory* findMemory(std::string_view name);

// "I2C" or "SPI".
std::string_view busName(MemoryBus bus);

// The fewest instruction cycles (four clocks each) at clockHz that last at
// least `nanoseconds`: how long the player holds a line for one of the
// minimums above.
std::uint32_t cyclesAtLeast(std::uint32_t nanoseconds, std::uint32_t clockHz);

}  // namespace ryx
