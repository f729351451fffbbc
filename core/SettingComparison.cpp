#include "core/SettingComparison.h"

#include "core/CircuitEncoder.h"
#include "core/DecoderModel.h"
#include "core/Encoder.h"
#include "core/OptimalEncoder.h"

#include <algorithm>

namespace ryx {
namespace {

// The voltages the state's filter model gives the bits.
std::vector<std::uint16_t> replayModel(const ProgramState& state, std::span<const std::uint8_t> bits) {
    if (state.filterModel == FilterModelChoice::circuit) return replayCircuitVoltages(bits, circuitStepOf(state));
    return replayVoltages(bits, state.encoder.fineness, state.encoder.algorithmType);
}

}  // namespace

TrialEncoder::TrialEncoder(const ProgramState& source) : scratch_(std::make_unique<ProgramState>()) {
    scratch_->encoder = source.encoder;
    scratch_->filterModel = source.filterModel;
    scratch_->circuitParts = source.circuitParts;
    const std::size_t count = std::min(source.encoder.sampleCount, kMaxSamples);
    std::copy_n(source.origSamples.begin(), count, scratch_->origSamples.begin());
    meter_ = std::make_unique<QualityMeter>(std::span<const std::uint8_t>(scratch_->origSamples).first(
                                                encodedSampleCount(scratch_->encoder)),
                                            source.encoder.sampleRate);
}

TrialEncoder::~TrialEncoder() = default;

QualityFigures TrialEncoder::measure(std::int8_t algorithmType, std::int8_t fineness, EncoderChoice choice) {
    ProgramState& state = *scratch_;
    state.encoder.algorithmType = algorithmType;
    state.encoder.fineness = fineness;
    const std::size_t count = encodedSampleCount(state.encoder);
    const auto samples = std::span<const std::uint8_t>(state.origSamples).first(count);
    const auto bits = std::span(state.bitStream).first(count);
    std::vector<std::uint16_t> voltages(count);
    if (choice == EncoderChoice::greedy) {
        state.encoderChoice = EncoderChoice::greedy;
        encodeSamples(state);
        voltages = replayModel(state, bits);
    } else if (state.filterModel == FilterModelChoice::circuit) {
        encodeOptimalThroughCircuit(samples, algorithmType, circuitStepOf(state), bits, voltages);
    } else {
        encodeOptimal(samples, fineness, algorithmType, bits, voltages);
    }
    return meter_->measure(voltages, bits);
}

QualityFigures measureEncoded(const ProgramState& state) {
    const std::size_t count = encodedSampleCount(state.encoder);
    const auto bits = std::span<const std::uint8_t>(state.bitStream).first(count);
    const auto voltages = replayModel(state, bits);
    return measureQuality(std::span<const std::uint8_t>(state.origSamples).first(count), voltages, bits,
                          state.encoder.sampleRate);
}

std::vector<SettingFigures> compareSettings(const ProgramState& state, EncoderChoice choice) {
    TrialEncoder trial(state);
    std::vector<SettingFigures> rows;
    for (const std::int8_t algorithmType : {kAlgorithmOneBit, kAlgorithmOneAndHalfBit}) {
        for (const FinenessEntry& entry : fineTable) {
            rows.push_back({algorithmType, entry.fineness, trial.measure(algorithmType, entry.fineness, choice)});
        }
    }
    return rows;
}

std::size_t bestSetting(std::span<const SettingFigures> rows) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].figures.lowPassSnrDb >= rows[best].figures.lowPassSnrDb) best = i;
    }
    return best;
}

std::int8_t chooseFineness(const ProgramState& state, EncoderChoice choice) {
    TrialEncoder trial(state);
    std::vector<SettingFigures> rows;
    for (const FinenessEntry& entry : fineTable) {
        rows.push_back({state.encoder.algorithmType, entry.fineness,
                        trial.measure(state.encoder.algorithmType, entry.fineness, choice)});
    }
    return rows[bestSetting(rows)].fineness;
}

}  // namespace ryx
