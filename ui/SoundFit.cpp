#include "ui/SoundFit.h"

#include "firmware/PicProgram.h"

namespace ryx::ui {

SoundFit soundFit(const PicChip& chip, std::uint64_t frames, std::uint32_t frameRate, std::uint32_t rate,
                  PicPacking packing) {
    const std::uint64_t capacity = picSampleCapacity(chip, packing);
    SoundFit fit;
    if (frameRate == 0 || rate == 0) return fit;
    // Whole numbers for the verdict, so that a sound exactly as long as the memory fits.
    fit.fits = frames * rate <= capacity * frameRate;
    fit.spareSeconds = static_cast<double>(capacity) / rate - static_cast<double>(frames) / frameRate;
    fit.highestRate = highestFittingRate(chip, frames, frameRate, packing);
    return fit;
}

}  // namespace ryx::ui
