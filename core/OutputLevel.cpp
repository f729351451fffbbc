#include "core/OutputLevel.h"

#include "core/CircuitModel.h"
#include "core/DecoderModel.h"

#include <array>
#include <charconv>
#include <cmath>

namespace ryx {
namespace {

constexpr double kScale = 65536.0;
constexpr double kSilentVolts = 0.5e-3;  // below what the text shows

// Every pin high, the node reaches the supply divided between the pins'
// resistors and the load.
double fullScaleVolts(const ProgramState& state, FilterModelChoice model, const CircuitParts& parts) {
    if (model != FilterModelChoice::circuit || !(parts.loadOhms > 0)) return kSupplyVolts;
    const EncoderState& encoder = state.encoder;
    const CircuitResistors resistors =
        circuitResistors(parts, encoder.algorithmType, encoder.fineness, encoder.sampleRate);
    double pins = 0;
    for (std::size_t k = 0; k < resistors.count; ++k) {
        if (!(resistors.values[k].boughtOhms > 0)) return kSupplyVolts;  // no resistance: the pins win
        pins += 1.0 / resistors.values[k].boughtOhms;
    }
    return kSupplyVolts * pins / (pins + 1.0 / parts.loadOhms);
}

bool sameParts(const CircuitParts& a, const CircuitParts& b) {
    return a.resistors.series == b.resistors.series && a.resistors.givenOhms == b.resistors.givenOhms &&
           a.capacitanceFarads == b.capacitanceFarads && a.loadOhms == b.loadOhms;
}

std::string fixedText(double value, int decimals) {
    std::array<char, 32> buffer{};
    const auto written =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    return std::string(buffer.data(), written.ptr);
}

}  // namespace

OutputLevel outputLevelOf(std::span<const std::uint16_t> voltages, double fullScaleVolts) {
    if (voltages.empty()) return {};
    double sum = 0;
    for (const std::uint16_t v : voltages) sum += v;
    const double mean = sum / static_cast<double>(voltages.size());
    double squares = 0;
    for (const std::uint16_t v : voltages) squares += (v - mean) * (v - mean);
    return {std::sqrt(squares / static_cast<double>(voltages.size())) / kScale * fullScaleVolts};
}

OutputLevel outputLevel(const ProgramState& state, FilterModelChoice model, const CircuitParts& parts) {
    const EncoderState& encoder = state.encoder;
    const std::size_t count = encodedSampleCount(encoder);
    std::vector<std::uint16_t> voltages;
    if (model == state.filterModel && (model == FilterModelChoice::classic || sameParts(parts, state.circuitParts))) {
        // The encoder's own voltages: also right before any encode, when the
        // bits are all 0 but the sound is the start-up silence.
        voltages.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            voltages[i] = static_cast<std::uint16_t>(state.decodedSamples[i] * 256 + 128);
        }
    } else {
        const auto bits = std::span<const std::uint8_t>(state.bitStream).first(count);
        voltages = model == FilterModelChoice::circuit
                       ? replayCircuitVoltages(bits, makeCircuitStep(parts, encoder.algorithmType, encoder.fineness,
                                                                     encoder.sampleRate))
                       : replayVoltages(bits, encoder.fineness, encoder.algorithmType);
    }
    return outputLevelOf(voltages, fullScaleVolts(state, model, parts));
}

OutputLevel outputLevel(const ProgramState& state) {
    return outputLevel(state, state.filterModel, state.circuitParts);
}

std::string outputLevelText(const OutputLevel& level) {
    if (!(level.rmsVolts >= kSilentVolts)) return "silent on a 5 V supply";
    const double dbv = 20 * std::log10(level.rmsVolts);
    return fixedText(level.rmsVolts, level.rmsVolts < 0.1 ? 3 : 2) + " V rms (" + (dbv >= 0 ? "+" : "") +
           fixedText(dbv, 1) + " dBV) on a 5 V supply";
}

}  // namespace ryx
