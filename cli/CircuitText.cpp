#include "cli/CircuitText.h"

#include "core/CircuitLabels.h"
#include "core/CircuitModel.h"

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
    return circuitModelText(state);
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
