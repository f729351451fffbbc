#include "formats/WaveLoad.h"

#include "core/SoundLoad.h"

#include <algorithm>
#include <array>

namespace ryx {
namespace {

constexpr std::size_t kSmallestWave = kWaveHeaderSize + 8;

}  // namespace

Result<std::uint32_t> waveSampleRate(std::span<const std::uint8_t> firstBytes) {
    if (firstBytes.size() < kSmallestWave || !hasWaveTag(firstBytes, 8, "WAVE")) {
        return Error{std::string(kNotWaveMessage)};
    }
    if (firstBytes[kWaveChannelsAt] != 1 || firstBytes[kWaveBitsPerSampleAt] != 8) {
        return Error{std::string(kUnsupportedFormatMessage)};
    }
    // Three bytes: the rate field's top byte has never been read.
    return readLittleEndian32(firstBytes, kWaveSampleRateAt) & 0xFFFFFFu;
}

Result<> loadWaveBytes(ProgramState& state, std::span<const std::uint8_t> bytes) {
    const std::span<const std::uint8_t> held = bytes.first(std::min(bytes.size(), kLongestUsefulWave));
    const Result<std::uint32_t> rate = waveSampleRate(held);
    if (!rate) {
        resetSound(state);
        // A file read into the buffer may have reached its margin, which is always 0.
        std::fill(state.origSamples.begin() + kMaxSamples, state.origSamples.end(), std::uint8_t{0});
        return rate.failureDetail();
    }
    std::array<std::uint8_t, kWaveHeaderSize> header{};
    std::copy_n(held.begin(), kWaveHeaderSize, header.begin());
    const std::span<const std::uint8_t> samples = held.subspan(kWaveHeaderSize);
    loadSamples(state, samples, *rate);
    // The file is read into the sample buffer and its samples moved to the
    // front: behind a sound shorter than the header, the header's later bytes
    // stay (and show in the overview).
    if (samples.size() < kWaveHeaderSize) {
        std::copy(header.begin() + static_cast<std::ptrdiff_t>(samples.size()), header.end(),
                  state.origSamples.begin() + static_cast<std::ptrdiff_t>(samples.size()));
        buildOverview(state);
    }
    return {};
}

}  // namespace ryx
