#pragma once
// How close the modelled filter output comes to the original sound. The
// modelled output is the encoder's voltage on the sound's scale,
// (voltage - 16384) / 128, compared sample by sample with the original.

#include <cstdint>
#include <span>
#include <vector>

namespace ryx {

struct QualityFigures {
    double snrDb = 0;
    double segmentalSnrDb = 0;         // mean over 20 ms segments, each clamped to -10 ... 35 dB
    double lowPassSnrDb = 0;           // the same after a low-pass at 0.45 x the sample rate
    double lowPassSegmentalSnrDb = 0;
    double overloadShare = 0;          // 0 ... 1: samples in slope overload
};

inline constexpr std::uint32_t kSegmentsPerSecond = 50;  // 20 ms segments
inline constexpr double kSegmentFloorDb = -10.0;
inline constexpr double kSegmentCeilingDb = 35.0;
inline constexpr double kQuietSegmentDb = 40.0;      // segments this far below the loudest are skipped
inline constexpr double kLowPassFraction = 0.45;     // of the sample rate
inline constexpr std::uint32_t kOverloadRun = 3;     // equal bits in a row
inline constexpr std::uint32_t kOverloadDistance = 8 * 256;

// Measures encodes of one sound; what depends on the sound alone is
// prepared once.
class QualityMeter {
public:
    // original: the encoded samples (the last sample of a sound is never encoded).
    QualityMeter(std::span<const std::uint8_t> original, std::uint32_t sampleRate);

    // voltages[i] and bits[i] for every sample of original; all zero when they are too short.
    QualityFigures measure(std::span<const std::uint16_t> voltages, std::span<const std::uint8_t> bits) const;

private:
    std::vector<std::uint8_t> original_;
    std::size_t segmentLength_;
    std::vector<double> signalEnergy_;         // per segment
    std::vector<double> lowPassSignalEnergy_;
};

// Figures for the first voltages.size() samples of original; bits[i] is the
// bit that led to voltages[i]. A rate below 50 Hz gives one-sample segments.
QualityFigures measureQuality(std::span<const std::uint8_t> original, std::span<const std::uint16_t> voltages,
                              std::span<const std::uint8_t> bits, std::uint32_t sampleRate);

}  // namespace ryx
