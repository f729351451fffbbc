#pragma once
// The optimal encoder: a search over the decoder's states (its voltage and,
// for "1.5 bit", the previous bit) that chooses the bits of the whole sound
// at once so that the summed squared distance between every modelled voltage
// and its sample's target is as small as the search can find. The bits replay
// exactly through the decoder step, so the chip plays what was modelled.

#include "core/ProgramState.h"

#include <cstdint>
#include <span>

namespace ryx {

struct OptimalSearchLimits {
    // Voltages equal above this many low bits share one survivor (with the
    // same previous bit); 0 merges only identical states, which loses nothing.
    unsigned binShift = 8;
    // At most this many survivors per sample (at most 65535).
    std::uint32_t beamWidth = 16;
    // Paths whose error exceeds the best by more than this many squared
    // steps of the filter are dropped; 0 keeps every one.
    std::uint32_t pruneSteps = 0;
    // Bits are fixed block by block; each search looks this far beyond its block.
    std::uint32_t blockLength = 4096;
    std::uint32_t overlap = 128;

    // No binning, no pruning, one block: an exact search, for short sounds.
    static OptimalSearchLimits exact() { return {0, 65535, 0, 1u << 30, 0}; }
};

// Chooses one bit per sample; voltages[i] is the modelled voltage after bit i.
// bits and voltages must hold at least samples.size() entries.
void encodeOptimal(std::span<const std::uint8_t> samples, std::int8_t fineness, std::int8_t algorithmType,
                   std::span<std::uint8_t> bits, std::span<std::uint16_t> voltages,
                   const OptimalSearchLimits& limits = {});

// bitStream and decodedSamples over sampleCount - 1 positions, as encodeSamples
// fills them, but with the optimal encoder's bits.
void encodeSamplesOptimal(ProgramState& state);

}  // namespace ryx
