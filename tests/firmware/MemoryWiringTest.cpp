#include "firmware/MemoryWiring.h"
#include "firmware/MemoryImage.h"
#include "firmware/SerialMemory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

namespace ryx {
namespace {

TEST(SerialMemories, FoundByAnySpelling) {
    const std::pair<const char*, std::string_view> found[] = {
        {"24LC256", "24LC256"}, {"24lc512", "24LC512"}, {"24Lc1025", "24LC1025"},
        {"25lc1024", "25LC1024"}, {"w25q16", "W25Q16"}, {"W25Q-32", "W25Q32"}, {"w25q_128", "W25Q128"}};
    for (const auto& [given, name] : found) {
        const SerialMemory* memory = findMemory(given);
        ASSERT_NE(memory, nullptr) << given;
        EXPECT_EQ(memory->name, name);
    }
    for (const char* given : {"", "24LC", "24LC2560", "W25Q", "W25Q12", "25LC256", "24LC256x"}) {
        EXPECT_EQ(findMemory(given), nullptr) << given;
    }
}

// What each memory holds at 15625 Hz, as the datasheets' sizes give it:
// 16.8 s, 36 minutes, 2 hours 23 minutes; and the rules a player relies on.
TEST(SerialMemories, HoldWhatTheirSizeSays) {
    const std::map<std::string_view, double> secondsAt15625{
        {"24LC256", 16.77}, {"24LC512", 33.55}, {"24LC1025", 67.10}, {"25LC1024", 67.10},
        {"W25Q16", 1073.74}, {"W25Q32", 2147.48}, {"W25Q64", 4294.96}, {"W25Q128", 8589.93}};
    ASSERT_EQ(serialMemories().size(), secondsAt15625.size());
    for (const SerialMemory& memory : serialMemories()) {
        SCOPED_TRACE(memory.name);
        EXPECT_NEAR(static_cast<double>(memorySampleCapacity(memory)) / 15625, secondsAt15625.at(memory.name), 0.005);
        // Three address bytes reach 16 MiB; two, 64 KiB (a block on the 24LC1025).
        EXPECT_LE(memory.blockBytes, std::uint64_t{1} << (8 * memory.addressBytes));
        EXPECT_EQ(memory.sizeBytes % memory.blockBytes, 0u);
        EXPECT_EQ(memory.blockSelectBit != 0, memory.blockBytes < memory.sizeBytes);
        if (memory.bus == MemoryBus::i2c) {
            EXPECT_EQ(memory.readCommand & 0xF1, 0xA1);
            EXPECT_GT(memory.i2c.clockLowNs, 0u);
            EXPECT_GE(memory.i2c.busFreeNs, memory.i2c.clockHighNs);
        } else {
            EXPECT_EQ(memory.readCommand, 0x03);
            EXPECT_GT(memory.spi.clockHighNs, 0u);
        }
    }
    EXPECT_EQ(findMemory("24LC1025")->blockSelectBit, 3);
}

// A cycle lasts 4 clocks: 1 us at 4 MHz, 200 ns at 20 MHz, 62.5 ns at 64 MHz.
TEST(SerialMemories, TimingsInWholeCycles) {
    const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> cases[] = {
        {600, 4000000, 1}, {1300, 4000000, 2},  {600, 20000000, 3}, {1300, 20000000, 7},
        {600, 64000000, 10}, {25, 64000000, 1}, {0, 20000000, 0},   {1000, 4000000, 1}};
    for (const auto& [ns, clock, cycles] : cases) EXPECT_EQ(cyclesAtLeast(ns, clock), cycles) << ns << " ns, " << clock;
}

// Every chip's memory pins: never pins A and B, the roles of a bus on
// distinct pins, each pin's number and bit as the rest of the row gives them.
TEST(MemoryPins, KeepClearOfTheSoundAndAgreeWithTheRow) {
    for (const PicChip& chip : picChips()) {
        SCOPED_TRACE(chip.name);
        std::map<std::string_view, int> numbers{{chip.pinA.name, chip.pinA.number}, {chip.pinB.name, chip.pinB.number}};
        for (const TriggerPin& trigger : chip.triggerPins) {
            if (!trigger.pin.name.empty()) numbers[trigger.pin.name] = trigger.pin.number;
        }
        std::set<int> soundPins{chip.pinA.number, chip.pinB.number};
        for (const MemoryBus bus : {MemoryBus::i2c, MemoryBus::spi}) {
            std::set<int> used;
            for (const MemoryPinRole& role : memoryPinRoles(chip, bus)) {
                const MemoryPin& pin = *role.pin;
                EXPECT_EQ(soundPins.count(pin.pin.number), 0u) << role.role;
                EXPECT_TRUE(used.insert(pin.pin.number).second) << role.role << " shares a pin";
                EXPECT_EQ(pin.bit, pin.pin.name.back() - '0') << role.role;
                EXPECT_EQ(pin.portName.back(), pin.pin.name[1] == 'P' ? 'O' : pin.pin.name[1]) << role.role;
                if (const auto known = numbers.find(pin.pin.name); known != numbers.end()) {
                    EXPECT_EQ(pin.pin.number, known->second) << role.role;
                }
                numbers[pin.pin.name] = pin.pin.number;
            }
        }
        // SO on the reset pin only where the chip's config makes it MCLR now.
        const std::uint16_t mask = chip.memoryPins.resetPinConfigMask;
        if (mask != 0) {
            EXPECT_NE(chip.config[0].value & mask, 0);
        }
    }
}

// Where the pins leave room for every trigger pin and a crystal, where the
// chip's serial port can run the bus, and which chips share the sound's port.
TEST(MemoryPins, CollideOnlyOnTheEightPinChips) {
    struct Case {
        const char* chip;
        bool clear;
        bool i2cPort;
        bool spiPort;
        bool sharesSoundPort;
    };
    const Case cases[] = {
        {"12f683", false, false, false, true},  {"16f628a", true, false, false, false},
        {"16f648a", true, false, false, false}, {"16f88", true, false, false, false},
        {"12f1840", false, false, false, true}, {"16f876a", true, true, true, false},
        {"16f877a", true, true, true, false},   {"16f887", true, true, true, false},
        {"16f1825", true, false, false, true},  {"16f1709", true, true, true, false},
        {"18f2520", true, true, true, false},   {"18f26k22", true, true, true, false}};
    ASSERT_EQ(std::size(cases), picChips().size());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip);
        const PicChip& chip = *findPicChip(c.chip);
        for (const SerialMemory* memory : {findMemory("24LC512"), findMemory("W25Q64")}) {
            const PlayTrigger trigger = triggerPinCount(chip) > 0 ? PlayTrigger::select : PlayTrigger::reset;
            EXPECT_EQ(bool(checkMemoryPins(chip, *memory, trigger, 1, PicOscillator::crystal)), c.clear);
            EXPECT_TRUE(checkMemoryPins(chip, *memory, PlayTrigger::reset, 1, PicOscillator::internal));
            bool shares = false;
            for (const MemoryPinRole& role : memoryPinRoles(chip, memory->bus)) {
                shares = shares || role.pin->portAddress == chip.portAddress;
            }
            EXPECT_EQ(shares, c.sharesSoundPort);
        }
        EXPECT_EQ(memoryOnSerialPort(chip, MemoryBus::i2c), c.i2cPort);
        EXPECT_EQ(memoryOnSerialPort(chip, MemoryBus::spi), c.spiPort);
    }
}

TEST(MemoryPins, RefusedWhereTheProgramNeedsThem) {
    struct Case {
        const char* chip;
        const char* memory;
        PlayTrigger trigger;
        std::size_t sounds;
        PicOscillator oscillator;
        std::string error;  // empty: allowed
    };
    const Case cases[] = {
        {"12f683", "24LC256", PlayTrigger::reset, 1, PicOscillator::crystal,
         "the 24LC256's SCL and SDA take the PIC12F683's GP4 (pin 3) and GP5 (pin 2), which the crystal needs: use "
         "the internal oscillator"},
        // Trigger pin 1 (GP2) stays free beside an I2C memory, not beside an SPI one.
        {"12f683", "24LC256", PlayTrigger::pins, 1, PicOscillator::internal, ""},
        {"12f683", "24LC256", PlayTrigger::pins, 2, PicOscillator::internal,
         "the 24LC256's SCL takes the PIC12F683's GP4 (pin 3), which the sounds' trigger pins need: start fewer "
         "sounds from trigger pins"},
        {"12f683", "W25Q32", PlayTrigger::pins, 1, PicOscillator::internal,
         "the W25Q32's CS takes the PIC12F683's GP2 (pin 5), which the sounds' trigger pins need: start fewer "
         "sounds from trigger pins"},
        {"12f1840", "W25Q32", PlayTrigger::select, 2, PicOscillator::crystal,
         "the W25Q32's CS, SCK and SI take the PIC12F1840's RA2 (pin 5), RA4 (pin 3) and RA5 (pin 2), which the "
         "crystal and the select pins need: use the internal oscillator and start the sounds another way"},
        {"16f628a", "W25Q32", PlayTrigger::select, 8, PicOscillator::crystal, ""},
        {"16f1825", "24LC1025", PlayTrigger::pins, 4, PicOscillator::crystal, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " " + c.memory + " " + std::to_string(c.sounds));
        const Result<> checked =
            checkMemoryPins(*findPicChip(c.chip), *findMemory(c.memory), c.trigger, c.sounds, c.oscillator);
        EXPECT_EQ(checked.ok(), c.error.empty());
        EXPECT_EQ(checked.error(), c.error);
    }
}

TEST(MemoryPins, NamedInTheProgramsHeader) {
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"16f628a", "24LC256", "; External   24LC256: SCL RA0 (pin 17), SDA RA1 (pin 18), 4.7k pull-ups"},
        {"16f628a", "W25Q32", "; External   W25Q32: CS RA2 (pin 1), SCK RA0 (pin 17), SI RA1 (pin 18), SO RA3 (pin 2)"},
        {"12f683", "25LC1024",
         "; External   25LC1024: CS GP2 (pin 5), SCK GP4 (pin 3), SI GP5 (pin 2), SO GP3 (pin 4)"},
        {"16f877a", "24LC1025", "; External   24LC1025: SCL RC3 (pin 18), SDA RC4 (pin 23), 4.7k pull-ups"},
        {"16f1709", "W25Q128",
         "; External   W25Q128: CS RB7 (pin 10), SCK RB6 (pin 11), SI RB5 (pin 12), SO RB4 (pin 13)"},
    };
    for (const auto& [chip, memory, line] : cases) {
        EXPECT_EQ(externalMemoryLine(*findPicChip(chip), *findMemory(memory)), line);
    }
}

}  // namespace
}  // namespace ryx
