#include "import/SoundConversion.h"

#include "core/ProgramState.h"

#include "import/SoundLibraries.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

namespace ryx {

Result<std::vector<float>> resampleSound(std::span<const float> samples, std::uint32_t fromRate,
                                         std::uint32_t toRate) {
    if (fromRate == toRate) return std::vector<float>(samples.begin(), samples.end());
    const Result<const SoundLibraries*> libraries = soundLibraries();
    if (!libraries) return libraries.failureDetail();
    const double ratio = static_cast<double>(toRate) / static_cast<double>(fromRate);
    std::vector<float> out(static_cast<std::size_t>(std::ceil(static_cast<double>(samples.size()) * ratio)) + 1);
    std::size_t produced = 0;
    const soxr_io_spec_t io = (*libraries)->ioSpec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = (*libraries)->qualitySpec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = (*libraries)->runtimeSpec(1);
    if (const soxr_error_t failed = (*libraries)->resample(fromRate, toRate, 1, samples.data(), samples.size(),
                                                           nullptr, out.data(), out.size(), &produced, &io,
                                                           &quality, &runtime)) {
        return Error{std::string("the rate change failed: ") + failed};
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

Result<ConvertedSound> convertSound(const DecodedSound& decoded, const ImportOptions& options) {
    if (options.rate < kMinImportRate || options.rate > kMaxImportRate) {
        return Error{"the rate " + std::to_string(options.rate) + " Hz is out of range (" +
                     std::to_string(kMinImportRate) + " to " + std::to_string(kMaxImportRate) + " Hz)"};
    }
    Result<std::vector<float>> resampled = [&] {
        if (!options.normalize) return resampleSound(decoded.samples, decoded.sampleRate, options.rate);
        std::vector<float> centred = decoded.samples;
        removeOffset(centred);
        Result<std::vector<float>> changed = resampleSound(centred, decoded.sampleRate, options.rate);
        if (changed) normalizePeak(*changed);
        return changed;
    }();
    if (!resampled) return resampled.failureDetail();
    const std::vector<float>& sound = *resampled;

    std::size_t begin = 0;
    std::size_t end = sound.size();
    if (options.trim) {
        std::tie(begin, end) = audibleRange(sound);
        if (begin == end) return Error{"the sound is silent (nothing reaches -45 dBFS); import it without trimming"};
    }
    if (begin == end) return Error{"the sound has no samples"};
    ConvertedSound converted;
    if (end - begin > kMaxSamples) {
        converted.cutSamples = end - begin - kMaxSamples;
        end = begin + kMaxSamples;
    }
    converted.samples.resize(std::max(end - begin, kShortestSound), std::uint8_t{128});
    std::transform(sound.begin() + static_cast<std::ptrdiff_t>(begin), sound.begin() + static_cast<std::ptrdiff_t>(end),
                   converted.samples.begin(), quantizeSample);
    return converted;
}

}  // namespace ryx
