#pragma once
// What the players' click measurements share: a tone between quiet ends,
// the 100 Hz high-pass that the ear's part of a speaker stands for, and the
// peak of a stretch.

#include "core/ProgramState.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ryx::test {

// `toneSamples` of a `hz` tone between `silentSamples` of silence at each
// end, encoded at `rate` with fineness 16.
std::unique_ptr<ProgramState> encodedTone(std::uint32_t rate, std::int8_t algorithmType, std::uint32_t toneSamples,
                                          std::uint32_t silentSamples, double hz = 440);

// A 2nd-order Butterworth high-pass (bilinear transform), one value every
// `stepSeconds`; input and output 0 before the first.
class HighPass {
public:
    HighPass(double cornerHz, double stepSeconds);
    double next(double x);

private:
    double b0_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// The largest magnitude in [from, to).
double peakOf(const std::vector<double>& values, std::size_t from, std::size_t to);

}  // namespace ryx::test
