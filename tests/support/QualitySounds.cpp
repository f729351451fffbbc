#include "support/QualitySounds.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>

namespace ryx::test {
namespace {

constexpr const char* kSentence =
    "Sixty one bits per sample are too many. The quick brown fox jumps over the lazy dog, "
    "and she sells sea shells by the sea shore.";

std::uint8_t toSample(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(128.0 + value), 0L, 255L));
}

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

}  // namespace

QualitySound speechSound(const std::string& voice, std::uint32_t sampleRate, const std::filesystem::path& folder) {
    QualitySound sound{"speech " + voice + " " + std::to_string(sampleRate) + " Hz", sampleRate, {}};
    const auto spoken = folder / ("speech-" + voice + ".wav");
    const auto raw = folder / ("speech-" + voice + "-" + std::to_string(sampleRate) + ".raw");
    // sox without dither (-D) so that the bytes are the same on every run.
    const std::string command = "espeak-ng -v '" + voice + "' -w " + quoted(spoken) + " '" + kSentence +
                                "' >/dev/null 2>&1 && sox -D " + quoted(spoken) + " -r " +
                                std::to_string(sampleRate) + " -c 1 -b 8 -e unsigned-integer -t raw " +
                                quoted(raw) + " norm -1 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return sound;
    std::ifstream in(raw, std::ios::binary);
    sound.samples.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (sound.samples.size() > kMaxSamples) sound.samples.resize(kMaxSamples);
    return sound;
}

QualitySound chordSound(std::uint32_t sampleRate) {
    QualitySound sound{"chord " + std::to_string(sampleRate) + " Hz", sampleRate, {}};
    const double rate = sampleRate;
    const std::size_t count = static_cast<std::size_t>(1.5 * rate);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double envelope = std::min(1.0, t * 20.0) * std::exp(-t * 0.8);
        double value = 0;
        for (const double frequency : {220.0, 277.18, 329.63, 440.0}) {
            value += std::sin(2 * std::numbers::pi * frequency * t) + 0.3 * std::sin(4 * std::numbers::pi * frequency * t);
        }
        sound.samples.push_back(toSample(26.0 * envelope * value));
    }
    return sound;
}

QualitySound sweepSound(std::uint32_t sampleRate) {
    QualitySound sound{"sweep " + std::to_string(sampleRate) + " Hz", sampleRate, {}};
    const double rate = sampleRate;
    const double seconds = 2.0;
    const double low = 100.0;
    const double high = 0.4 * rate;
    const std::size_t count = static_cast<std::size_t>(seconds * rate);
    const double growth = std::log(high / low) / seconds;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        // Exponential sweep: the phase is the integral of low x e^(growth t).
        const double phase = 2 * std::numbers::pi * low * (std::exp(growth * t) - 1.0) / growth;
        sound.samples.push_back(toSample(90.0 * std::sin(phase)));
    }
    return sound;
}

std::vector<QualitySound> qualitySounds(const std::filesystem::path& folder) {
    std::vector<QualitySound> sounds;
    for (const std::uint32_t rate : {8000u, 15625u}) {
        for (const char* voice : {"en-us", "en-us+f3"}) {
            QualitySound speech = speechSound(voice, rate, folder);
            if (!speech.samples.empty()) sounds.push_back(std::move(speech));
        }
        sounds.push_back(chordSound(rate));
        sounds.push_back(sweepSound(rate));
    }
    return sounds;
}

std::unique_ptr<ProgramState> stateWithSound(const QualitySound& sound) {
    auto state = std::make_unique<ProgramState>();
    resetSound(*state);
    const std::size_t count = std::min<std::size_t>(sound.samples.size(), kMaxSamples);
    std::copy_n(sound.samples.begin(), count, state->origSamples.begin());
    state->encoder.sampleCount = static_cast<std::uint32_t>(count);
    state->encoder.sampleRate = sound.sampleRate;
    return state;
}

}  // namespace ryx::test
