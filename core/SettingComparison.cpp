#include "core/SettingComparison.h"

#include "core/DecoderModel.h"
#include "core/Encoder.h"
#include "core/OptimalEncoder.h"

#include <algorithm>

namespace ryx {
TrialEncoder::TrialEncoder(const ProgramState& source) : scratch_(std::make_unique<ProgramState>()) {
    scratch_->encoder = source.encoder;
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
    if (choice == EncoderChoice::optimal) {
        encodeOptimal(samples, fineness, algorithmType, bits, voltages);
    } else {
        encodeSamples(state);
        voltages = replayVoltages(bits, fineness, algorithmType);
    }
    return meter_->measure(voltages, bits);
}

QualityFigures measureEncoded(const ProgramState& state) {
    const std::size_t count = encodedSampleCount(state.encoder);
    const auto bits = std::span<const std::uint8_t>(state.bitStream).first(count);
    const auto voltages = replayVoltages(bits, state.encoder.fineness, state.encoder.algorithmType);
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
