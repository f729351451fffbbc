#include "core/OptimalEncoder.h"

#include "core/EncoderModels.h"
#include "core/FixedFineness.h"
#include "core/StateSearch.h"

#include <vector>

namespace ryx {
namespace {

template <bool kOneAndHalf>
void searchWithFineness(std::span<const std::uint8_t> samples, std::int8_t fineness, std::span<std::uint8_t> bits,
                        std::span<std::uint16_t> voltages, const OptimalSearchLimits& limits) {
    withFixedFineness(fineness, [&](auto f) {
        searchStates(samples, bits, voltages, limits, ClassicSearchModel<kOneAndHalf, decltype(f)>{f});
    });
}

}  // namespace

void encodeOptimal(std::span<const std::uint8_t> samples, std::int8_t fineness, std::int8_t algorithmType,
                   std::span<std::uint8_t> bits, std::span<std::uint16_t> voltages,
                   const OptimalSearchLimits& limits) {
    if (algorithmType == kAlgorithmOneAndHalfBit) {
        searchWithFineness<true>(samples, fineness, bits, voltages, limits);
    } else {
        searchWithFineness<false>(samples, fineness, bits, voltages, limits);
    }
}

void encodeSamplesOptimal(ProgramState& state) {
    const std::size_t encoded = encodedSampleCount(state.encoder);
    if (encoded == 0) return;
    std::vector<std::uint16_t> voltages(encoded);
    encodeOptimal(std::span(state.origSamples).first(encoded), state.encoder.fineness, state.encoder.algorithmType,
                  std::span(state.bitStream).first(encoded), voltages);
    for (std::size_t i = 0; i < encoded; ++i) {
        state.decodedSamples[i] = static_cast<std::uint8_t>(voltages[i] / 256);
    }
}

}  // namespace ryx
