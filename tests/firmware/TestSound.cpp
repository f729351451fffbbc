#include "TestSound.h"

#include "core/Encoder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ryx::test {

std::unique_ptr<ProgramState> makeEncodedSound(std::uint32_t sampleCount, std::uint32_t sampleRate,
                                               std::int8_t algorithmType, std::int8_t fineness) {
    auto state = std::make_unique<ProgramState>();
    resetSound(*state);
    state->encoder.sampleCount = sampleCount;
    state->encoder.sampleRate = sampleRate;
    state->encoder.algorithmType = algorithmType;
    state->encoder.fineness = fineness;
    std::uint32_t noise = 12345;
    for (std::uint32_t i = 0; i < sampleCount; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        noise = noise * 1103515245u + 12345u;
        const double value = 128.0 + 80.0 * std::sin(2 * std::numbers::pi * 440.0 * t) +
                             30.0 * std::sin(2 * std::numbers::pi * 1230.0 * t) +
                             static_cast<double>((noise >> 16) % 21) - 10.0;
        state->origSamples[i] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
    }
    encodeSamples(*state);
    state->encoder.resistorOhms = computeResistorOhms(fineness, sampleRate);
    smoothDecoded(*state);
    return state;
}

}  // namespace ryx::test
