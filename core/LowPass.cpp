#include "core/LowPass.h"

#include "core/QualityFigures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace ryx {
namespace {

constexpr std::size_t kHalfTaps = 47;  // 95 taps
constexpr std::size_t kTapCount = 2 * kHalfTaps + 1;

// A Blackman-windowed sinc whose half-amplitude point is 0.45 x the rate.
std::array<float, kTapCount> designLowPass() {
    std::array<double, kTapCount> taps{};
    double sum = 0;
    for (std::size_t i = 0; i < kTapCount; ++i) {
        const double k = static_cast<double>(i) - static_cast<double>(kHalfTaps);
        const double sinc = k == 0 ? 2 * kLowPassFraction
                                   : std::sin(2 * std::numbers::pi * kLowPassFraction * k) / (std::numbers::pi * k);
        const double phase = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(kTapCount - 1);
        const double window = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2 * phase);
        taps[i] = sinc * window;
        sum += taps[i];
    }
    std::array<float, kTapCount> result{};
    for (std::size_t i = 0; i < kTapCount; ++i) result[i] = static_cast<float>(taps[i] / sum);
    return result;
}

const std::array<float, kTapCount>& taps() {
    static const std::array<float, kTapCount> designed = designLowPass();
    return designed;
}

}  // namespace

// The taps are symmetric, so each pair shares one multiply. Blocked to stay in cache.
std::vector<float> lowPass(const std::vector<float>& input) {
    const std::size_t count = input.size();
    std::vector<float> padded(count + 2 * kHalfTaps, 0.0f);
    std::copy(input.begin(), input.end(), padded.begin() + kHalfTaps);
    std::vector<float> output(count, 0.0f);
    const auto& h = taps();
    constexpr std::size_t kChunk = 2048;
    const float* centre = padded.data() + kHalfTaps;
    float* out = output.data();
    for (std::size_t begin = 0; begin < count; begin += kChunk) {
        const std::size_t end = std::min(count, begin + kChunk);
        for (std::size_t i = begin; i < end; ++i) out[i] = h[kHalfTaps] * centre[i];
        for (std::size_t k = 1; k <= kHalfTaps; ++k) {
            const float tap = h[kHalfTaps + k];
            const float* before = centre - k;
            const float* after = centre + k;
            for (std::size_t i = begin; i < end; ++i) out[i] += tap * (before[i] + after[i]);
        }
    }
    return output;
}

std::span<const float> lowPassTaps() { return taps(); }

}  // namespace ryx
