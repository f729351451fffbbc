#include "firmware/PicChip.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace ryx {
namespace {

constexpr RegisterSetting kEightMegahertz{"OSCCON", 0x8F, 0x70};

// Config words as the assembler's own processor headers define the bits.
constexpr std::array<PicChip, 7> kChips{{
    {"PIC12F683", "12f683", 2048, "GPIO", 0x05, "TRISIO", 0x85, "GP0", "GP1", 8000000, 0x2007, 0x30E0, 0x4, 0,
     {kEightMegahertz}, {{{"CMCON0", 0x19, 0x07}, {"ANSEL", 0x9F, 0x00}}}},
    {"PIC16F628A", "16f628a", 2048, "PORTB", 0x06, "TRISB", 0x86, "RB0", "RB1", 4000000, 0x2007, 0x3F20, 0x10, 0,
     {}, {}},
    {"PIC16F648A", "16f648a", 4096, "PORTB", 0x06, "TRISB", 0x86, "RB0", "RB1", 4000000, 0x2007, 0x3F20, 0x10, 0,
     {}, {}},
    {"PIC16F88", "16f88", 4096, "PORTB", 0x06, "TRISB", 0x86, "RB0", "RB1", 8000000, 0x2007, 0x3F20, 0x10, 0x3FFC,
     {kEightMegahertz}, {}},
    {"PIC16F876A", "16f876a", 8192, "PORTB", 0x06, "TRISB", 0x86, "RB0", "RB1", 0, 0x2007, 0x3F30, 0, 0,
     {}, {}},
    {"PIC16F877A", "16f877a", 8192, "PORTB", 0x06, "TRISB", 0x86, "RB0", "RB1", 0, 0x2007, 0x3F30, 0, 0,
     {}, {}},
    {"PIC16F887", "16f887", 8192, "PORTB", 0x06, "TRISB", 0x86, "RB0", "RB1", 8000000, 0x2007, 0x20E0, 0x4, 0x3FFF,
     {kEightMegahertz}, {{{"ANSELH", 0x189, 0x00}}}},
}};

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const PicChip> picChips() { return kChips; }

const PicChip* findPicChip(std::string_view name) {
    if (name.size() > 3 && sameLetters(name.substr(0, 3), "pic")) name.remove_prefix(3);
    for (const PicChip& chip : kChips) {
        if (sameLetters(chip.processor, name)) return &chip;
    }
    return nullptr;
}

PicOscillator defaultOscillator(const PicChip& chip, std::uint32_t clockHz) {
    const bool internal = chip.internalClockHz != 0 && (clockHz == 0 || clockHz == chip.internalClockHz);
    return internal ? PicOscillator::internal : PicOscillator::crystal;
}

std::uint16_t configWordFor(const PicChip& chip, PicOscillator oscillator, std::uint32_t clockHz) {
    std::uint16_t bits = kOscillatorHighSpeed;
    if (oscillator == PicOscillator::internal) {
        // The table's bits for a chip without one would select a crystal.
        if (chip.internalClockHz == 0) throw std::invalid_argument("the chip has no internal oscillator");
        bits = chip.internalOscillatorBits;
    } else if (clockHz <= 200000) {
        bits = kOscillatorLowPower;
    } else if (clockHz <= 4000000) {
        bits = kOscillatorCrystal;
    }
    return static_cast<std::uint16_t>(chip.configBase | bits);
}

}  // namespace ryx
