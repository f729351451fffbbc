#pragma once
// Which filter the encoders model, and the parts of the real circuit when it
// is the circuit: plain values both front ends set, and the texts they read
// and show them as ("e12", "4.7k,10k", "220n", "10k").

#include "core/Result.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ryx {

// The integer model of the fineness tables, or the circuit's exact response.
enum class FilterModelChoice : std::uint8_t { classic, circuit };

// The resistors: as the fineness asks, rounded to a series one can buy, or given.
enum class ResistorSeries : std::uint8_t { exact, e12, e24, given };

struct ResistorParts {
    ResistorSeries series = ResistorSeries::exact;
    // "given": pin A's and pin B's resistor in ohms; B of 0 takes A's value.
    std::array<double, 2> givenOhms{};
};

inline constexpr double kDefaultCapacitanceFarads = 0.22e-6;

// The values one can buy, and so the values the parsers take: resistors and
// loads from 1 ohm to 100M, capacitors from 10 pF to 10 mF. Beyond them the
// model's figures lose their meaning (all-zero bits, exact values of 0 ohms).
inline constexpr double kMinPartOhms = 1.0;
inline constexpr double kMaxPartOhms = 100e6;
inline constexpr double kMinPartFarads = 10e-12;
inline constexpr double kMaxPartFarads = 10e-3;

struct CircuitParts {
    ResistorParts resistors;
    double capacitanceFarads = kDefaultCapacitanceFarads;
    double loadOhms = 0;  // a resistor from the node to ground; 0 means none
};

// "exact", "e12", "e24" (any case) or one or two resistances "OHMS[,OHMS]".
Result<ResistorParts> parseCircuitParts(std::string_view text);
// A resistance: a number with an optional k or M ("4700", "4.7k"), in range.
Result<double> parseOhms(std::string_view text);
// A load: a resistance, or "none" for no load (0).
Result<double> parseLoad(std::string_view text);
// A capacitance in farads: a number with an optional p, n, u or m and an
// optional F ("0.22u", "220n", "2.2e-7"), in range.
Result<double> parseCapacitance(std::string_view text);

// The texts the parsers read back to the same values (to four digits).
std::string formatCircuitParts(const ResistorParts& parts);
std::string formatOhms(double ohms);
std::string formatCapacitance(double farads);

}  // namespace ryx
