#include "cli/MemoryListText.h"

#include "firmware/MemoryImage.h"
#include "firmware/MemoryWiring.h"
#include "firmware/PicProgram.h"
#include "firmware/SerialMemory.h"

#include <array>
#include <cstdint>

namespace ryx::cli {
namespace {

// The rates --list-chips gives too.
constexpr std::array<std::uint32_t, 2> kListedRates{8000, 15625};

std::string rightAligned(std::string text, std::size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

// "I2C takes trigger pins 2, 3, the crystal": what a bus costs the chip.
std::string takenText(const PicChip& chip, MemoryBus bus) {
    std::string triggers;
    bool crystal = false;
    for (const MemoryPinRole& role : memoryPinRoles(chip, bus)) {
        for (std::size_t k = 0; k < triggerPinCount(chip); ++k) {
            if (chip.triggerPins[k].pin.number != role.pin->pin.number) continue;
            triggers += (triggers.empty() ? "" : ", ") + std::to_string(k + 1);
            crystal = crystal || chip.triggerPins[k].crystalPin;
        }
    }
    std::string text;
    if (!triggers.empty()) text += "trigger pins " + triggers;
    if (crystal) text += std::string(text.empty() ? "" : ", ") + "the crystal";
    if (bus == MemoryBus::spi && chip.memoryPins.resetPinConfigMask != 0) {
        text += std::string(text.empty() ? "" : ", ") + "the reset pin";
    }
    return text.empty() ? text : std::string(busName(bus)) + " takes " + text;
}

// The serial port's pins (an SSP's SPI names only: it is no I2C master), and
// whether it runs the bus.
std::string portText(const PicChip& chip) {
    const SerialPortPins& port = chip.memoryPins.serialPort;
    if (port.kind == SerialPortKind::none) return "no serial port: bit-banged";
    const bool mssp = port.kind == SerialPortKind::mssp;
    std::string text = std::string(mssp ? "MSSP: SCL/SCK " : "SSP: SCK ") + pinLabel(port.clock) +
                       (mssp ? ", SDA/SDI " : ", SDI ") + pinLabel(port.dataIn) + ", SDO " + pinLabel(port.dataOut);
    const bool i2c = memoryOnSerialPort(chip, MemoryBus::i2c);
    const bool spi = memoryOnSerialPort(chip, MemoryBus::spi);
    if (i2c && spi) return text + "; runs the bus";
    if (spi) return text + "; runs the SPI bus";
    return text + "; bit-banged";
}

}  // namespace

std::string memoryListText() {
    std::string text = "memory     bus  bytes     ";
    for (const std::uint32_t rate : kListedRates) text += rightAligned(std::to_string(rate) + " Hz", 12);
    text += "  supply\n";
    for (const SerialMemory& memory : serialMemories()) {
        std::string row = padded(std::string(memory.name), 11) + padded(std::string(busName(memory.bus)), 5) +
                          padded(std::to_string(memory.sizeBytes), 10);
        const double samples = static_cast<double>(memorySampleCapacity(memory));
        for (const std::uint32_t rate : kListedRates) row += rightAligned(formatFixed(samples / rate, 2) + " s", 12);
        row += memory.maxSupplyMillivolts > 3600 ? "  up to 5.5 V" : "  2.7 to 3.6 V only";
        text += row + "\n";
    }
    text += "\nSeconds at one bit per sample, after the index of one sound (" +
            std::to_string(memoryImageIndexBytes(1)) + " bytes, " + std::to_string(kImageEntryBytes) +
            " more for each\nfurther sound). Wiring of the memory's other pins:\n";
    for (const SerialMemory& memory : serialMemories()) {
        text += padded(std::string(memory.name), 11) + std::string(memory.tiedPins) + "\n";
    }
    return text;
}

std::string memoryPinListText() {
    std::string text = "\nmemory pins (--list-memories; I2C with 4.7k pull-ups on SCL and SDA; SPI: SI is data\n"
                       "into the memory, SO data out of it)\n";
    for (const PicChip& chip : picChips()) {
        const std::string indent(12, ' ');
        for (const MemoryBus bus : {MemoryBus::i2c, MemoryBus::spi}) {
            std::string row = bus == MemoryBus::i2c ? padded(std::string(chip.processor), 12) : indent;
            row += std::string(busName(bus)) + "  ";
            const char* separator = "";
            for (const MemoryPinRole& role : memoryPinRoles(chip, bus)) {
                row += separator + std::string(role.role) + " " + pinLabel(role.pin->pin);
                separator = ", ";
            }
            text += row + "\n";
        }
        text += indent + portText(chip) + "\n";
        for (const MemoryBus bus : {MemoryBus::i2c, MemoryBus::spi}) {
            if (const std::string taken = takenText(chip, bus); !taken.empty()) text += indent + taken + "\n";
        }
    }
    return text;
}

}  // namespace ryx::cli
