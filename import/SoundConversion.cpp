#include "import/SoundConversion.h"

#include "core/ProgramState.h"

#include "import/SoundLibraries.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

namespace ryx {

std::vector<float> resampleSound(std::span<const float> samples, std::uint32_t fromRate, std::uint32_t toRate,
                                 std::string& error) {
    if (fromRate == toRate) return {samples.begin(), samples.end()};
    const double ratio = static_cast<double>(toRate) / static_cast<double>(fromRate);
    std::vector<float> out(static_cast<std::size_t>(std::ceil(static_cast<double>(samples.size()) * ratio)) + 1);
    const SoundLibraries* libraries = soundLibraries(error);
    if (libraries == nullptr) return {};
    std::size_t produced = 0;
    const soxr_io_spec_t io = libraries->ioSpec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = libraries->qualitySpec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = libraries->runtimeSpec(1);
    if (const soxr_error_t failed = libraries->resample(fromRate, toRate, 1, samples.data(), samples.size(), nullptr,
                                                 out.data(), out.size(), &produced, &io, &quality, &runtime)) {
        error = std::string("the rate change failed: ") + failed;
        return {};
    }
    out.resize(produced);
    return out;
}

void removeOffset(std::vector<float>& samples) {
    if (samples.empty()) return;
    const double mean = std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(samples.size());
    for (float& sample : samples) sample = static_cast<float>(sample - mean);
}

void normalizePeak(std::vector<float>& samples) {
    float peak = 0.0f;
    for (const float sample : samples) peak = std::max(peak, std::fabs(sample));
    if (peak <= 0.0f || !std::isfinite(peak)) return;
    const float gain = kNormalizedPeak / peak;
    for (float& sample : samples) sample *= gain;
}

std::pair<std::size_t, std::size_t> audibleRange(std::span<const float> samples) {
    const auto audible = [](float sample) { return std::fabs(sample) >= kSilenceLevel; };
    const auto first = std::find_if(samples.begin(), samples.end(), audible);
    if (first == samples.end()) return {0, 0};
    const auto last = std::find_if(samples.rbegin(), samples.rend(), audible);
    return {static_cast<std::size_t>(first - samples.begin()), static_cast<std::size_t>(samples.rend() - last)};
}

std::uint8_t quantizeSample(float sample) {
    if (!(sample == sample)) return 128;  // not a number
    const float level = std::round(sample * 128.0f) + 128.0f;
    return static_cast<std::uint8_t>(std::clamp(level, 0.0f, 255.0f));
}

ConvertedSound convertSound(const DecodedSound& decoded, const ImportOptions& options) {
    ConvertedSound converted;
    if (options.rate < kMinImportRate || options.rate > kMaxImportRate) {
        converted.error = "the rate " + std::to_string(options.rate) + " Hz is out of range (" +
                          std::to_string(kMinImportRate) + " to " + std::to_string(kMaxImportRate) + " Hz)";
        return converted;
    }
    std::vector<float> sound;
    if (options.normalize) {
        std::vector<float> centred = decoded.samples;
        removeOffset(centred);
        sound = resampleSound(centred, decoded.sampleRate, options.rate, converted.error);
        normalizePeak(sound);
    } else {
        sound = resampleSound(decoded.samples, decoded.sampleRate, options.rate, converted.error);
    }
    if (!converted.error.empty()) return converted;

    std::size_t begin = 0;
    std::size_t end = sound.size();
    if (options.trim) {
        std::tie(begin, end) = audibleRange(sound);
        if (begin == end) {
            converted.error = "the sound is silent (nothing reaches -45 dBFS); import it without trimming";
            return converted;
        }
    }
    if (begin == end) {
        converted.error = "the sound has no samples";
        return converted;
    }
    // The part that was never decoded counts as cut too.
    const auto undecoded = static_cast<std::uint64_t>(
        std::llround(static_cast<double>(decoded.framesLeftOut) * options.rate / decoded.sampleRate));
    if (end - begin > kMaxSamples) {
        converted.cutSamples = end - begin - kMaxSamples;
        end = begin + kMaxSamples;
    }
    converted.cutSamples += undecoded;

    converted.samples.resize(std::max(end - begin, kShortestSound), std::uint8_t{128});
    std::transform(sound.begin() + static_cast<std::ptrdiff_t>(begin), sound.begin() + static_cast<std::ptrdiff_t>(end),
                   converted.samples.begin(), quantizeSample);
    return converted;
}

}  // namespace ryx
