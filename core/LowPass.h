#pragma once
// The symmetric low-pass that the quality figures measure through: a
// Blackman-windowed sinc whose half-amplitude point is kLowPassFraction of
// the rate, applied with zero phase and silence outside the sound.

#include <span>
#include <vector>

namespace ryx {

// Its taps, which sum to 1.
std::span<const float> lowPassTaps();

std::vector<float> lowPass(const std::vector<float>& input);

}  // namespace ryx
