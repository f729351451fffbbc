#include "core/QualityFigures.h"

#include "core/DecoderModel.h"
#include "core/LowPass.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace ryx {
namespace {

double decibels(double signal, double noise) {
    if (noise <= 0) return signal <= 0 ? 0.0 : std::numeric_limits<double>::infinity();
    if (signal <= 0) return -std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(signal / noise);
}

std::vector<double> segmentEnergies(const std::vector<float>& values, std::size_t segmentLength) {
    std::vector<double> energies;
    for (std::size_t begin = 0; begin < values.size(); begin += segmentLength) {
        const std::size_t end = std::min(values.size(), begin + segmentLength);
        double sum = 0;
        for (std::size_t i = begin; i < end; ++i) sum += double{values[i]} * values[i];
        energies.push_back(sum);
    }
    return energies;
}

struct SnrPair {
    double whole;
    double segmental;
};

SnrPair snrOf(const std::vector<double>& signalEnergy, const std::vector<double>& errorEnergy) {
    double signalTotal = 0;
    double errorTotal = 0;
    for (std::size_t i = 0; i < signalEnergy.size(); ++i) {
        signalTotal += signalEnergy[i];
        errorTotal += errorEnergy[i];
    }
    const double loudest = signalEnergy.empty() ? 0.0 : *std::max_element(signalEnergy.begin(), signalEnergy.end());
    const double quietest = loudest * std::pow(10.0, -kQuietSegmentDb / 10.0);
    double sum = 0;
    std::size_t used = 0;
    for (std::size_t i = 0; i < signalEnergy.size(); ++i) {
        if (signalEnergy[i] <= 0 || signalEnergy[i] < quietest) continue;
        sum += std::clamp(decibels(signalEnergy[i], errorEnergy[i]), kSegmentFloorDb, kSegmentCeilingDb);
        ++used;
    }
    return {decibels(signalTotal, errorTotal), used == 0 ? 0.0 : sum / static_cast<double>(used)};
}

}  // namespace

QualityMeter::QualityMeter(std::span<const std::uint8_t> original, std::uint32_t sampleRate)
    : original_(original.begin(), original.end()),
      segmentLength_(std::max<std::size_t>(1, sampleRate / kSegmentsPerSecond)) {
    std::vector<float> signal(original.size());
    for (std::size_t i = 0; i < original.size(); ++i) signal[i] = static_cast<float>(original[i]) - 128.0f;
    signalEnergy_ = segmentEnergies(signal, segmentLength_);
    lowPassSignalEnergy_ = segmentEnergies(lowPass(signal), segmentLength_);
}

QualityFigures QualityMeter::measure(std::span<const std::uint16_t> voltages, std::span<const std::uint8_t> bits) const {
    const std::size_t count = original_.size();
    if (voltages.size() < count || bits.size() < count) return {};
    std::vector<float> error(count);
    std::size_t overloaded = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t target = static_cast<std::int32_t>(targetVoltage(original_[i]));
        const std::int32_t voltage = voltages[i];
        error[i] = static_cast<float>(target - voltage) / 128.0f;
        // Slope overload: the same bit three times and still far from the target on the side it moves to.
        if (i + 1 >= kOverloadRun && bits[i] == bits[i - 1] && bits[i] == bits[i - 2]) {
            const std::int32_t behind = bits[i] != 0 ? target - voltage : voltage - target;
            if (behind > static_cast<std::int32_t>(kOverloadDistance)) ++overloaded;
        }
    }
    const SnrPair plain = snrOf(signalEnergy_, segmentEnergies(error, segmentLength_));
    const SnrPair low = snrOf(lowPassSignalEnergy_, segmentEnergies(lowPass(error), segmentLength_));
    QualityFigures figures;
    figures.snrDb = plain.whole;
    figures.segmentalSnrDb = plain.segmental;
    figures.lowPassSnrDb = low.whole;
    figures.lowPassSegmentalSnrDb = low.segmental;
    figures.overloadShare = count == 0 ? 0.0 : static_cast<double>(overloaded) / static_cast<double>(count);
    return figures;
}

QualityFigures measureQuality(std::span<const std::uint8_t> original, std::span<const std::uint16_t> voltages,
                              std::span<const std::uint8_t> bits, std::uint32_t sampleRate) {
    const std::size_t count = std::min({original.size(), voltages.size(), bits.size()});
    return QualityMeter(original.first(count), sampleRate).measure(voltages, bits);
}

}  // namespace ryx
