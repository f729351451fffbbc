#pragma once
// The two drop-down lists: their items (also what ryxenc accepts and prints),
// and the logic from the chosen item's text to the setting, then a new
// encode of the sound in memory.

#include "core/Encoder.h"
#include "core/ProgramState.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace ryx {

struct SchemeEntry {
    std::string_view itemText;     // the list's item
    std::string_view optionValue;  // ryxenc's --scheme value
    std::int8_t algorithmType;
};

inline constexpr std::array<SchemeEntry, 2> schemeTable{{
    {"1 bit", "1", kAlgorithmOneBit},
    {"1.5 bit", "1.5", kAlgorithmOneAndHalfBit},
}};

// The items that show a setting ("Ryx16", "1.5 bit"); empty for a value
// that no item has.
std::string_view finenessItemText(std::int8_t fineness);
std::string_view schemeItemText(std::int8_t algorithmType);

// "Ryx4" ... "Ryx32"; any other text gives 16. Then encodes.
void selectFineness(ProgramState& state, std::string_view itemText);
// "1.5 bit" (second character '.') gives 15, anything else 1. Then encodes.
void selectAlgorithmType(ProgramState& state, std::string_view itemText);

}  // namespace ryx
