#include "cli/FitRate.h"

#include "cli/EncodeInput.h"
#include "firmware/PicProgram.h"
#include "import/ImportOptions.h"

#include <algorithm>
#include <optional>

namespace ryx::cli {
namespace {

using Sounds = std::span<const EncodedSound>;

std::uint64_t storedSamples(Sounds sounds) {
    std::uint64_t samples = 0;
    for (const EncodedSound& sound : sounds) samples += sound.encoder.sampleCount;
    return samples;
}

// The room the tables have in the program the options make of these sounds
// at `rate`; when none can be made, without a program asked for, the chip's
// whole table room; nothing with one (its refusal is told once the sounds are made).
std::optional<std::uint32_t> fitRoom(Sounds sounds, const CommandLine& options, std::uint32_t rate) {
    const PicProgramSettings settings = programSettingsOf(options);
    if (const Result<std::uint32_t> capacity = picBankCapacity(sounds, settings, rate)) {
        if (settings.memory == nullptr) return *capacity;
        // Nor longer than the player reads of one sound.
        return static_cast<std::uint32_t>(
            std::min<std::uint64_t>(*capacity, std::uint64_t{kMostSerialSoundSamples} * sounds.size()));
    }
    if (options.namesAProgram()) return std::nullopt;
    return picSampleCapacity(*settings.chip, settings.packing);
}

// Whether the sounds fit that room (a program that can be made fits).
bool fitsRoom(Sounds sounds, const CommandLine& options, std::uint32_t room) {
    return planPicBank(sounds, programSettingsOf(options)).ok() || storedSamples(sounds) <= room;
}

}  // namespace

std::uint32_t nextFitRate(FitSounds sounds, const CommandLine& options, std::uint32_t rate, std::uint64_t wholeSamples,
                          FitSearch& search) {
    return nextFitRate(encodedSoundsOf(sounds), options, rate, wholeSamples, search);
}

std::uint32_t nextFitRate(Sounds sounds, const CommandLine& options, std::uint32_t rate, std::uint64_t wholeSamples,
                          FitSearch& search) {
    const std::optional<std::uint32_t> room = fitRoom(sounds, options, rate);
    if (!room) return 0;
    const bool fits = fitsRoom(sounds, options, *room);
    (fits ? search.fits : search.tooHigh) = rate;
    // The rate the room at this one allows; the routine's length, and so the
    // room, changes a little with the rate, and the rate change rounds.
    const std::uint32_t estimate = highestFittingRate(std::uint64_t{*room}, wholeSamples, rate);
    const std::uint32_t lowest = std::max(search.fits, kMinImportRate);
    if (search.tooHigh <= lowest) return 0;  // no rate left between what fits and what does not
    const std::uint32_t next = std::clamp(estimate, lowest, search.tooHigh - 1);
    return next == rate ? 0 : next;
}

std::string lowFitNotice(FitSounds sounds, const CommandLine& options, std::uint32_t rate, std::uint64_t wholeSamples) {
    return lowFitNotice(encodedSoundsOf(sounds), options, rate, wholeSamples);
}

std::string lowFitNotice(Sounds sounds, const CommandLine& options, std::uint32_t rate, std::uint64_t wholeSamples) {
    if (!options.fit || rate >= kLowestSpeechRate || rate >= options.importRate.value_or(0)) return {};
    // A fit that failed is told by the program's refusal.
    const std::optional<std::uint32_t> room = fitRoom(sounds, options, rate);
    if (!room || !fitsRoom(sounds, options, *room)) return {};
    const std::uint64_t samples = (wholeSamples * kLowestSpeechRate + rate - 1) / rate;
    return lowRateNoticeOf(sounds, programSettingsOf(options), rate, samples);
}

}  // namespace ryx::cli
