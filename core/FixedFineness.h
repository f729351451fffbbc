#pragma once
// Calls a function with the fineness as a compile-time divisor
// (std::integral_constant) for each value of the list, so that the divisions
// of the hot loops become multiplications; any other value is passed at run
// time (only the list's values are ever stored, but stay safe regardless).

#include <algorithm>
#include <cstdint>
#include <type_traits>

namespace ryx {

template <std::uint32_t kFineness>
using FixedDivisor = std::integral_constant<std::uint32_t, kFineness>;

template <typename Function>
decltype(auto) withFixedFineness(std::int8_t fineness, Function&& function) {
    switch (fineness) {
    case 4: return function(FixedDivisor<4>{});
    case 5: return function(FixedDivisor<5>{});
    case 6: return function(FixedDivisor<6>{});
    case 8: return function(FixedDivisor<8>{});
    case 11: return function(FixedDivisor<11>{});
    case 16: return function(FixedDivisor<16>{});
    case 21: return function(FixedDivisor<21>{});
    case 32: return function(FixedDivisor<32>{});
    default: return function(static_cast<std::uint32_t>(std::max<int>(fineness, 1)));
    }
}

}  // namespace ryx
