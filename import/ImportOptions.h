#pragma once
// How a sound of any kind is turned into the program's 8-bit mono sound.

#include <array>
#include <cstdint>

namespace ryx {

inline constexpr std::uint32_t kMinImportRate = 1000;
inline constexpr std::uint32_t kMaxImportRate = 48000;
// A whole number of instruction cycles per sample on a PIC at 4, 8 or 20 MHz.
inline constexpr std::uint32_t kDefaultImportRate = 15625;
// The rates offered in lists; any whole number in range may be typed too.
inline constexpr std::array<std::uint32_t, 8> kOfferedImportRates{8000,  10000, 11025, 12500,
                                                                  15625, 16000, 20000, 22050};

struct ImportOptions {
    std::uint32_t rate = kDefaultImportRate;
    bool normalize = true;  // remove DC, peak at -1 dBFS
    bool trim = true;       // drop leading and trailing silence below -45 dBFS
};

}  // namespace ryx
