#pragma once
// The player routine at address 0: sets the chip up, brings the output up to
// half the supply slowly, then plays one table bit per sample on pin A (and
// the bit before on pin B), every sample exactly the same number of cycles,
// across bytes, blocks and pages; a single play brings the output down slowly
// again before both pins go low.

#include "firmware/PicAssembly.h"
#include "firmware/PicChip.h"
#include "firmware/SoundStorage.h"

#include <cstdint>

namespace ryx {

// The fewest cycles per sample the player needs: the byte-boundary path, and
// in a looping program the restart after the last byte; reading packed words
// takes longer.
inline constexpr std::uint32_t kPlayerMinCycles = 30;
inline constexpr std::uint32_t kPlayerMinCyclesLooping = 38;
inline constexpr std::uint32_t kPackedPlayerMinCycles = 37;
inline constexpr std::uint32_t kPackedPlayerMinCyclesLooping = 47;
// The longest wait one path can make, plus the shortest path.
inline constexpr std::uint32_t kPlayerMaxCycles = 197135;
// Words 0 ... 255: below the first table block.
inline constexpr std::uint32_t kPlayerMaxWords = 256;

struct PlayerSettings {
    const PicChip* chip = nullptr;
    std::uint32_t clockHz = 0;
    std::uint32_t cyclesPerSample = 0;
    PicStorage storage = PicStorage::retlw;
    std::uint32_t tableReads = 0;  // retlw bytes or packed words: 1 ... 65535
    bool twoPins = true;           // the 1.5-bit scheme drives pin B as well
    bool loop = false;             // play for ever instead of once
    PicOscillator oscillator = PicOscillator::crystal;  // internal: its frequency is set up first
};

std::uint32_t playerMinCycles(bool loop, PicStorage storage = PicStorage::retlw);

// Labels the program carries, for readers of the source and for tests.
inline constexpr std::string_view kSampleLabel = "sample";       // the port write of every sample
inline constexpr std::string_view kRestorePageLabel = "nextbyte"; // clears PCLATH after a table read
inline constexpr std::string_view kByteDelayLabel = "bytewait";   // the wait after a byte boundary

// The ramps at both ends: a sigma-delta whose target moves by `step` / 65536
// each sample between 0 and a half, one bit per sample in the sound's own
// timing; the bits of the ramp up rise in mean level from 0 to 0.5, those of
// the ramp down fall back. Both take 100 to 200 ms at any rate the player can
// play (a ramp is never shorter than one sample).
struct PlayerRamp {
    std::uint32_t step = 0;
    std::uint32_t upSamples = 0;    // before the first sample of the sound
    std::uint32_t downSamples = 0;  // after the last one, in a single play only
};
PlayerRamp playerRamp(std::uint32_t clockHz, std::uint32_t cyclesPerSample, bool loop);

PicAssembly buildPlayer(const PlayerSettings& settings);

}  // namespace ryx
