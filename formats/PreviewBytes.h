#pragma once
// The content of the two preview WAV files that the play buttons play:
// 8-bit mono PCM behind a fixed 46-byte header. Which folder they live in,
// and stopping the sound before one is rewritten, is the window's business.

#include "core/ProgramState.h"
#include "formats/WaveHeader.h"

#include <array>
#include <cstdint>
#include <span>

namespace ryx {

enum class PreviewMode : int {
    originalPlaceholder = 1,  // the original-sound preview, the placeholder tone
    decodedPlaceholder = 2,   // the decoded-sound preview, the placeholder tone
    originalSound = 3,        // the original-sound preview from origSamples
    decodedSound = 4,         // the decoded-sound preview from smoothedSamples
};

inline constexpr std::uint32_t kPlaceholderRate = 22050;
inline constexpr std::array<std::uint8_t, 20> kPlaceholderCycle{
    128, 153, 178, 198, 208, 210, 208, 198, 178, 153,
    128, 103, 78, 58, 48, 46, 48, 58, 78, 103};
inline constexpr int kPlaceholderRepeats = 10;

// True for the modes of the original-sound preview (1 and 3).
constexpr bool isOriginalPreview(PreviewMode mode) {
    return mode == PreviewMode::originalPlaceholder || mode == PreviewMode::originalSound;
}

// The header for sampleCount samples at sampleRate.
std::array<std::uint8_t, kWaveHeaderSize> previewHeader(std::uint32_t sampleCount,
                                                           std::uint32_t sampleRate);

// A preview file's content: its header, then its samples (a view into the
// state's buffers or the placeholder tone, valid while the state is).
struct PreviewContent {
    std::array<std::uint8_t, kWaveHeaderSize> header;
    std::span<const std::uint8_t> samples;
};
PreviewContent previewContent(const ProgramState& state, PreviewMode mode);

}  // namespace ryx
