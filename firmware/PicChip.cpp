#include "firmware/PicChip.h"

#include "firmware/ChipMemoryPins.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace ryx {
namespace {

// Sounds 1 to 4 of a bank on RB4 to RB7, which wake the chip on a change.
constexpr std::array<TriggerPin, 4> portBTriggers(std::uint8_t firstPin, std::uint16_t portAddress = 0x06) {
    return {{{{"RB4", firstPin}, 4, "PORTB", portAddress},
             {{"RB5", static_cast<std::uint8_t>(firstPin + 1)}, 5, "PORTB", portAddress},
             {{"RB6", static_cast<std::uint8_t>(firstPin + 2)}, 6, "PORTB", portAddress},
             {{"RB7", static_cast<std::uint8_t>(firstPin + 3)}, 7, "PORTB", portAddress}}};
}
constexpr std::uint16_t kPic18PortB = 0xF81;

// Enhanced mid-range: PORTA and PORTC with their falling-edge flags.
constexpr TriggerPin portATrigger(std::string_view name, std::uint8_t number, std::uint8_t bit, bool crystal = false) {
    return {{name, number}, bit, "PORTA", 0x0C, "IOCAF", 0x393, crystal};
}
constexpr TriggerPin portCTrigger(std::string_view name, std::uint8_t number, std::uint8_t bit) {
    return {{name, number}, bit, "PORTC", 0x0E, "IOCCF", 0x399, false};
}

constexpr RegisterSetting kEightMegahertz{"OSCCON", 0x8F, 0x70};
constexpr RegisterSetting kEnhancedEightMegahertz{"OSCCON", 0x99, 0x70};  // IRCF 1110, no PLL
// PIC18: IRCF 111, the fastest internal clock (8 MHz, or 16 MHz on the K22s).
constexpr RegisterSetting kPic18FastestInternal{"OSCCON", 0xFD3, 0x70};

// Enhanced mid-range: CONFIG1 with fail-safe monitor, switch-over, CLKOUT and
// code protection off; CONFIG2 with the 4x PLL, debugger and LVP off.
constexpr std::uint16_t kEnhancedConfig1 = 0x09C0;
constexpr std::uint16_t kEnhancedConfig2 = 0x1EFF;

// PIC18 config bytes in pairs, as gpasm's CONFIG directive makes them
// (unimplemented bits and bytes 0): CONFIG1L/1H, 2L/2H, 3L/3H, 4L/4H.
// Fail-safe monitor and switch-over off; power-up timer on; brown-out and
// watchdog off; PORTB digital at reset; MCLR on; stack reset on; LVP, XINST
// and the debugger off. Code protection stays erased: off.
constexpr std::array<ConfigRecord, 4> kPic18F2520Config{{{0x180000, 0x0000}, {0x180001, 0x1E18},
                                                         {0x180002, 0x8100}, {0x180003, 0x0081}}};
// The same on the K22, with the primary clock enabled (PRICLKEN).
constexpr std::array<ConfigRecord, 4> kPic18FK22Config{{{0x180000, 0x2000}, {0x180001, 0x3C18},
                                                        {0x180002, 0xBD00}, {0x180003, 0x0081}}};
constexpr std::uint16_t kPic18InternalOscillator = 0x0800;  // FOSC 1000: INTIO67

// Config words as the assembler's own processor headers define the bits;
// pin numbers are those of the DIP package.
constexpr std::array<PicChip, 12> kChips{{
    {.name = "PIC12F683",
     .processor = "12f683",
     .family = PicFamily::midRange,
     .programWords = 2048,
     .readsProgramMemory = false,
     .portName = "GPIO",
     .portAddress = 0x05,
     .trisName = "TRISIO",
     .trisAddress = 0x85,
     .pinA = {"GP0", 7},
     .pinB = {"GP1", 6},
     .internalClockHz = 8000000,
     .config = {{{0x2007, 0x30E0}}},
     .internalOscillatorBits = 0x4,
     .oscillatorShift = 0,
     .internalClockSetup = {kEightMegahertz},
     .pinSetup = {{{"CMCON0", 0x19, 0x07}, {"ANSEL", 0x9F, 0x00, 0x01, 0x02}}},
     // GP3 is the reset pin; GP4 and GP5 hold a crystal.
     .triggerPins = {{{{"GP2", 5}, 2, "GPIO", 0x05},
                      {{"GP4", 3}, 4, "GPIO", 0x05, {}, 0, true},
                      {{"GP5", 2}, 5, "GPIO", 0x05, {}, 0, true}}},
     .triggerSetup = {{{"WPU", 0x95, 0x34}, {"IOC", 0x96, 0x34}}},
     .memoryPins = memorypins::kPic12F683},
    {.name = "PIC16F628A",
     .processor = "16f628a",
     .family = PicFamily::midRange,
     .programWords = 2048,
     .readsProgramMemory = false,
     .portName = "PORTB",
     .portAddress = 0x06,
     .trisName = "TRISB",
     .trisAddress = 0x86,
     .pinA = {"RB0", 6},
     .pinB = {"RB1", 7},
     .internalClockHz = 4000000,
     .config = {{{0x2007, 0x3F20}}},
     .internalOscillatorBits = 0x10,
     .oscillatorShift = 0,
     .internalClockSetup = {},
     .pinSetup = {},
     .triggerPins = portBTriggers(10),
     .triggerSetup = {},
     .memoryPins = memorypins::kPic16F628A},
    {.name = "PIC16F648A",
     .processor = "16f648a",
     .family = PicFamily::midRange,
     .programWords = 4096,
     .readsProgramMemory = false,
     .portName = "PORTB",
     .portAddress = 0x06,
     .trisName = "TRISB",
     .trisAddress = 0x86,
     .pinA = {"RB0", 6},
     .pinB = {"RB1", 7},
     .internalClockHz = 4000000,
     .config = {{{0x2007, 0x3F20}}},
     .internalOscillatorBits = 0x10,
     .oscillatorShift = 0,
     .internalClockSetup = {},
     .pinSetup = {},
     .triggerPins = portBTriggers(10),
     .triggerSetup = {},
     .memoryPins = memorypins::kPic16F628A},
    {.name = "PIC16F88",
     .processor = "16f88",
     .family = PicFamily::midRange,
     .programWords = 4096,
     .readsProgramMemory = true,
     .portName = "PORTB",
     .portAddress = 0x06,
     .trisName = "TRISB",
     .trisAddress = 0x86,
     .pinA = {"RB0", 6},
     .pinB = {"RB1", 7},
     .internalClockHz = 8000000,
     .config = {{{0x2007, 0x3F20}, {0x2008, 0x3FFC}}},
     .internalOscillatorBits = 0x10,
     .oscillatorShift = 0,
     .internalClockSetup = {kEightMegahertz},
     .pinSetup = {},
     .triggerPins = portBTriggers(10),
     .triggerSetup = {{{"ANSEL", 0x9B, 0x00}}},
     .memoryPins = memorypins::kPic16F88},
    {.name = "PIC12F1840",
     .processor = "12f1840",
     .family = PicFamily::enhancedMidRange,
     .programWords = 4096,
     .readsProgramMemory = true,
     .portName = "PORTA",
     .portAddress = 0x0C,
     .trisName = "TRISA",
     .trisAddress = 0x8C,
     .pinA = {"RA0", 7},
     .pinB = {"RA1", 6},
     .internalClockHz = 8000000,
     .config = {{{0x8007, kEnhancedConfig1}, {0x8008, kEnhancedConfig2}}},
     .internalOscillatorBits = 0x4,
     .oscillatorShift = 0,
     .internalClockSetup = {kEnhancedEightMegahertz},
     .pinSetup = {{{"ANSELA", 0x18C, 0x00, 0x01, 0x02}}},
     // RA3 is the reset pin; RA4 and RA5 hold a crystal.
     .triggerPins = {{portATrigger("RA2", 5, 2), portATrigger("RA4", 3, 4, true), portATrigger("RA5", 2, 5, true)}},
     .triggerSetup = {{{"WPUA", 0x20C, 0x34}, {"IOCAN", 0x392, 0x34}}},
     .memoryPins = memorypins::kPic12F1840},
    {.name = "PIC16F876A",
     .processor = "16f876a",
     .family = PicFamily::midRange,
     .programWords = 8192,
     .readsProgramMemory = true,
     .portName = "PORTB",
     .portAddress = 0x06,
     .trisName = "TRISB",
     .trisAddress = 0x86,
     .pinA = {"RB0", 21},
     .pinB = {"RB1", 22},
     .internalClockHz = 0,
     .config = {{{0x2007, 0x3F30}}},
     .internalOscillatorBits = 0,
     .oscillatorShift = 0,
     .internalClockSetup = {},
     .pinSetup = {},
     .triggerPins = portBTriggers(25),
     .triggerSetup = {},
     .memoryPins = memorypins::kPic16F876A},
    {.name = "PIC16F877A",
     .processor = "16f877a",
     .family = PicFamily::midRange,
     .programWords = 8192,
     .readsProgramMemory = true,
     .portName = "PORTB",
     .portAddress = 0x06,
     .trisName = "TRISB",
     .trisAddress = 0x86,
     .pinA = {"RB0", 33},
     .pinB = {"RB1", 34},
     .internalClockHz = 0,
     .config = {{{0x2007, 0x3F30}}},
     .internalOscillatorBits = 0,
     .oscillatorShift = 0,
     .internalClockSetup = {},
     .pinSetup = {},
     .triggerPins = portBTriggers(37),
     .triggerSetup = {},
     .memoryPins = memorypins::kPic16F877A},
    {.name = "PIC16F887",
     .processor = "16f887",
     .family = PicFamily::midRange,
     .programWords = 8192,
     .readsProgramMemory = true,
     .portName = "PORTB",
     .portAddress = 0x06,
     .trisName = "TRISB",
     .trisAddress = 0x86,
     .pinA = {"RB0", 33},
     .pinB = {"RB1", 34},
     .internalClockHz = 8000000,
     .config = {{{0x2007, 0x20E0}, {0x2008, 0x3FFF}}},
     .internalOscillatorBits = 0x4,
     .oscillatorShift = 0,
     .internalClockSetup = {kEightMegahertz},
     .pinSetup = {{{"ANSELH", 0x189, 0x00, 0x10, 0x04}}},  // RB0 is AN12, RB1 AN10
     .triggerPins = portBTriggers(37),
     .triggerSetup = {{{"IOCB", 0x96, 0xF0}}},
     .memoryPins = memorypins::kPic16F877A},
    {.name = "PIC16F1825",
     .processor = "16f1825",
     .family = PicFamily::enhancedMidRange,
     .programWords = 8192,
     .readsProgramMemory = true,
     .portName = "PORTC",
     .portAddress = 0x0E,
     .trisName = "TRISC",
     .trisAddress = 0x8E,
     .pinA = {"RC0", 10},
     .pinB = {"RC1", 9},
     .internalClockHz = 8000000,
     .config = {{{0x8007, kEnhancedConfig1}, {0x8008, kEnhancedConfig2}}},
     .internalOscillatorBits = 0x4,
     .oscillatorShift = 0,
     .internalClockSetup = {kEnhancedEightMegahertz},
     .pinSetup = {{{"ANSELC", 0x18E, 0x00, 0x01, 0x02}}},
     // Only PORTA wakes this chip on a change; RA3 is the reset pin, RA4 and RA5 hold a crystal.
     .triggerPins = {{portATrigger("RA2", 11, 2), portATrigger("RA4", 3, 4, true), portATrigger("RA5", 2, 5, true),
                      portATrigger("RA1", 12, 1)}},
     .triggerSetup = {{{"ANSELA", 0x18C, 0x00}, {"WPUA", 0x20C, 0x36}, {"IOCAN", 0x392, 0x36}}},
     .memoryPins = memorypins::kPic16F1825},
    {.name = "PIC16F1709",
     .processor = "16f1709",
     .family = PicFamily::enhancedMidRange,
     .programWords = 8192,
     .readsProgramMemory = true,
     .portName = "PORTC",
     .portAddress = 0x0E,
     .trisName = "TRISC",
     .trisAddress = 0x8E,
     .pinA = {"RC0", 16},
     .pinB = {"RC1", 15},
     .internalClockHz = 8000000,
     .config = {{{0x8007, kEnhancedConfig1}, {0x8008, kEnhancedConfig2}}},
     .internalOscillatorBits = 0x4,
     .oscillatorShift = 0,
     .internalClockSetup = {kEnhancedEightMegahertz},
     .pinSetup = {{{"ANSELC", 0x18E, 0x00, 0x01, 0x02}}},
     // Clear of the crystal's RA4 and RA5 and of the reset pin RA3.
     .triggerPins = {{portATrigger("RA2", 17, 2), portCTrigger("RC2", 14, 2), portCTrigger("RC3", 7, 3),
                      portCTrigger("RC4", 6, 4)}},
     .triggerSetup = {{{"ANSELA", 0x18C, 0x00}, {"WPUA", 0x20C, 0x04}, {"WPUC", 0x20E, 0x1C}, {"IOCAN", 0x392, 0x04},
                       {"IOCCN", 0x398, 0x1C}}},
     .memoryPins = memorypins::kPic16F1709},
    {.name = "PIC18F2520",
     .processor = "18f2520",
     .family = PicFamily::pic18,
     .programWords = 16384,
     .readsProgramMemory = true,
     .portName = "PORTB",
     .portAddress = 0xF81,
     .trisName = "TRISB",
     .trisAddress = 0xF93,
     .pinA = {"RB0", 21},
     .pinB = {"RB1", 22},
     .internalClockHz = 8000000,
     .config = kPic18F2520Config,
     .internalOscillatorBits = kPic18InternalOscillator,
     .oscillatorShift = 8,
     .internalClockSetup = {kPic18FastestInternal},
     .pinSetup = {},
     // Digital at reset: the config leaves PBADEN off.
     .triggerPins = portBTriggers(25, kPic18PortB),
     .triggerSetup = {},
     .memoryPins = memorypins::kPic18F2520},
    {.name = "PIC18F26K22",
     .processor = "18f26k22",
     .family = PicFamily::pic18,
     .programWords = 32768,
     .readsProgramMemory = true,
     .portName = "PORTB",
     .portAddress = 0xF81,
     .trisName = "TRISB",
     .trisAddress = 0xF93,
     .pinA = {"RB0", 21},
     .pinB = {"RB1", 22},
     .internalClockHz = 16000000,
     .config = kPic18FK22Config,
     .internalOscillatorBits = kPic18InternalOscillator,
     .oscillatorShift = 8,
     .internalClockSetup = {kPic18FastestInternal},
     .pinSetup = {{{"ANSELB", 0xF39, 0x00, 0x01, 0x02}}},  // RB4 and RB5 digital as well
     .mediumPowerCrystalBits = 3,  // HSMP; HSHP (2) above 16 MHz
     .triggerPins = portBTriggers(25, kPic18PortB),
     .triggerSetup = {{{"WPUB", 0xF61, 0xF0}, {"IOCB", 0xF62, 0xF0}}},
     .memoryPins = memorypins::kPic18F26K22},
}};

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const PicChip> picChips() { return kChips; }

const PicChip& defaultPicChip() { return *findPicChip(kDefaultPicChip); }

std::string pinLabel(const PicPin& pin) {
    return std::string(pin.name) + " (pin " + std::to_string(pin.number) + ")";
}

std::size_t triggerPinCount(const PicChip& chip) {
    return static_cast<std::size_t>(std::count_if(chip.triggerPins.begin(), chip.triggerPins.end(),
                                                  [](const TriggerPin& pin) { return !pin.pin.name.empty(); }));
}

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
    } else if (clockHz <= kMediumPowerCrystalMaxHz && chip.mediumPowerCrystalBits != 0) {
        bits = chip.mediumPowerCrystalBits;
    }
    if (oscillator != PicOscillator::internal) bits = static_cast<std::uint16_t>(bits << chip.oscillatorShift);
    return static_cast<std::uint16_t>(chip.config[0].value | bits);
}

std::vector<ConfigRecord> configRecordsFor(const PicChip& chip, PicOscillator oscillator, std::uint32_t clockHz,
                                           bool resetPinInput) {
    std::vector<ConfigRecord> records;
    for (const ConfigRecord& record : chip.config) {
        if (record.address != 0) records.push_back(record);
    }
    records.front().value = configWordFor(chip, oscillator, clockHz);
    if (resetPinInput) records.front().value &= static_cast<std::uint16_t>(~chip.memoryPins.resetPinConfigMask);
    return records;
}

}  // namespace ryx
