#include "ui/SoundFit.h"

#include "firmware/PicProgram.h"

namespace ryx::ui {

SoundFit soundFit(const PicChip& chip, std::uint64_t frames, std::uint32_t frameRate, std::uint32_t rate,
                  PicPacking packing) {
    return soundFit(picSampleCapacity(chip, packing), frames, frameRate, rate);
}

SoundFit soundFit(std::uint64_t capacity, std::uint64_t frames, std::uint32_t frameRate, std::uint32_t rate) {
    SoundFit fit;
    if (frameRate == 0 || rate == 0) return fit;
    // Whole numbers for the verdict, so that a sound exactly as long as the memory fits.
    fit.fits = frames * rate <= capacity * frameRate;
    fit.spareSeconds = static_cast<double>(capacity) / rate - static_cast<double>(frames) / frameRate;
    fit.highestRate = highestFittingRate(capacity, frames, frameRate);
    return fit;
}

QString lowRateSentence(SoundBank sounds, const PicProgramSettings& settings, std::uint32_t rate,
                        std::uint64_t frames, std::uint32_t frameRate) {
    if (rate >= kLowestSpeechRate || frameRate == 0) return {};
    // Rounded up, as the command line counts a sound made again at that rate.
    const std::uint64_t speechSamples = (frames * kLowestSpeechRate + frameRate - 1) / frameRate;
    QString text = QString::fromStdString(lowRateNotice(sounds, settings, rate, speechSamples));
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text + QLatin1Char('.');
}

}  // namespace ryx::ui
