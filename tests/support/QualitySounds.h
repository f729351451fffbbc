#pragma once
// The sounds the encoders are measured on: speech in two voices at 8000 and
// 15625 Hz (espeak-ng, converted by sox to 8-bit mono), a chord and a sweep.

#include "core/ProgramState.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ryx::test {

struct QualitySound {
    std::string name;
    std::uint32_t sampleRate;
    std::vector<std::uint8_t> samples;
};

// Speech by espeak-ng in the given voice; empty samples when a tool failed.
QualitySound speechSound(const std::string& voice, std::uint32_t sampleRate, const std::filesystem::path& folder);
// Three tones of a major chord, 1.5 s.
QualitySound chordSound(std::uint32_t sampleRate);
// A sine sweeping from 100 Hz to 0.4 x the rate, 2 s.
QualitySound sweepSound(std::uint32_t sampleRate);

// All eight: each kind at 8000 and 15625 Hz. Speech is missing when espeak-ng or sox is.
std::vector<QualitySound> qualitySounds(const std::filesystem::path& folder);

// A state holding the sound as if it had been opened (at most kMaxSamples samples).
std::unique_ptr<ProgramState> stateWithSound(const QualitySound& sound);

}  // namespace ryx::test
