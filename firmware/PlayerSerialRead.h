#pragma once
// Reading the sound from a serial memory as it plays: a bit-banged I2C
// EEPROM or SPI memory on the chip's memory pins.
// At the start of a sound the index entry gives the sound's address and
// sample count, and one read command starts a sequential read. While the
// sound plays, each sample within a byte clocks in one bit of the next byte
// and the byte's last sample clocks in its eighth bit (and the I2C acknowledge),
// so every path between two samples stays short; the path walker measures
// them as it does a table read's.

#include "firmware/PlayerTableRead.h"

#include <memory>

namespace ryx {

// The eighth bit of every byte and its acknowledge, at each byte boundary.
inline constexpr std::string_view kMemoryByteLabel = "lastbit";

// For settings.memory; a bank's PlayerSound::firstWord is the sound's
// number in the memory's index.
std::unique_ptr<const PlayerTableRead> serialMemoryRead(const PlayerSettings& settings);

// Whether the player streams from settings.memory on settings.chip: an I2C
// memory of two address bytes or an SPI memory of three, on every family.
// The player counts a sound's byte reads in 24 bits.
bool serialMemoryPlayable(const PlayerSettings& settings);

// The fewest cycles per sample of the memory's player on the chip at
// clockHz (the bus's pads are counted at that clock).
std::uint32_t serialMemoryMinCycles(const PlayerSettings& settings);

}  // namespace ryx
