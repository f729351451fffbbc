#pragma once
// The PIC microcontrollers a program can be made for: one row per chip.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ryx {

// One register set up before playing (a name the assembler file defines).
struct RegisterSetting {
    std::string_view name;  // empty: no setting
    std::uint16_t address = 0;
    std::uint8_t value = 0;
};

// A port pin: its name and its pin number on the DIP package.
struct PicPin {
    std::string_view name;  // "RB0"
    std::uint8_t number = 0;
};

// "RB0 (pin 6)": how the wiring texts name a pin.
std::string pinLabel(const PicPin& pin);

struct PicChip {
    std::string_view name;       // "PIC16F628A"
    std::string_view processor;  // "16f628a": the assembler's and simulator's name
    std::uint32_t programWords;
    std::string_view portName;   // the register that drives both pins
    std::uint16_t portAddress;
    std::string_view trisName;
    std::uint16_t trisAddress;
    PicPin pinA;                 // bit 0 of the port
    PicPin pinB;                 // bit 1 of the port
    std::uint32_t internalClockHz;  // 0: a crystal is needed
    std::uint16_t configAddress;
    // The first config word with the oscillator bits at "low-power crystal"
    // (all zero): watchdog off, power-up timer on, brown-out off, no code
    // protection, low-voltage programming off, MCLR a reset pin.
    std::uint16_t configBase;
    std::uint16_t internalOscillatorBits;
    std::uint16_t secondConfig;  // 0: the chip has one config word
    std::array<RegisterSetting, 1> internalClockSetup;  // selects the internal clock's frequency
    std::array<RegisterSetting, 2> pinSetup;            // makes both pins plain digital pins
};

inline constexpr std::uint16_t kOscillatorLowPower = 0;  // crystal up to 200 kHz
inline constexpr std::uint16_t kOscillatorCrystal = 1;   // crystal up to 4 MHz
inline constexpr std::uint16_t kOscillatorHighSpeed = 2; // crystal above 4 MHz

// The table, smallest memory first.
std::span<const PicChip> picChips();

// The chip the window and ryxenc start with.
inline constexpr std::string_view kDefaultPicChip = "16f628a";
const PicChip& defaultPicChip();

// "16f628a", "PIC16F628A", "pic16f628a"...; null when unknown.
const PicChip* findPicChip(std::string_view name);

enum class PicOscillator { internal, crystal };

// What a clock means when no oscillator is named: the internal oscillator
// where the chip has one and the clock is 0 or its frequency, otherwise a
// crystal of that frequency.
PicOscillator defaultOscillator(const PicChip& chip, std::uint32_t clockHz);

// The chip's first config word for that oscillator; a crystal's mode follows
// its frequency. Internal only on a chip that has one.
std::uint16_t configWordFor(const PicChip& chip, PicOscillator oscillator, std::uint32_t clockHz);

}  // namespace ryx
