#include "core/CircuitLabels.h"

#include "core/CircuitModel.h"

#include <array>
#include <charconv>
#include <cmath>

namespace ryx {
namespace {

constexpr double kWholeOhmsFrom = 100;
constexpr double kWholeOhmsBelow = 1e15;

// Under "1.5 bit" pin A's and pin B's resistor differ only when both are given.
bool sameResistors(const CircuitResistors& resistors) {
    return resistors.count == 1 || resistors.values[0].boughtOhms == resistors.values[1].boughtOhms;
}

std::string resistorsText(const EncoderState& encoder, const CircuitParts& parts) {
    const CircuitResistors resistors =
        circuitResistors(parts, encoder.algorithmType, encoder.fineness, encoder.sampleRate);
    // Both resistors of "1.5 bit" should be the same exact 2R.
    const std::string exact = exactOhmsText(resistors.values[0].exactOhms);
    // Exact parts: the exact value was modelled; beside it the nearest value
    // of the finer series, the one to buy.
    if (parts.resistors.series == ResistorSeries::exact) {
        return std::string(resistors.count == 1 ? "R = " : "each 2R = ") + exact + " ohms (exact; nearest E24 " +
               formatOhms(roundToSeries(resistors.values[0].exactOhms, ResistorSeries::e24)) + ")";
    }
    const std::string first = formatOhms(resistors.values[0].boughtOhms);
    std::string text;
    if (resistors.count == 1) {
        text = "R = " + first;
    } else if (sameResistors(resistors)) {
        text = "each 2R = " + first;
    } else {
        text = "2R = " + first + " at A, " + formatOhms(resistors.values[1].boughtOhms) + " at B";
    }
    return text + " (exact " + exact + ") ohms";
}

}  // namespace

std::string exactOhmsText(double ohms) {
    if (!(ohms > 0) || !std::isfinite(ohms)) return "0";
    if (ohms >= kWholeOhmsFrom && ohms < kWholeOhmsBelow) return std::to_string(std::llround(ohms));
    std::array<char, 32> buffer{};
    const auto written =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), ohms, std::chars_format::general, 4);
    return std::string(buffer.data(), written.ptr);
}

CircuitLabels circuitLabels(const ProgramState& state) { return circuitLabels(state.encoder, state.circuitParts); }

CircuitLabels circuitLabels(const EncoderState& encoder, const CircuitParts& parts) {
    CircuitLabels labels;
    labels.resistors = resistorsText(encoder, parts);
    labels.capacitor = "C = " + formatCapacitance(parts.capacitanceFarads) + "F";
    if (parts.loadOhms > 0) labels.load = "load " + formatOhms(parts.loadOhms) + " ohms";
    return labels;
}

std::string circuitModelText(const ProgramState& state) {
    const CircuitLabels labels = circuitLabels(state);
    return "circuit model, " + labels.resistors + ", " + labels.capacitor +
           (labels.load.empty() ? "" : ", " + labels.load);
}

}  // namespace ryx
