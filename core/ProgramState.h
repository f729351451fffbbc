#pragma once
// The program's one sound at a time: settings, the four sample buffers, the
// overview and the message text. The running program owns exactly one
// ProgramState; every operation takes it explicitly.

#include "core/CircuitParts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ryx {

inline constexpr std::size_t kBufferSize = 265000;
inline constexpr std::uint32_t kMaxSamples = 262500;
inline constexpr std::size_t kOverviewColumns = 490;

inline constexpr std::int8_t kAlgorithmOneBit = 1;
inline constexpr std::int8_t kAlgorithmOneAndHalfBit = 15;

// Which encoder chooses the bits: the one-sample look-ahead or the search
// over the whole sound (OptimalEncoder.h).
enum class EncoderChoice : std::uint8_t { greedy, optimal };

// Settings and view record.
struct EncoderState {
    std::int8_t fineness = 16;
    std::int8_t algorithmType = kAlgorithmOneAndHalfBit;
    std::uint8_t showEncoded = 1;
    std::uint8_t showSmoothed = 0;
    std::int32_t resistorOhms = 4506;
    std::uint32_t sampleRate = 15625;   // 0 ... 16777215
    std::uint32_t sampleCount = 0;      // 490 once the main window exists
    std::uint32_t viewOffset = 0;
    std::uint32_t overviewStep = 0;     // samples per overview column x 256
};

// A zero-terminated message of at most 99 characters; empty means no message.
class StatusText {
public:
    static constexpr std::size_t kCapacity = 100;

    void clear() { text_.fill('\0'); }
    void set(std::string_view message);
    bool empty() const { return text_[0] == '\0'; }
    const char* c_str() const { return text_.data(); }
    std::string_view view() const { return text_.data(); }

private:
    std::array<char, kCapacity> text_{};
};

using SampleBuffer = std::array<std::uint8_t, kBufferSize>;

struct ProgramState {
    EncoderState encoder;
    SampleBuffer origSamples{};
    SampleBuffer decodedSamples{};
    SampleBuffer smoothedSamples{};
    SampleBuffer bitStream{};
    std::array<std::uint8_t, kOverviewColumns> overviewLevels{};
    StatusText statusText;
    EncoderChoice encoderChoice = EncoderChoice::greedy;
    // The filter the encoders model; the parts matter only for the circuit.
    FilterModelChoice filterModel = FilterModelChoice::classic;
    CircuitParts circuitParts;
};

// How many positions an encode fills: the last sample is never encoded.
constexpr std::uint32_t encodedSampleCount(const EncoderState& encoder) {
    const std::uint32_t count = encoder.sampleCount < kMaxSamples ? encoder.sampleCount : kMaxSamples;
    return count < 2 ? 0 : count - 1;
}

// Turns the current sound into the empty sound: 490 samples of silence.
void resetSound(ProgramState& state);
// The same but for origSamples, which a load fills itself.
void resetSoundExceptOriginal(ProgramState& state);

}  // namespace ryx
