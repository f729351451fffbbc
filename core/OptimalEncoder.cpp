#include "core/OptimalEncoder.h"

#include "core/DecoderModel.h"
#include "core/FixedFineness.h"
#include "core/StateSearch.h"

#include <vector>

namespace ryx {
namespace {

// The integer model: voltages 0 ... 65535, errors in squared voltage steps.
template <bool kOneAndHalfBit, typename Divisor>
struct ClassicSearchModel {
    static constexpr bool kOneAndHalf = kOneAndHalfBit;
    using Level = std::uint32_t;
    using Target = std::uint32_t;
    using Error = std::uint64_t;

    Divisor f;

    Level start() const { return kStartVoltage; }
    Level next(Level v, std::uint32_t previousBit, std::uint32_t bit) const {
        return nextVoltage<kOneAndHalf>(v, previousBit, bit, f);
    }
    std::uint32_t greedyBit(Level v, std::uint32_t previousBit, std::uint8_t sample) const {
        return chooseNearerBit<kOneAndHalf>(v, previousBit, sample, f);
    }
    Target target(std::uint8_t sample) const { return targetVoltage(sample); }
    Error squaredDistance(Level v, Target target) const {
        const std::int64_t distance = std::int64_t{v} - std::int64_t{target};
        return static_cast<std::uint64_t>(distance * distance);
    }
    std::uint32_t bin(Level v) const { return v; }
    std::uint16_t voltage(Level v) const { return static_cast<std::uint16_t>(v); }
    Error pruneMargin(std::uint32_t steps) const {
        const std::uint64_t step = 32768u / static_cast<std::uint32_t>(f) + 1;
        return std::uint64_t{steps} * step * step;
    }
};

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
