#include "core/CircuitModel.h"

#include "core/ProgramState.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ryx {
namespace {

// Mantissas x 10 of one decade.
constexpr std::array<double, 12> kE12{10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82};
constexpr std::array<double, 24> kE24{10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                                      33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};

template <std::size_t kCount>
double nearestByRatio(double ohms, const std::array<double, kCount>& mantissas) {
    const double decade = std::pow(10.0, std::floor(std::log10(ohms)) - 1);
    double best = ohms;
    double bestDistance = std::numeric_limits<double>::infinity();
    // The decade below and above as well: log10 may land a hair off a boundary.
    for (const double scale : {decade / 10, decade, decade * 10}) {
        for (const double mantissa : mantissas) {
            const double candidate = mantissa * scale;
            const double distance = std::abs(std::log(ohms / candidate));
            if (distance < bestDistance) {
                best = candidate;
                bestDistance = distance;
            }
        }
    }
    return best;
}

// R for "1 bit": the step of an RC filter over one sample is 1 - exp(-T/RC),
// which is 1/f for this R.
double exactResistorOhms(const CircuitParts& parts, std::int8_t fineness, std::uint32_t sampleRate) {
    if (sampleRate == 0) return 0;  // no sample period, no rule
    const double f = std::max<double>(fineness, 1);
    return -1.0 / (sampleRate * parts.capacitanceFarads * std::log(1.0 - 1.0 / f));
}

}  // namespace

double roundToSeries(double ohms, ResistorSeries series) {
    if (!(ohms > 0) || !std::isfinite(ohms)) return ohms;
    switch (series) {
    case ResistorSeries::e12: return nearestByRatio(ohms, kE12);
    case ResistorSeries::e24: return nearestByRatio(ohms, kE24);
    case ResistorSeries::exact:
    case ResistorSeries::given: break;
    }
    return ohms;
}

CircuitResistors circuitResistors(const CircuitParts& parts, std::int8_t algorithmType, std::int8_t fineness,
                                  std::uint32_t sampleRate) {
    const bool oneAndHalf = algorithmType == kAlgorithmOneAndHalfBit;
    const double r = exactResistorOhms(parts, fineness, sampleRate);
    CircuitResistors resistors;
    resistors.count = oneAndHalf ? 2 : 1;
    for (std::size_t k = 0; k < resistors.count; ++k) {
        ResistorValue& value = resistors.values[k];
        value.exactOhms = oneAndHalf ? 2 * r : r;
        const std::array<double, 2>& given = parts.resistors.givenOhms;
        value.boughtOhms = parts.resistors.series == ResistorSeries::given
                               ? (given[k] > 0 ? given[k] : given[0])
                               : roundToSeries(value.exactOhms, parts.resistors.series);
    }
    return resistors;
}

CircuitStep makeCircuitStep(const CircuitParts& parts, std::int8_t algorithmType, std::int8_t fineness,
                            std::uint32_t sampleRate) {
    const CircuitResistors resistors = circuitResistors(parts, algorithmType, fineness, sampleRate);
    std::array<double, 2> pinConductance{};  // siemens of pin A's and pin B's resistor
    double pinsConductance = 0;
    bool settles = sampleRate == 0;
    for (std::size_t k = 0; k < resistors.count; ++k) {
        const double ohms = resistors.values[k].boughtOhms;
        settles = settles || !(ohms > 0);
        pinConductance[k] = ohms > 0 ? 1.0 / ohms : 1.0;  // equal shares when there is no resistance
        pinsConductance += pinConductance[k];
    }
    const double load = parts.loadOhms > 0 ? 1.0 / parts.loadOhms : 0.0;
    const double period = sampleRate == 0 ? 0.0 : 1.0 / sampleRate;
    CircuitStep step;
    // The pins always connect to 0 or the supply, so the node's conductance,
    // and with it the decay, is the same for every pin state.
    step.decay = settles ? 0.0 : std::exp(-period * (pinsConductance + load) / parts.capacitanceFarads);
    for (std::uint32_t previousBit = 0; previousBit < 2; ++previousBit) {
        for (std::uint32_t bit = 0; bit < 2; ++bit) {
            // Where the node heads on the scale whose 1 is every pin high:
            // the load scales both alike, so it drops out.
            const double high = bit * pinConductance[0] + (resistors.count == 2 ? previousBit * pinConductance[1] : 0);
            step.offset[previousBit][bit] = (1 - step.decay) * (high / pinsConductance);
        }
    }
    return step;
}

std::vector<double> replayCircuitLevels(std::span<const std::uint8_t> bits, const CircuitStep& step) {
    std::vector<double> levels(bits.size());
    double u = kCircuitStartLevel;
    std::uint32_t previousBit = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const std::uint32_t bit = bits[i] != 0 ? 1u : 0u;
        u = step.next(u, previousBit, bit);
        previousBit = bit;
        levels[i] = u;
    }
    return levels;
}

std::vector<std::uint16_t> replayCircuitVoltages(std::span<const std::uint8_t> bits, const CircuitStep& step) {
    const std::vector<double> levels = replayCircuitLevels(bits, step);
    std::vector<std::uint16_t> voltages(levels.size());
    std::transform(levels.begin(), levels.end(), voltages.begin(), circuitVoltage);
    return voltages;
}

}  // namespace ryx
