#pragma once
// Encodes a sound of any length from its samples handed over in pieces of
// any size. The bits are exactly those encodeSamples gives the same sound
// held whole (greedy or optimal, classic filter or circuit model; the last
// sample never encoded), but neither the whole sound nor its decoded trace
// is ever held: only the bits, one byte each.
//
// The greedy rule carries the filter's level and the previous bit from one
// sample to the next. The optimal search fixes its bits block by block,
// each search looking a little past its block, and at the end keeps the
// greedy path instead when that sums a smaller error: it holds one block
// and its look-ahead of samples, and the greedy path's bits beside its own.

#include "core/CircuitParts.h"
#include "core/ProgramState.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <vector>

namespace ryx {

struct EncodingSettings {
    EncoderState encoder;  // scheme, fineness and rate
    EncoderChoice choice = EncoderChoice::greedy;
    FilterModelChoice filterModel = FilterModelChoice::classic;
    CircuitParts circuitParts;
};

EncodingSettings encodingSettingsOf(const ProgramState& state);

class SoundStreamEncoder {
public:
    // Past keepAtMost encoded samples the rest are only counted: a sound
    // that long is refused by its target anyway.
    explicit SoundStreamEncoder(const EncodingSettings& settings,
                                std::uint64_t keepAtMost = std::numeric_limits<std::uint64_t>::max());
    ~SoundStreamEncoder();
    SoundStreamEncoder(const SoundStreamEncoder&) = delete;
    SoundStreamEncoder& operator=(const SoundStreamEncoder&) = delete;

    void add(std::span<const std::uint8_t> samples);
    // Every sample added.
    std::uint64_t samples() const { return added_; }
    // Ends the sound: the bits of every sample but the last (all of them
    // unless more than keepAtMost were encoded, see complete()).
    std::vector<std::uint8_t> finish();
    bool complete() const { return added_ == 0 || added_ - 1 <= keepAtMost_; }

    class Engine;

private:
    std::unique_ptr<Engine> engine_;
    std::uint64_t keepAtMost_;
    std::uint64_t added_ = 0;
    std::uint64_t fed_ = 0;  // samples handed to the engine
    std::uint8_t held_ = 0;  // the newest sample, encoded once another follows
};

}  // namespace ryx
