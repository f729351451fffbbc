#pragma once
// The two preview WAV files the play buttons hand to the sound player:
// 8-bit mono PCM behind a fixed 46-byte header.

#include "core/OperationResult.h"
#include "core/ProgramState.h"

#include <array>
#include <cstdint>
#include <filesystem>

namespace ryx {

enum class PreviewMode : int {
    originalPlaceholder = 1,  // ryxelt1.wav, the placeholder tone
    decodedPlaceholder = 2,   // ryxelt2.wav, the placeholder tone
    originalSound = 3,        // ryxelt1.wav from origSamples
    decodedSound = 4,         // ryxelt2.wav from smoothedSamples
};

inline constexpr std::size_t kPreviewHeaderSize = 46;
inline constexpr std::uint32_t kPlaceholderRate = 22050;
inline constexpr std::array<std::uint8_t, 20> kPlaceholderCycle{
    128, 153, 178, 198, 208, 210, 208, 198, 178, 153,
    128, 103, 78, 58, 48, 46, 48, 58, 78, 103};
inline constexpr int kPlaceholderRepeats = 10;

std::filesystem::path originalPreviewPath(const ProgramState& state);
std::filesystem::path decodedPreviewPath(const ProgramState& state);

// The header for sampleCount samples at sampleRate.
std::array<std::uint8_t, kPreviewHeaderSize> previewHeader(std::uint32_t sampleCount,
                                                           std::uint32_t sampleRate);

// Closes the player, then rewrites the mode's file (nothing when the state's
// previewFilesEnabled is off). A file that cannot be written is skipped; the
// result says why.
OperationResult writePreviewWav(ProgramState& state, PreviewMode mode);

// The mode's file content written to any path, without touching the player:
// the same bytes writePreviewWav puts into the preview file.
OperationResult writePreviewFile(const ProgramState& state, PreviewMode mode,
                                 const std::filesystem::path& path);

}  // namespace ryx
