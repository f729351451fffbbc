#pragma once
// --fit: the rate the sounds of one program (one input, or a bank's) come
// down to so that their program fits the chip, and what the user is told
// when that rate is too low for speech.

#include "cli/CommandLine.h"
#include "core/EncodedSound.h"
#include "core/ProgramState.h"

#include <cstdint>
#include <span>
#include <string>

namespace ryx::cli {

using FitSounds = std::span<const ProgramState* const>;

// What the fit has learnt so far: the highest rate tried at which the
// sounds fit, and the lowest at which they did not.
struct FitSearch {
    std::uint32_t fits = 0;      // 0: none yet
    std::uint32_t tooHigh = 0;   // the rate asked for plus one at first
};

// The rate to import the sounds at next, now at `rate` and `wholeSamples`
// long in all before any cut at kMaxSamples; 0 when the search is done
// at `rate` or no other rate can help. The program of the options decides;
// when none can be made of these sounds, the chip's whole table room.
std::uint32_t nextFitRate(FitSounds sounds, const CommandLine& options, std::uint32_t rate, std::uint64_t wholeSamples,
                          FitSearch& search);
// The same for sounds of any length: only their lengths and settings count.
std::uint32_t nextFitRate(std::span<const EncodedSound> sounds, const CommandLine& options, std::uint32_t rate,
                          std::uint64_t wholeSamples, FitSearch& search);

// Empty unless the fit came down below kLowestSpeechRate from a higher
// rate asked for: then what is lost, and the smallest chips that hold the
// sounds at kLowestSpeechRate.
std::string lowFitNotice(FitSounds sounds, const CommandLine& options, std::uint32_t rate, std::uint64_t wholeSamples);
std::string lowFitNotice(std::span<const EncodedSound> sounds, const CommandLine& options, std::uint32_t rate,
                         std::uint64_t wholeSamples);

}  // namespace ryx::cli
