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

// The 8-pin chips have four pins beside A and B: I2C takes the crystal's two
// (trigger pins 2 and 3); SPI takes all four, SO on the input-only reset pin.
constexpr ChipMemoryPins kPic12F683{.scl = kGpio.pin("GP4", 3),
                                    .sda = kGpio.pin("GP5", 2),
                                    .cs = kGpio.pin("GP2", 5),
                                    .sck = kGpio.pin("GP4", 3),
                                    .si = kGpio.pin("GP5", 2),
                                    .so = kGpio.pin("GP3", 4),
                                    .resetPinConfigMask = 0x0020};  // MCLRE
// The MSSP's SCL/SCK is RA1, pin B: the bus is bit-banged.
constexpr ChipMemoryPins kPic12F1840{.scl = kEnhancedPortA.pin("RA4", 3),
                                     .sda = kEnhancedPortA.pin("RA5", 2),
                                     .cs = kEnhancedPortA.pin("RA2", 5),
                                     .sck = kEnhancedPortA.pin("RA4", 3),
                                     .si = kEnhancedPortA.pin("RA5", 2),
                                     .so = kEnhancedPortA.pin("RA3", 4),
                                     .resetPinConfigMask = 0x0040,  // CONFIG1's MCLRE
                                     .serialPort = {SerialPortKind::mssp, {"RA1", 6}, {"RA2", 5}, {"RA0", 7}}};

// 18-pin chips: RA0 to RA3, clear of the triggers on PORTB and the crystal
// on RA6 and RA7. The 16F628A's comparators hold RA0 to RA3 until switched off.
constexpr ChipMemoryPins kPic16F628A{.scl = kMidRangePortA.pin("RA0", 17),
                                     .sda = kMidRangePortA.pin("RA1", 18),
                                     .cs = kMidRangePortA.pin("RA2", 1),
                                     .sck = kMidRangePortA.pin("RA0", 17),
                                     .si = kMidRangePortA.pin("RA1", 18),
                                     .so = kMidRangePortA.pin("RA3", 2),
                                     .setup = {{{"CMCON", 0x1F, 0x07}}}};
// Its SSP (no I2C master) sits on RB1 (pin B) and RB4 (trigger 1).
constexpr ChipMemoryPins kPic16F88{.scl = kMidRangePortA.pin("RA0", 17),
                                   .sda = kMidRangePortA.pin("RA1", 18),
                                   .cs = kMidRangePortA.pin("RA2", 1),
                                   .sck = kMidRangePortA.pin("RA0", 17),
                                   .si = kMidRangePortA.pin("RA1", 18),
                                   .so = kMidRangePortA.pin("RA3", 2),
                                   .setup = {{{"ANSEL", 0x9B, 0x00}}},
                                   .serialPort = {SerialPortKind::ssp, {"RB4", 10}, {"RB1", 7}, {"RB2", 8}}};

// 28- and 40-pin chips: the MSSP's own pins on PORTC, CS beside them.
constexpr ChipMemoryPins kPic16F876A{.scl = kMidRangePortC.pin("RC3", 14),
                                     .sda = kMidRangePortC.pin("RC4", 15),
                                     .cs = kMidRangePortC.pin("RC2", 13),
                                     .sck = kMidRangePortC.pin("RC3", 14),
                                     .si = kMidRangePortC.pin("RC5", 16),
                                     .so = kMidRangePortC.pin("RC4", 15),
                                     .serialPort = {SerialPortKind::mssp, {"RC3", 14}, {"RC4", 15}, {"RC5", 16}}};
constexpr ChipMemoryPins kPic16F877A{.scl = kMidRangePortC.pin("RC3", 18),
                                     .sda = kMidRangePortC.pin("RC4", 23),
                                     .cs = kMidRangePortC.pin("RC2", 17),
                                     .sck = kMidRangePortC.pin("RC3", 18),
                                     .si = kMidRangePortC.pin("RC5", 24),
                                     .so = kMidRangePortC.pin("RC4", 23),
                                     .serialPort = {SerialPortKind::mssp, {"RC3", 18}, {"RC4", 23}, {"RC5", 24}}};
constexpr ChipMemoryPins kPic18F2520{.scl = kPic18PortC.pin("RC3", 14),
                                     .sda = kPic18PortC.pin("RC4", 15),
                                     .cs = kPic18PortC.pin("RC2", 13),
                                     .sck = kPic18PortC.pin("RC3", 14),
                                     .si = kPic18PortC.pin("RC5", 16),
                                     .so = kPic18PortC.pin("RC4", 15),
                                     .serialPort = {SerialPortKind::mssp, {"RC3", 14}, {"RC4", 15}, {"RC5", 16}}};
// MSSP1; MSSP2's clock would be RB1, pin B. PORTC is analog at reset.
constexpr ChipMemoryPins kPic18F26K22{.scl = kPic18PortC.pin("RC3", 14),
                                      .sda = kPic18PortC.pin("RC4", 15),
                                      .cs = kPic18PortC.pin("RC2", 13),
                                      .sck = kPic18PortC.pin("RC3", 14),
                                      .si = kPic18PortC.pin("RC5", 16),
                                      .so = kPic18PortC.pin("RC4", 15),
                                      .setup = {{{"ANSELC", 0xF3A, 0x00}}},
                                      .serialPort = {SerialPortKind::mssp, {"RC3", 14}, {"RC4", 15}, {"RC5", 16}}};

// Only PORTA wakes the 16F1825, and its trigger pins and crystal fill PORTA:
// the memory shares PORTC with the sound, whose MSSP pins RC0 and RC1 are
// pins A and B (bit-banged).
constexpr ChipMemoryPins kPic16F1825{.scl = kEnhancedPortC.pin("RC2", 8),
                                     .sda = kEnhancedPortC.pin("RC3", 7),
                                     .cs = kEnhancedPortC.pin("RC4", 6),
                                     .sck = kEnhancedPortC.pin("RC2", 8),
                                     .si = kEnhancedPortC.pin("RC3", 7),
                                     .so = kEnhancedPortC.pin("RC5", 5),
                                     .serialPort = {SerialPortKind::mssp, {"RC0", 10}, {"RC1", 9}, {"RC2", 8}}};
// PORTB is free; the MSSP's inputs start on RB6 and RB4 and its outputs
// are routed to any pin (peripheral pin select): SDO to RB5.
constexpr ChipMemoryPins kPic16F1709{.scl = kEnhancedPortB.pin("RB6", 11),
                                     .sda = kEnhancedPortB.pin("RB4", 13),
                                     .cs = kEnhancedPortB.pin("RB7", 10),
                                     .sck = kEnhancedPortB.pin("RB6", 11),
                                     .si = kEnhancedPortB.pin("RB5", 12),
                                     .so = kEnhancedPortB.pin("RB4", 13),
                                     .setup = {{{"ANSELB", 0x18D, 0x00}}},
                                     .serialPort = {SerialPortKind::mssp, {"RB6", 11}, {"RB4", 13}, {"RB5", 12}}};

}  // namespace ryx::memorypins
