#include "cli/FitRate.h"

#include "cli/EncodeInput.h"
#include "firmware/PicProgram.h"
#include "import/ImportOptions.h"

#include <algorithm>

namespace ryx::cli {
namespace {

std::uint64_t storedSamples(FitSounds sounds) {
    std::uint64_t samples = 0;
    for (const ProgramState* sound : sounds) samples += sound->encoder.sampleCount;
    return samples;
}

}  // namespace

std::uint32_t nextFitRate(FitSounds sounds, const CommandLine& options, std::uint32_t rate, std::uint64_t wholeSamples,
                          FitSearch& search) {
    const PicProgramSettings settings = programSettingsOf(options);
    Result<std::uint32_t> capacity = picBankCapacity(sounds, settings, rate);
    if (!capacity) {
        // The program's own refusal is told once the sounds are made.
        if (options.namesAProgram()) return 0;
        capacity = picSampleCapacity(*settings.chip, settings.packing);
    }
    const bool fits = planPicBank(sounds, settings).ok() || storedSamples(sounds) <= *capacity;
    (fits ? search.fits : search.tooHigh) = rate;
    // The rate the room at this one allows; the routine's length, and so the
    // room, changes a little with the rate, and the rate change rounds.
    const std::uint32_t estimate = highestFittingRate(std::uint64_t{*capacity}, wholeSamples, rate);
    std::uint32_t next = std::clamp(estimate, std::max(search.fits, kMinImportRate), search.tooHigh - 1);
    if (!fits && next == rate) next = rate - 1;
    return next == rate || next < kMinImportRate ? 0 : next;
}

std::string lowFitNotice(FitSounds sounds, const CommandLine& options, std::uint32_t rate, std::uint64_t wholeSamples) {
    if (!options.fit || rate >= kLowestSpeechRate || rate >= options.importRate.value_or(0)) return {};
    const PicProgramSettings settings = programSettingsOf(options);
    // A fit that failed is told by the program's refusal.
    const bool fits = options.namesAProgram() ? planPicBank(sounds, settings).ok()
                                              : storedSamples(sounds) <= picSampleCapacity(*settings.chip, settings.packing);
    if (!fits) return {};
    const bool bank = sounds.size() > 1;
    std::string text = std::string(bank ? "the sounds fit" : "the sound fits") + " the " +
                       std::string(settings.chip->name) + " only at " + std::to_string(rate) + " Hz, below the " +
                       std::to_string(kLowestSpeechRate) + " Hz that speech needs to stay clear: nothing above " +
                       std::to_string(rate / 2) + " Hz survives; ";
    const std::uint64_t samples = (wholeSamples * kLowestSpeechRate + rate - 1) / rate;
    const std::vector<const PicChip*> chips = smallestChipsFor(sounds, settings, samples, kLowestSpeechRate);
    if (chips.empty()) {
        return text + "no chip holds " + (bank ? "them" : "it") + " at " + std::to_string(kLowestSpeechRate) +
               " Hz: make " + (bank ? "them" : "it") + " shorter";
    }
    text += "at " + std::to_string(kLowestSpeechRate) + " Hz " + (bank ? "they fit" : "it fits") + " the ";
    for (std::size_t k = 0; k < chips.size(); ++k) {
        if (k > 0) text += k + 1 == chips.size() ? " or the " : ", the ";
        text += chips[k]->name;
    }
    return text + " (" + std::to_string(chips.front()->programWords) + " words)";
}

}  // namespace ryx::cli
