#pragma once
// The PIC microcontrollers a program can be made for: one row per chip.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ryx {

// One register set up before playing (a name the assembler file defines).
struct RegisterSetting {
    std::string_view name;  // empty: no setting
    std::uint16_t address = 0;
    std::uint8_t value = 0;
    // An analog select register: pin A's and pin B's bits in it. A routine
    // clears only those, keeping the user's analog inputs; 0: a whole value.
    std::uint8_t pinABit = 0;
    std::uint8_t pinBBit = 0;
};

// A port pin: its name and its pin number on the DIP package.
struct PicPin {
    std::string_view name;  // "RB0"
    std::uint8_t number = 0;
};

// An input that starts a sound of a bank: its pin, its bit in the port that
// reads it (not always the port of pins A and B).
struct TriggerPin {
    PicPin pin;
    std::uint8_t bit = 0;
    std::string_view portName;  // "PORTB"
    std::uint16_t portAddress = 0;
    // Enhanced mid-range: the port's falling-edge flags (IOCAF), cleared
    // before sleeping; empty where a port read ends the change (RBIF, GPIF).
    std::string_view changeFlagsName = {};
    std::uint16_t changeFlagsAddress = 0;
    bool crystalPin = false;  // an oscillator pin: free on the internal oscillator only
};

// A pin of the serial memory's bus: the registers that drive and read it.
struct MemoryPin {
    PicPin pin;
    std::uint8_t bit = 0;
    std::string_view portName;
    std::uint16_t portAddress = 0;
    std::string_view trisName;
    std::uint16_t trisAddress = 0;
    // Its bit in the chip's analog select register (a routine clears only
    // that one): kPortBit where it is the port bit, kNoAnalog where none.
    std::int8_t analogBit = kPortBit;

    static constexpr std::int8_t kPortBit = -1;
    static constexpr std::int8_t kNoAnalog = -2;
};

// ssp: SPI master, I2C slave only; mssp: SPI and I2C master.
enum class SerialPortKind { none, ssp, mssp };

// The chip's synchronous serial port, which the player may use where the
// memory's pins are its pins.
struct SerialPortPins {
    SerialPortKind kind = SerialPortKind::none;
    PicPin clock;    // SCL and SCK
    PicPin dataIn;   // SDA and SDI
    PicPin dataOut;  // SDO
};

// Where a serial memory is wired: never on pins A and B, and on a port of
// its own where the chip has one free (the player writes its whole port).
struct ChipMemoryPins {
    // I2C: each line driven low through its TRIS bit (its port bit 0) and
    // released to a 4.7k pull-up.
    MemoryPin scl;
    MemoryPin sda;
    // SPI, mode 0: SI carries data into the memory, SO out of it.
    MemoryPin cs;
    MemoryPin sck;
    MemoryPin si;
    MemoryPin so;
    std::array<RegisterSetting, 1> setup{};  // makes them digital where pinSetup does not
    // SO on the input-only reset pin: the first config word's MCLR enable,
    // cleared when the memory is an SPI one.
    std::uint16_t resetPinConfigMask = 0;
    SerialPortPins serialPort{};
};

struct PicChip;

// How many trigger pins the chip has: 0 where none wake it.
std::size_t triggerPinCount(const PicChip& chip);

// "RB0 (pin 6)": how the wiring texts name a pin.
std::string pinLabel(const PicPin& pin);

// The instruction sets: mid-range (14-bit words, banks through STATUS),
// enhanced mid-range (the same words plus movlb, 32 banks through BSR, config
// at 0x8007) and PIC18 (16-bit words, byte addresses, table reads).
enum class PicFamily { midRange, enhancedMidRange, pic18 };

// One config word: its program-memory word address and value. A PIC18's
// config bytes come in pairs, the low byte's address halved.
struct ConfigRecord {
    std::uint32_t address = 0;  // 0: no record
    std::uint16_t value = 0;
};

struct PicChip {
    std::string_view name;       // "PIC16F628A"
    std::string_view processor;  // "16f628a": the assembler's and simulator's name
    PicFamily family;
    std::uint32_t programWords;
    bool readsProgramMemory;     // packed tables: the player reads whole program words
    std::string_view portName;   // the register that drives both pins
    std::uint16_t portAddress;
    std::string_view trisName;
    std::uint16_t trisAddress;
    PicPin pinA;                 // bit 0 of the port
    PicPin pinB;                 // bit 1 of the port
    std::uint32_t internalClockHz;  // 0: a crystal is needed
    // Config words with the oscillator bits of the first at "low-power
    // crystal" (all zero): watchdog off, power-up timer on, brown-out off, no
    // code protection, low-voltage programming off, MCLR a reset pin.
    std::array<ConfigRecord, 4> config;
    std::uint16_t internalOscillatorBits;  // in place in the first record
    std::uint8_t oscillatorShift;          // where the LP/XT/HS codes sit in the first record
    std::array<RegisterSetting, 1> internalClockSetup;  // selects the internal clock's frequency
    std::array<RegisterSetting, 2> pinSetup;            // makes both pins plain digital pins
    // A chip whose high-speed crystal mode has a medium-power setting for
    // crystals up to 16 MHz (the K22's HSMP): its code; 0 when it has none.
    std::uint16_t mediumPowerCrystalBits = 0;
    // Sound k of a bank plays when pin k is pulled low (with a pull-up and
    // wake-up on change); none: no pin triggers. Selected by number, pin 0 is
    // the strobe and pins 1, 2, 3 the number's bits 0, 1, 2.
    std::array<TriggerPin, 4> triggerPins{};
    // Makes them digital inputs with pull-ups that wake the chip (ANSEL, WPU,
    // IOC); the pull-up enable and the wake-up enable in INTCON follow the family.
    std::array<RegisterSetting, 5> triggerSetup{};
    ChipMemoryPins memoryPins{};
};

inline constexpr std::uint16_t kOscillatorLowPower = 0;  // crystal up to 200 kHz
inline constexpr std::uint16_t kOscillatorCrystal = 1;   // crystal up to 4 MHz
inline constexpr std::uint16_t kOscillatorHighSpeed = 2; // crystal above 4 MHz
inline constexpr std::uint32_t kMediumPowerCrystalMaxHz = 16000000;

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
// its frequency (on a PIC18 the mode sits in CONFIG1H, the word's high byte).
// Internal only on a chip that has one.
std::uint16_t configWordFor(const PicChip& chip, PicOscillator oscillator, std::uint32_t clockHz);

// All the chip's config records, the first with configWordFor's value;
// with resetPinInput, its MCLR enable cleared (memoryPins.resetPinConfigMask):
// the reset pin is an input.
std::vector<ConfigRecord> configRecordsFor(const PicChip& chip, PicOscillator oscillator, std::uint32_t clockHz,
                                           bool resetPinInput = false);

}  // namespace ryx
