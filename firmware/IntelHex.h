#pragma once
// Program memory (or any bytes) as Intel HEX, laid out as gpasm lays it out: an extended
// linear address record for the first 64 KiB and another wherever a data
// record enters a new 64 KiB segment; data records of up to 16 bytes that
// never cross a 16-byte boundary nor a gap; words little-endian, LF line ends.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ryx {

// Words at consecutive word addresses from `address`.
struct ProgramWords {
    std::uint32_t address = 0;
    std::vector<std::uint16_t> words;
    bool operator==(const ProgramWords&) const = default;
};

// Runs in ascending order of address, none overlapping, within the 4 GiB of
// bytes the format addresses.
std::string formatIntelHex(std::span<const ProgramWords> runs);

// Bytes from a byte address, as a serial memory's programmer reads them.
std::string formatIntelHexBytes(std::uint32_t address, std::span<const std::uint8_t> bytes);

}  // namespace ryx
