#pragma once
// Whether a sound fits a chip at a rate, and by how much: what the import and
// PIC program dialogs show before anything is made.

#include "firmware/PicChip.h"
#include "firmware/PicProgram.h"
#include "firmware/SoundStorage.h"

#include <QString>

#include <cstdint>

namespace ryx::ui {

struct SoundFit {
    bool fits = true;
    double spareSeconds = 0;       // negative: too long by that much
    std::uint32_t highestRate = 0; // the highest rate at which the whole sound fits
};

// A sound of `frames` frames at `frameRate`, stored at `rate`.
SoundFit soundFit(const PicChip& chip, std::uint64_t frames, std::uint32_t frameRate, std::uint32_t rate,
                  PicPacking packing = PicPacking::automatic);
// The same for a room of `capacity` samples (a serial memory's).
SoundFit soundFit(std::uint64_t capacity, std::uint64_t frames, std::uint32_t frameRate, std::uint32_t rate);

// The command line's warning for a fit at `rate` below kLowestSpeechRate, as
// a sentence (empty at or above it): what is lost, and the smallest chips
// that hold these sounds, `frames` at `frameRate` in all, at that rate.
QString lowRateSentence(SoundBank sounds, const PicProgramSettings& settings, std::uint32_t rate,
                        std::uint64_t frames, std::uint32_t frameRate);

}  // namespace ryx::ui
