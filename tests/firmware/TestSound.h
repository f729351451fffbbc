#pragma once
// Encoded sounds for the program tests: a tone pair with a little noise.

#include "core/ProgramState.h"

#include <cstdint>
#include <memory>

namespace ryx::test {

// A state holding `sampleCount` encoded samples at `sampleRate`, as the
// window leaves it after opening a sound.
std::unique_ptr<ProgramState> makeEncodedSound(std::uint32_t sampleCount, std::uint32_t sampleRate,
                                               std::int8_t algorithmType, std::int8_t fineness = 16);

}  // namespace ryx::test
