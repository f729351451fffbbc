// Feeds arbitrary bytes, from memory, to the WAV load and checks that the
// state afterwards is one of the two the rest of the program expects.

#include "core/Encoder.h"
#include "core/ProgramState.h"
#include "formats/WaveLoad.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

// Buffers are compared with memcmp, and only where a fault would show (just
// past `from`, and at the end of the sound's room): checking a quarter of a
// million bytes on every run would cost more than the load itself.
const ryx::SampleBuffer& silence() {
    static const ryx::SampleBuffer buffer = [] {
        ryx::SampleBuffer filled;
        filled.fill(128);
        return filled;
    }();
    return buffer;
}

const ryx::SampleBuffer& zeros() {
    static const ryx::SampleBuffer buffer{};
    return buffer;
}

// Not traced for coverage (see the ignore list): one compare per sample.
bool bitsAreZeroOrOne(const std::uint8_t* bits, std::size_t count) {
    std::uint8_t high = 0;
    for (std::size_t i = 0; i < count; ++i) high |= bits[i];
    return high <= 1;
}

bool untouched(const ryx::SampleBuffer& buffer, std::size_t from, const ryx::SampleBuffer& expected) {
    constexpr std::size_t kWindow = 4096;
    const std::size_t nearLength = std::min(kWindow, ryx::kMaxSamples - from);
    const std::size_t endStart = std::max(from, std::size_t{ryx::kMaxSamples} - kWindow);
    return std::memcmp(buffer.data() + from, expected.data(), nearLength) == 0 &&
           std::memcmp(buffer.data() + endStart, expected.data(), ryx::kMaxSamples - endStart) == 0;
}

void checkLoaded(const ryx::ProgramState& state, const std::uint8_t* data, std::size_t size) {
    const ryx::EncoderState& encoder = state.encoder;
    require(state.statusText.empty());
    require(size >= 54);
    const std::size_t count = std::min<std::size_t>(size - 46, ryx::kMaxSamples);
    require(encoder.sampleCount == count);
    require(std::equal(data + 46, data + 46 + count, state.origSamples.begin()));
    require(encoder.sampleRate == (std::uint32_t{data[24]} | std::uint32_t{data[25]} << 8 | std::uint32_t{data[26]} << 16));
    require(encoder.overviewStep >= 256);
    require(state.overviewLevels[0] == 0);
    for (std::uint8_t level : state.overviewLevels) require(level <= 15 && (level < 5 || level > 7));
    require(bitsAreZeroOrOne(state.bitStream.data(), count));
    require(untouched(state.bitStream, count, zeros()));
    require(state.bitStream[count - 1] == 0 && state.decodedSamples[count - 1] == 128);
    require(encoder.showEncoded == 1);
}

void checkRefused(const ryx::ProgramState& state, const std::string& message) {
    require(message == ryx::kNotWaveMessage || message == ryx::kUnsupportedFormatMessage);
    require(state.encoder.sampleCount == 490 && state.encoder.overviewStep == 256);
    require(untouched(state.origSamples, 0, silence()));
}

std::unique_ptr<ryx::ProgramState> makeState() {
    auto state = std::make_unique<ryx::ProgramState>();
    ryx::resetSound(*state);
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<ryx::ProgramState> state = makeState();
    // As an open does it: loaded, then encoded.
    if (const ryx::Result<> loaded = ryx::loadWaveBytes(*state, std::span<const std::uint8_t>(data, size))) {
        ryx::encodeSound(*state);
        checkLoaded(*state, data, size);
    } else {
        checkRefused(*state, loaded.error());
    }
    return 0;
}
