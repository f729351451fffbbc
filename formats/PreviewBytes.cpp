#include "formats/PreviewBytes.h"

#include <algorithm>
#include <cstring>

namespace ryx {
namespace {

void putLittleEndian32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

constexpr std::array<std::uint8_t, kPlaceholderCycle.size() * kPlaceholderRepeats> makePlaceholderTone() {
    std::array<std::uint8_t, kPlaceholderCycle.size() * kPlaceholderRepeats> tone{};
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = kPlaceholderCycle[i % kPlaceholderCycle.size()];
    return tone;
}

constexpr auto kPlaceholderTone = makePlaceholderTone();

}  // namespace

std::array<std::uint8_t, kWaveHeaderSize> previewHeader(std::uint32_t sampleCount,
                                                           std::uint32_t sampleRate) {
    std::array<std::uint8_t, kWaveHeaderSize> header{};
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

PreviewContent previewContent(const ProgramState& state, PreviewMode mode) {
    if (mode == PreviewMode::originalPlaceholder || mode == PreviewMode::decodedPlaceholder) {
        return {previewHeader(static_cast<std::uint32_t>(kPlaceholderTone.size()), kPlaceholderRate),
                kPlaceholderTone};
    }
    const std::uint32_t count = std::min(state.encoder.sampleCount, kMaxSamples);
    const SampleBuffer& samples = isOriginalPreview(mode) ? state.origSamples : state.smoothedSamples;
    return {previewHeader(count, state.encoder.sampleRate), std::span(samples).first(count)};
}

}  // namespace ryx
