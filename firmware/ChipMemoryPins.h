#pragma once
// Each chip's serial-memory pins, for the chip table's rows (PicChip.cpp).
// Pin numbers are those of the DIP package; every choice keeps clear of pins
// A and B, and of the trigger pins and a crystal wherever the chip leaves
// enough pins for that (only the 8-pin chips do not).

#include "firmware/PicChip.h"

namespace ryx::memorypins {

constexpr std::uint8_t bitOf(std::string_view name) { return static_cast<std::uint8_t>(name.back() - '0'); }

struct PortRegisters {
    std::string_view port;
    std::uint16_t portAddress;
    std::string_view tris;
    std::uint16_t trisAddress;

    constexpr MemoryPin pin(std::string_view name, std::uint8_t number) const {
        return {{name, number}, bitOf(name), port, portAddress, tris, trisAddress};
    }
};

constexpr PortRegisters kGpio{"GPIO", 0x05, "TRISIO", 0x85};
constexpr PortRegisters kMidRangePortA{"PORTA", 0x05, "TRISA", 0x85};
constexpr PortRegisters kMidRangePortC{"PORTC", 0x07, "TRISC", 0x87};
constexpr PortRegisters kEnhancedPortA{"PORTA", 0x0C, "TRISA", 0x8C};
constexpr PortRegisters kEnhancedPortB{"PORTB", 0x0D, "TRISB", 0x8D};
constexpr PortRegisters kEnhancedPortC{"PORTC", 0x0E, "TRISC", 0x8E};
constexpr PortRegisters kPic18PortC{"PORTC", 0xF82, "TRISC", 0xF94};

// Bit-banged chips: SCK on SCL's pin and SI on SDA's, CS and SO beside them.
constexpr ChipMemoryPins bitBangedPins(const PortRegisters& port, PicPin scl, PicPin sda, PicPin cs, PicPin so) {
    return {.scl = port.pin(scl.name, scl.number),
            .sda = port.pin(sda.name, sda.number),
            .cs = port.pin(cs.name, cs.number),
            .sck = port.pin(scl.name, scl.number),
            .si = port.pin(sda.name, sda.number),
            .so = port.pin(so.name, so.number)};
}

// Where the memory's pins have no analog input, or their analog selects
// are the memory's own setup register (cleared bit by bit by a routine).
constexpr ChipMemoryPins withoutAnalog(ChipMemoryPins pins) {
    for (MemoryPin* pin : {&pins.scl, &pins.sda, &pins.cs, &pins.sck, &pins.si, &pins.so}) {
        pin->analogBit = MemoryPin::kNoAnalog;
    }
    return pins;
}

// The 8-pin chips have four pins beside A and B: I2C takes the crystal's two
// (trigger pins 2 and 3); SPI takes all four, SO on the input-only reset pin.
constexpr ChipMemoryPins kPic12F683 = [] {
    ChipMemoryPins pins = bitBangedPins(kGpio, {"GP4", 3}, {"GP5", 2}, {"GP2", 5}, {"GP3", 4});
    pins.resetPinConfigMask = 0x0020;  // MCLRE
    // ANSEL: GP4 is AN3; GP5 and GP3 have no analog input (bits 5 and 3 are others').
    pins.scl.analogBit = pins.sck.analogBit = 3;
    pins.sda.analogBit = pins.si.analogBit = pins.so.analogBit = MemoryPin::kNoAnalog;
    return pins;
}();
// The MSSP's SCL/SCK is RA1, pin B: the bus is bit-banged.
constexpr ChipMemoryPins kPic12F1840 = [] {
    ChipMemoryPins pins = bitBangedPins(kEnhancedPortA, {"RA4", 3}, {"RA5", 2}, {"RA2", 5}, {"RA3", 4});
    pins.resetPinConfigMask = 0x0040;  // CONFIG1's MCLRE
    pins.serialPort = {SerialPortKind::mssp, {"RA1", 6}, {"RA2", 5}, {"RA0", 7}};
    return pins;
}();

// 18-pin chips: RA0 to RA3, clear of the triggers on PORTB and the crystal
// on RA6 and RA7. The 16F628A's comparators hold RA0 to RA3 until switched off.
constexpr ChipMemoryPins kPic16F628A = [] {
    ChipMemoryPins pins = bitBangedPins(kMidRangePortA, {"RA0", 17}, {"RA1", 18}, {"RA2", 1}, {"RA3", 2});
    pins.setup = {{{"CMCON", 0x1F, 0x07}}};
    return withoutAnalog(pins);
}();
// Its SSP (no I2C master) sits on RB1 (pin B) and RB4 (trigger 1).
constexpr ChipMemoryPins kPic16F88 = [] {
    ChipMemoryPins pins = bitBangedPins(kMidRangePortA, {"RA0", 17}, {"RA1", 18}, {"RA2", 1}, {"RA3", 2});
    pins.setup = {{{"ANSEL", 0x9B, 0x00}}};
    pins.serialPort = {SerialPortKind::ssp, {"RB4", 10}, {"RB1", 7}, {"RB2", 8}};
    return withoutAnalog(pins);
}();

// 28- and 40-pin chips: the MSSP's own pins on PORTC, CS beside them; the
// pin numbers of RC2 to RC5.
constexpr ChipMemoryPins portCMssp(const PortRegisters& portC, std::uint8_t rc2, std::uint8_t rc3, std::uint8_t rc4,
                                   std::uint8_t rc5, RegisterSetting setup = {}) {
    return withoutAnalog({.scl = portC.pin("RC3", rc3),
            .sda = portC.pin("RC4", rc4),
            .cs = portC.pin("RC2", rc2),
            .sck = portC.pin("RC3", rc3),
            .si = portC.pin("RC5", rc5),
            .so = portC.pin("RC4", rc4),
            .setup = {setup},
            .serialPort = {SerialPortKind::mssp, {"RC3", rc3}, {"RC4", rc4}, {"RC5", rc5}}});
}
constexpr ChipMemoryPins kPic16F876A = portCMssp(kMidRangePortC, 13, 14, 15, 16);
constexpr ChipMemoryPins kPic16F877A = portCMssp(kMidRangePortC, 17, 18, 23, 24);
constexpr ChipMemoryPins kPic18F2520 = portCMssp(kPic18PortC, 13, 14, 15, 16);
// MSSP1; MSSP2's clock would be RB1, pin B. PORTC is analog at reset.
constexpr ChipMemoryPins kPic18F26K22 = portCMssp(kPic18PortC, 13, 14, 15, 16, {"ANSELC", 0xF3A, 0x00});

// Only PORTA wakes the 16F1825, and its trigger pins and crystal fill PORTA:
// the memory shares PORTC with the sound, whose MSSP pins RC0 and RC1 are
// pins A and B (bit-banged).
constexpr ChipMemoryPins kPic16F1825 = [] {
    ChipMemoryPins pins = bitBangedPins(kEnhancedPortC, {"RC2", 8}, {"RC3", 7}, {"RC4", 6}, {"RC5", 5});
    pins.serialPort = {SerialPortKind::mssp, {"RC0", 10}, {"RC1", 9}, {"RC2", 8}};
    return pins;
}();
// PORTB is free; the MSSP's inputs start on RB6 and RB4 and its outputs
// are routed to any pin (peripheral pin select): SDO to RB5.
constexpr ChipMemoryPins kPic16F1709 = withoutAnalog({.scl = kEnhancedPortB.pin("RB6", 11),
                                     .sda = kEnhancedPortB.pin("RB4", 13),
                                     .cs = kEnhancedPortB.pin("RB7", 10),
                                     .sck = kEnhancedPortB.pin("RB6", 11),
                                     .si = kEnhancedPortB.pin("RB5", 12),
                                     .so = kEnhancedPortB.pin("RB4", 13),
                                     .setup = {{{"ANSELB", 0x18D, 0x00}}},
                                     .serialPort = {SerialPortKind::mssp, {"RB6", 11}, {"RB4", 13}, {"RB5", 12}}});

}  // namespace ryx::memorypins
