#include "core/PreviewWriter.h"

#include "core/AtomicFileWriter.h"
#include "core/SoundPlayer.h"

#include <algorithm>
#include <cstring>

namespace ryx {
namespace {

void putLittleEndian32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::filesystem::path originalPreviewPath(const ProgramState& state) {
    return std::filesystem::path(state.previewDirectory) / "ryxelt1.wav";
}

std::filesystem::path decodedPreviewPath(const ProgramState& state) {
    return std::filesystem::path(state.previewDirectory) / "ryxelt2.wav";
}

std::array<std::uint8_t, kPreviewHeaderSize> previewHeader(std::uint32_t sampleCount,
                                                           std::uint32_t sampleRate) {
    std::array<std::uint8_t, kPreviewHeaderSize> header{};
    std::memcpy(&header[0], "RIFF", 4);
    putLittleEndian32(&header[4], sampleCount + 38);
    std::memcpy(&header[8], "WAVEfmt ", 8);
    putLittleEndian32(&header[16], 18);
    header[20] = 1;  // PCM
    header[22] = 1;  // mono
    putLittleEndian32(&header[24], sampleRate);
    putLittleEndian32(&header[28], sampleRate);  // one byte per sample
    header[32] = 1;
    header[34] = 8;
    // The extension-size field has always held these two bytes.
    header[36] = 0x60;
    header[37] = 0x7E;
    std::memcpy(&header[38], "data", 4);
    putLittleEndian32(&header[42], sampleCount);
    return header;
}

OperationResult writePreviewWav(ProgramState& state, PreviewMode mode) {
    state.player->close();  // the player may hold the file open
    if (!state.previewFilesEnabled) return {};

    const bool original = mode == PreviewMode::originalPlaceholder || mode == PreviewMode::originalSound;
    return writePreviewFile(state, mode, original ? originalPreviewPath(state) : decodedPreviewPath(state));
}

OperationResult writePreviewFile(const ProgramState& state, PreviewMode mode,
                                 const std::filesystem::path& path) {
    const bool original = mode == PreviewMode::originalPlaceholder || mode == PreviewMode::originalSound;
    AtomicFileWriter writer(path);
    if (OperationResult opened = writer.open(); !opened) return opened;

    if (mode == PreviewMode::originalPlaceholder || mode == PreviewMode::decodedPlaceholder) {
        const std::uint32_t count = kPlaceholderCycle.size() * kPlaceholderRepeats;
        const auto header = previewHeader(count, kPlaceholderRate);
        writer.write(header.data(), header.size());
        for (int i = 0; i < kPlaceholderRepeats; ++i) {
            writer.write(kPlaceholderCycle.data(), kPlaceholderCycle.size());
        }
    } else {
        const std::uint32_t count = std::min(state.encoder.sampleCount, kMaxSamples);
        const auto header = previewHeader(count, state.encoder.sampleRate);
        writer.write(header.data(), header.size());
        const SampleBuffer& samples = original ? state.origSamples : state.smoothedSamples;
        writer.write(samples.data(), count);
    }
    return writer.commit();
}

}  // namespace ryx
