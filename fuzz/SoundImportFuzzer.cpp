// Feeds arbitrary bytes, through libsndfile's virtual I/O, to the importer:
// the first byte picks the choices, the rest is the file. An import either
// gives a sound the program can hold at the chosen rate, with a notice for
// what was cut or silenced, or changes nothing.

#include "core/ProgramState.h"
#include "import/ImportOptions.h"
#include "import/SoundImport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto state = [] {
        auto fresh = std::make_unique<ryx::ProgramState>();
        ryx::resetSound(*fresh);
        return fresh;
    }();
    static const auto before = std::make_unique<ryx::ProgramState>();
    if (size == 0) return 0;

    const std::uint8_t choice = data[0];
    const ryx::ImportOptions options{ryx::kOfferedImportRates[choice % ryx::kOfferedImportRates.size()],
                                     (choice & 0x10) == 0, (choice & 0x20) == 0};
    *before = *state;
    const ryx::Result<ryx::ImportReport> report = ryx::importSoundBytes(*state, std::span(data + 1, size - 1), options);
    if (report.ok()) {
        require(state->encoder.sampleRate == options.rate);
        require(state->encoder.sampleCount >= 8 && state->encoder.sampleCount <= ryx::kMaxSamples);
        require(state->statusText.empty());
        require(report->sourceRate > 0);
        // A notice is there exactly when something was cut or silenced.
        const bool cut = report->cutSamples > 0 || report->undecodedFrames > 0;
        require(importNotices(*report).size() == static_cast<std::size_t>(cut) + (report->nonFiniteSamples > 0));
    } else {
        require(!report.error().empty());
        require(state->encoder.sampleCount == before->encoder.sampleCount);
        require(state->origSamples == before->origSamples);
        require(state->bitStream == before->bitStream);
    }
    return 0;
}
