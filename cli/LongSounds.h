#pragma once
// Sounds bound for a serial memory or a PIC18 program, which hold more than
// the window's kMaxSamples: each input read and encoded piece by piece, as
// long as its target holds. The state keeps the sound's first kMaxSamples
// (what -f auto judges and the output level measures); a sound no longer
// than that is the state's own, its bits the state's.

#include "cli/CommandLine.h"
#include "cli/InputBytes.h"
#include "core/EncodedSound.h"
#include "core/ProgramState.h"
#include "core/Result.h"
#include "import/LongSoundImport.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ryx::cli {

// Whether the run's sounds go whole to their program: --hex or --program
// playing from a serial memory or on a PIC18, or --include from a serial
// memory, and no file of the window's fixed formats (--asm, --bin, the WAVs,
// the C header or player, which hold at most kMaxSamples), --compare or
// --report. Otherwise a longer sound is cut, with its warning, as the window
// cuts it.
bool playsLongSounds(const CommandLine& options);

class LongSound {
public:
    // The input read, its settings in the state and its first kMaxSamples
    // loaded there, at `rate` (an 8-bit WAV input at its own); encoded too
    // when the options name the fineness. Returns the load's warnings.
    Result<std::vector<std::string>> load(ProgramState& state, const CommandLine& options, const std::string& input,
                                          std::uint32_t rate);
    // Once the state is encoded: the whole sound encoded with its settings,
    // unless the load did that or the state holds it whole.
    Result<> encode(const ProgramState& state, const CommandLine& options);

    // The sound as the program writers take it; before encode() its length only.
    EncodedSound view(const ProgramState& state) const;
    std::uint64_t samples() const { return samples_; }

private:
    Result<std::uint64_t> stream(const ProgramState& state, const CommandLine& options);
    LongSoundSource source() const;

    std::string input_;
    InputBytes read_;
    bool wave_ = false;
    std::uint32_t rate_ = 0;
    std::uint64_t samples_ = 0;
    std::vector<std::uint8_t> bits_;
    std::int8_t bitsFineness_ = 0;  // 0: no bits yet
    std::uint64_t keepAtMost_ = 0;
};

// Every input's whole sound, with the state settings, as the writers take them.
std::vector<EncodedSound> longSoundViews(std::span<const LongSound> sounds, std::span<ProgramState* const> states);

}  // namespace ryx::cli
