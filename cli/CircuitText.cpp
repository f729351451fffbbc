#include "cli/CircuitText.h"

#include "core/CircuitModel.h"

#include <cmath>

namespace ryx::cli {
namespace {

std::string capacitorAndLoad(const CircuitParts& parts) {
    std::string text = "C = " + formatCapacitance(parts.capacitanceFarads) + "F";
    if (parts.loadOhms > 0) text += ", load " + formatOhms(parts.loadOhms) + " ohms";
    return text;
}

// Under "1.5 bit" pin A's and pin B's resistor differ only when both are given.
bool sameResistors(const CircuitResistors& resistors) {
    return resistors.count == 1 || resistors.values[0].boughtOhms == resistors.values[1].boughtOhms;
}

}  // namespace

std::string circuitSummaryText(const ProgramState& state) {
    const EncoderState& encoder = state.encoder;
    const CircuitResistors resistors =
        circuitResistors(state.circuitParts, encoder.algorithmType, encoder.fineness, encoder.sampleRate);
    const std::string exact = std::to_string(std::lround(resistors.values[0].exactOhms));
    // Exact parts: the value to buy is the exact one, said once.
    if (state.circuitParts.resistors.series == ResistorSeries::exact) {
        return "circuit model, " + std::string(resistors.count == 1 ? "R = " : "each 2R = ") + exact +
               " ohms (exact), " + capacitorAndLoad(state.circuitParts);
    }
    const std::string first = formatOhms(resistors.values[0].boughtOhms);
    std::string text = "circuit model, ";
    if (resistors.count == 1) {
        text += "R = " + first;
    } else if (sameResistors(resistors)) {
        text += "each 2R = " + first;
    } else {
        text += "2R = " + first + " at A, " + formatOhms(resistors.values[1].boughtOhms) + " at B";
    }
    // Both resistors of "1.5 bit" should be the same exact 2R.
    text += " (exact " + exact + ") ohms, ";
    return text + capacitorAndLoad(state.circuitParts);
}

std::string circuitPartsText(const CircuitParts& parts) {
    return "circuit model (resistors " + formatCircuitParts(parts.resistors) + ", " + capacitorAndLoad(parts) + ")";
}

std::string resistorsToBuyText(const CircuitParts& parts, std::int8_t algorithmType, std::int8_t fineness,
                               std::uint32_t sampleRate) {
    const CircuitResistors resistors = circuitResistors(parts, algorithmType, fineness, sampleRate);
    std::string text = (resistors.count == 1 ? "R " : "2R ") + formatOhms(resistors.values[0].boughtOhms);
    if (!sameResistors(resistors)) text += "/" + formatOhms(resistors.values[1].boughtOhms);
    return text;
}

}  // namespace ryx::cli
