#include "firmware/MemoryWiring.h"

namespace ryx {
namespace {

bool samePin(const PicPin& a, const PicPin& b) { return a.number == b.number && a.name == b.name; }

// "A, B and C".
std::string listed(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k > 0) text += k + 1 == items.size() ? " and " : ", ";
        text += items[k];
    }
    return text;
}

// A memory pin that the program needs for something else. A crystal's pins
// are known where they double as trigger pins: on the chips whose memory
// pins could meet them (elsewhere the memory keeps clear of them).
struct Collision {
    std::string pin;   // "GP4 (pin 3)"
    std::string role;  // "SCL"
    bool crystal = false;
    bool trigger = false;
};

std::vector<Collision> collisions(const PicChip& chip, MemoryBus bus, std::size_t triggersUsed, bool crystal) {
    std::vector<Collision> found;
    for (const MemoryPinRole& role : memoryPinRoles(chip, bus)) {
        for (std::size_t k = 0; k < chip.triggerPins.size(); ++k) {
            const TriggerPin& trigger = chip.triggerPins[k];
            if (trigger.pin.name.empty() || !samePin(trigger.pin, role.pin->pin)) continue;
            const Collision collision{pinLabel(role.pin->pin), std::string(role.role), crystal && trigger.crystalPin,
                                      k < triggersUsed};
            if (collision.crystal || collision.trigger) found.push_back(collision);
        }
    }
    return found;
}

}  // namespace

std::vector<MemoryPinRole> memoryPinRoles(const PicChip& chip, MemoryBus bus) {
    const ChipMemoryPins& pins = chip.memoryPins;
    if (bus == MemoryBus::i2c) return {{"SCL", &pins.scl}, {"SDA", &pins.sda}};
    return {{"CS", &pins.cs}, {"SCK", &pins.sck}, {"SI", &pins.si}, {"SO", &pins.so}};
}

std::string externalMemoryLine(const PicChip& chip, const SerialMemory& memory) {
    std::string line = "; External   " + std::string(memory.name) + ": ";
    const char* separator = "";
    for (const MemoryPinRole& role : memoryPinRoles(chip, memory.bus)) {
        line += separator + std::string(role.role) + " " + pinLabel(role.pin->pin);
        separator = ", ";
    }
    if (memory.bus == MemoryBus::i2c) line += ", 4.7k pull-ups";
    return line;
}

bool memoryOnSerialPort(const PicChip& chip, MemoryBus bus) {
    const ChipMemoryPins& pins = chip.memoryPins;
    const SerialPortPins& port = pins.serialPort;
    if (bus == MemoryBus::i2c) {
        return port.kind == SerialPortKind::mssp && samePin(pins.scl.pin, port.clock) &&
               samePin(pins.sda.pin, port.dataIn);
    }
    return port.kind != SerialPortKind::none && samePin(pins.sck.pin, port.clock) &&
           samePin(pins.so.pin, port.dataIn) && samePin(pins.si.pin, port.dataOut);
}

Result<> checkMemoryPins(const PicChip& chip, const SerialMemory& memory, PlayTrigger trigger,
                         std::size_t soundCount, PicOscillator oscillator) {
    const std::size_t triggersUsed = trigger == PlayTrigger::pins     ? soundCount
                                     : trigger == PlayTrigger::select ? triggerPinCount(chip)
                                                                      : 0;
    const std::vector<Collision> found =
        collisions(chip, memory.bus, triggersUsed, oscillator == PicOscillator::crystal);
    if (found.empty()) return {};
    std::vector<std::string> pins;
    std::vector<std::string> roles;
    bool crystal = false;
    bool triggers = false;
    for (const Collision& collision : found) {
        pins.push_back(collision.pin);
        roles.push_back(collision.role);
        crystal = crystal || collision.crystal;
        triggers = triggers || collision.trigger;
    }
    std::vector<std::string> needs;
    std::vector<std::string> helps;
    if (crystal) {
        needs.emplace_back("the crystal");
        helps.emplace_back("use the internal oscillator");
    }
    if (triggers) {
        needs.emplace_back(trigger == PlayTrigger::select ? "the select pins" : "the sounds' trigger pins");
        helps.emplace_back(trigger == PlayTrigger::select ? "start the sounds another way"
                                                          : "start fewer sounds from trigger pins");
    }
    const bool crystalAlone = crystal && !triggers;
    return Result<>::failure("the " + std::string(memory.name) + "'s " + listed(roles) +
                             (roles.size() > 1 ? " take the " : " takes the ") + std::string(chip.name) + "'s " +
                             listed(pins) + ", which " + listed(needs) + (crystalAlone ? " needs: " : " need: ") +
                             listed(helps));
}

}  // namespace ryx
