// Sets the three encoders against each other on a sound from the bytes. The
// first eight choose the scheme, the fineness, the rate the figures measure
// at and the limits of one more search; the rest are the samples. Every
// bitstream must replay through the decoder model to its encoder's own
// samples, the exact search must do at least as well as the beam search and
// the beam search as the greedy rule, which must choose as the plain
// distance rule does; the quality figures must be numbers where defined.

#include "FuzzRequire.h"

#include "core/DecoderModel.h"
#include "core/Encoder.h"
#include "core/OptimalEncoder.h"
#include "core/ProgramState.h"
#include "core/QualityFigures.h"
#include "core/SoundLoad.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace {

using ryx::fuzz::require;

constexpr std::size_t kHeaderBytes = 8;
// A few thousand; the fourth search's short blocks cover the joins of blocks.
constexpr std::size_t kMostSamples = 3000;
// The exact search keeps every distinct state, about twice as many with each
// sample up to 20 or so: short sounds only.
constexpr std::size_t kMostExactSamples = 14;
constexpr std::array<std::uint32_t, 8> kRates{15625, 8000, 22050, 44100, 1, 49, 50, 16777215};

struct Setting {
    std::int8_t algorithmType;
    std::int8_t fineness;
    std::uint32_t rate;
    ryx::OptimalSearchLimits limits;  // of the fourth search
};

Setting settingOf(const std::uint8_t* header) {
    Setting setting;
    setting.algorithmType = (header[0] & 1) != 0 ? ryx::kAlgorithmOneBit : ryx::kAlgorithmOneAndHalfBit;
    setting.fineness = ryx::fineTable[(header[0] >> 1) % ryx::fineTable.size()].fineness;
    setting.rate = kRates[header[1] % kRates.size()];
    setting.limits.binShift = header[2] % 17u;
    setting.limits.beamWidth = 1u + header[3] % 32u;
    setting.limits.pruneSteps = header[4] % 8u;
    setting.limits.blockLength = 1u + (std::uint32_t{header[5]} | std::uint32_t{header[6]} << 8) % kMostSamples;
    setting.limits.overlap = header[7];
    return setting;
}

// What one encoder chose and the voltages those bits give.
struct Encode {
    std::vector<std::uint8_t> bits;
    std::vector<std::uint16_t> voltages;
    std::uint64_t squaredError = 0;
};

Encode replayed(std::vector<std::uint8_t> bits, std::span<const std::uint8_t> samples, const Setting& setting) {
    Encode encode{std::move(bits), {}, 0};
    for (const std::uint8_t bit : encode.bits) require(bit <= 1);
    encode.voltages = ryx::replayVoltages(encode.bits, setting.fineness, setting.algorithmType);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::int64_t distance = std::int64_t{encode.voltages[i]} - std::int64_t{ryx::targetVoltage(samples[i])};
        encode.squaredError += static_cast<std::uint64_t>(distance * distance);
    }
    return encode;
}

// Through the program's encode: the bits, and each decoded sample the replayed voltage's high byte.
Encode encodeState(ryx::ProgramState& state, ryx::EncoderChoice choice, std::span<const std::uint8_t> samples,
                   const Setting& setting) {
    state.encoderChoice = choice;
    ryx::encodeSamples(state);
    Encode encode = replayed({state.bitStream.begin(), state.bitStream.begin() + std::ssize(samples)}, samples, setting);
    for (std::size_t i = 0; i < samples.size(); ++i) require(state.decodedSamples[i] == encode.voltages[i] / 256);
    return encode;
}

// A direct search: its bits replay to exactly the voltages it reports.
Encode encodeSearch(std::span<const std::uint8_t> samples, const Setting& setting,
                    const ryx::OptimalSearchLimits& limits) {
    std::vector<std::uint8_t> bits(samples.size());
    std::vector<std::uint16_t> voltages(samples.size());
    ryx::encodeOptimal(samples, setting.fineness, setting.algorithmType, bits, voltages, limits);
    Encode encode = replayed(std::move(bits), samples, setting);
    require(encode.voltages == voltages);
    return encode;
}

// The greedy bits, sample by sample, are those of the plain distance rule.
template <bool kOneAndHalf>
void checkNearerBits(std::span<const std::uint8_t> samples, const Setting& setting, const Encode& greedy) {
    std::uint32_t v = ryx::kStartVoltage;
    std::uint32_t previousBit = 0;
    const auto f = static_cast<std::uint32_t>(setting.fineness);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        previousBit = ryx::chooseNearerBit<kOneAndHalf>(v, previousBit, samples[i], f);
        require(previousBit == greedy.bits[i] && v == greedy.voltages[i]);
    }
}

// A figure is a number; infinite only where its definition makes it so.
void checkFigure(double value, bool plusInfinityAllowed, bool minusInfinityAllowed) {
    require(!std::isnan(value));
    if (std::isinf(value)) require(value > 0 ? plusInfinityAllowed : minusInfinityAllowed);
}

void checkSegmental(double value) {
    require(value >= ryx::kSegmentFloorDb && value <= ryx::kSegmentCeilingDb);
}

// The whole-sound figures are +inf only without any error and -inf only for a
// silent sound; the segmental ones are clamped.
void checkQuality(std::span<const std::uint8_t> samples, const Setting& setting, const Encode& encode) {
    const ryx::QualityFigures figures = ryx::measureQuality(samples, encode.voltages, encode.bits, setting.rate);
    const bool exact = encode.squaredError == 0;
    const bool silent = std::all_of(samples.begin(), samples.end(), [](std::uint8_t s) { return s == 128; });
    checkFigure(figures.snrDb, exact, silent);
    checkFigure(figures.lowPassSnrDb, exact, silent);
    checkSegmental(figures.segmentalSnrDb);
    checkSegmental(figures.lowPassSegmentalSnrDb);
    require(figures.overloadShare >= 0.0 && figures.overloadShare <= 1.0);
}

std::unique_ptr<ryx::ProgramState> makeState() {
    auto state = std::make_unique<ryx::ProgramState>();
    ryx::resetSound(*state);
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<ryx::ProgramState> state = makeState();
    if (size < kHeaderBytes) return 0;
    const Setting setting = settingOf(data);
    const std::span<const std::uint8_t> sound(data + kHeaderBytes, std::min(size - kHeaderBytes, kMostSamples));
    ryx::loadSamples(*state, sound, setting.rate);
    state->encoder.algorithmType = setting.algorithmType;
    state->encoder.fineness = setting.fineness;
    // The last sample of a sound is never encoded.
    const std::span<const std::uint8_t> samples = sound.first(ryx::encodedSampleCount(state->encoder));

    const Encode greedy = encodeState(*state, ryx::EncoderChoice::greedy, samples, setting);
    if (setting.algorithmType == ryx::kAlgorithmOneAndHalfBit) {
        checkNearerBits<true>(samples, setting, greedy);
    } else {
        checkNearerBits<false>(samples, setting, greedy);
    }
    const Encode beam = encodeState(*state, ryx::EncoderChoice::optimal, samples, setting);
    require(beam.squaredError <= greedy.squaredError);
    const Encode limited = encodeSearch(samples, setting, setting.limits);
    for (const Encode* encode : {&greedy, &beam, &limited}) checkQuality(samples, setting, *encode);

    if (samples.size() <= kMostExactSamples) {
        const Encode exact = encodeSearch(samples, setting, ryx::OptimalSearchLimits::exact());
        require(exact.squaredError <= beam.squaredError && exact.squaredError <= limited.squaredError);
        checkQuality(samples, setting, exact);
    }
    return 0;
}
