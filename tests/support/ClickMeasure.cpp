#include "support/ClickMeasure.h"

#include "core/Encoder.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace ryx::test {

std::unique_ptr<ProgramState> encodedTone(std::uint32_t rate, std::int8_t algorithmType, std::uint32_t toneSamples,
                                          std::uint32_t silentSamples, double hz) {
    auto state = std::make_unique<ProgramState>();
    resetSound(*state);
    state->encoder.sampleCount = toneSamples + 2 * silentSamples;
    state->encoder.sampleRate = rate;
    state->encoder.algorithmType = algorithmType;
    state->encoder.fineness = 16;
    for (std::uint32_t i = 0; i < state->encoder.sampleCount; ++i) {
        const bool tone = i >= silentSamples && i < silentSamples + toneSamples;
        const double t = (static_cast<double>(i) - silentSamples) / rate;
        state->origSamples[i] =
            static_cast<std::uint8_t>(tone ? std::lround(128 + 100 * std::sin(2 * std::numbers::pi * hz * t)) : 128);
    }
    encodeSound(*state);
    return state;
}

HighPass::HighPass(double cornerHz, double stepSeconds) {
    const double k = std::tan(std::numbers::pi * cornerHz * stepSeconds);
    const double q = std::numbers::sqrt2;
    const double norm = 1 / (1 + q * k + k * k);
    b0_ = norm;
    a1_ = 2 * (k * k - 1) * norm;
    a2_ = (1 - q * k + k * k) * norm;
}

double HighPass::next(double x) {
    const double y = b0_ * (x - 2 * x1_ + x2_) - a1_ * y1_ - a2_ * y2_;
    x2_ = std::exchange(x1_, x);
    y2_ = std::exchange(y1_, y);
    return y;
}

double peakOf(const std::vector<double>& values, std::size_t from, std::size_t to) {
    double most = 0;
    for (std::size_t i = from; i < std::min(to, values.size()); ++i) most = std::max(most, std::abs(values[i]));
    return most;
}

}  // namespace ryx::test
