#include "import/SoundStream.h"

#include "import/SoundConversion.h"
#include "import/SoundDecoder.h"
#include "import/SoundLibraries.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace ryx {
namespace {

using Decode = std::function<Result<DecodedStream>(const DecodedBlockSink&)>;
using FloatSink = std::function<void(std::span<const float>)>;

// libsoxr fed block by block: the same samples as one call over the whole
// sound (resampleSound); none changed when the rates agree.
class Resampler {
public:
    static Result<std::unique_ptr<Resampler>> create(std::uint32_t fromRate, std::uint32_t toRate) {
        auto resampler = std::unique_ptr<Resampler>(new Resampler);
        if (fromRate == toRate) return resampler;
        const Result<const SoundLibraries*> libraries = soundLibraries();
        if (!libraries) return libraries.failureDetail();
        const SoundLibraries& f = **libraries;
        const soxr_io_spec_t io = f.ioSpec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = f.qualitySpec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = f.runtimeSpec(1);
        soxr_error_t failed = nullptr;
        resampler->libraries_ = &f;
        resampler->soxr_ = f.create(fromRate, toRate, 1, &failed, &io, &quality, &runtime);
        if (failed != nullptr || resampler->soxr_ == nullptr) {
            return Error{std::string("the rate change failed: ") + (failed != nullptr ? failed : "no resampler")};
        }
        resampler->out_.resize(kOutBlock);
        return resampler;
    }
    ~Resampler() {
        if (soxr_ != nullptr) libraries_->destroy(soxr_);
    }
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    Result<> push(std::span<const float> in, const FloatSink& sink) {
        if (soxr_ == nullptr) {
            sink(in);
            return {};
        }
        while (!in.empty()) {
            std::size_t used = 0;
            std::size_t made = 0;
            if (const soxr_error_t failed =
                    libraries_->process(soxr_, in.data(), in.size(), &used, out_.data(), out_.size(), &made)) {
                return Result<>::failure(std::string("the rate change failed: ") + failed);
            }
            if (made > 0) sink(std::span<const float>(out_.data(), made));
            in = in.subspan(used);
        }
        return {};
    }

    Result<> finish(const FloatSink& sink) {
        for (std::size_t made = 1; soxr_ != nullptr && made > 0;) {
            made = 0;
            if (const soxr_error_t failed =
                    libraries_->process(soxr_, nullptr, 0, nullptr, out_.data(), out_.size(), &made)) {
                return Result<>::failure(std::string("the rate change failed: ") + failed);
            }
            if (made > 0) sink(std::span<const float>(out_.data(), made));
        }
        return {};
    }

private:
    static constexpr std::size_t kOutBlock = 16384;
    Resampler() = default;
    const SoundLibraries* libraries_ = nullptr;
    soxr_t soxr_ = nullptr;
    std::vector<float> out_;
};

// Quantises, trims the silence at both ends, pads a very short sound, and
// hands the samples on in blocks.
class SampleOutput {
public:
    SampleOutput(bool trim, const SampleSink& sink) : trim_(trim), sink_(sink) {}

    void add(std::span<const float> block) {
        for (const float value : block) {
            const std::uint8_t sample = quantizeSample(value);
            if (!trim_) {
                put(sample);
            } else if (std::fabs(value) >= kSilenceLevel) {
                for (const std::uint8_t quiet : silence_) put(quiet);
                silence_.clear();
                put(sample);
                audible_ = true;
            } else if (audible_) {
                silence_.push_back(sample);  // kept only if the sound goes on
            }
        }
    }

    Result<std::uint64_t> finish() {
        if (trim_ && !audible_) return Error{"the sound is silent (nothing reaches -45 dBFS); import it without trimming"};
        if (count_ == 0) return Error{"the sound has no samples"};
        while (count_ < kShortestSound) put(128);
        flush();
        return count_;
    }

private:
    void put(std::uint8_t sample) {
        out_.push_back(sample);
        ++count_;
        if (out_.size() == kBlock) flush();
    }
    void flush() {
        if (!out_.empty()) sink_(out_);
        out_.clear();
    }

    static constexpr std::size_t kBlock = 65536;
    bool trim_;
    const SampleSink& sink_;
    bool audible_ = false;
    std::vector<std::uint8_t> silence_;
    std::vector<std::uint8_t> out_;
    std::uint64_t count_ = 0;
};

// One decoding, the mean taken off when there is one, through the rate change.
Result<DecodedStream> pass(const Decode& decode, std::uint32_t rate, const double* mean, const FloatSink& next) {
    std::unique_ptr<Resampler> resampler;
    Result<> failed;
    std::vector<float> centred;
    Result<DecodedStream> stream = decode([&](std::span<const float> block, std::uint32_t sourceRate) {
        if (!failed) return;
        if (resampler == nullptr) {
            Result<std::unique_ptr<Resampler>> made = Resampler::create(sourceRate, rate);
            if (!made) {
                failed = made.failureDetail();
                return;
            }
            resampler = std::move(*made);
        }
        if (mean != nullptr) {
            centred.resize(block.size());
            for (std::size_t i = 0; i < block.size(); ++i) centred[i] = static_cast<float>(block[i] - *mean);
            block = centred;
        }
        failed = resampler->push(block, next);
    });
    if (!stream) return stream;
    if (failed && resampler != nullptr) failed = resampler->finish(next);
    if (!failed) return failed.failureDetail();
    return stream;
}

Result<StreamedSound> streamSound(const Decode& decode, const ImportOptions& options, const SampleSink& sink) {
    if (options.rate < kMinImportRate || options.rate > kMaxImportRate) {
        return Error{"the rate " + std::to_string(options.rate) + " Hz is out of range (" +
                     std::to_string(kMinImportRate) + " to " + std::to_string(kMaxImportRate) + " Hz)"};
    }
    double mean = 0;
    float gain = 0;  // 0: the samples unscaled
    if (options.normalize) {
        // The mean of the sound as decoded, summed in order as removeOffset sums it.
        double sum = 0.0;
        const Result<DecodedStream> summed = decode([&sum](std::span<const float> block, std::uint32_t) {
            for (const float sample : block) sum = sum + sample;
        });
        if (!summed) return summed.failureDetail();
        mean = sum / static_cast<double>(summed->frames);
        float peak = 0.0f;
        const Result<DecodedStream> peaked = pass(decode, options.rate, &mean, [&peak](std::span<const float> block) {
            for (const float sample : block) peak = std::max(peak, std::fabs(sample));
        });
        if (!peaked) return peaked.failureDetail();
        if (peak > 0.0f && std::isfinite(peak)) gain = kNormalizedPeak / peak;
    }
    SampleOutput output(options.trim, sink);
    std::vector<float> scaled;
    const Result<DecodedStream> last =
        pass(decode, options.rate, options.normalize ? &mean : nullptr, [&](std::span<const float> block) {
            if (gain != 0.0f) {
                scaled.assign(block.begin(), block.end());
                for (float& sample : scaled) sample *= gain;
                block = scaled;
            }
            output.add(block);
        });
    if (!last) return last.failureDetail();
    const Result<std::uint64_t> samples = output.finish();
    if (!samples) return samples.failureDetail();
    return StreamedSound{*samples, last->sampleRate, last->nonFiniteSamples};
}

}  // namespace

Result<StreamedSound> streamSoundFile(const std::string& fileName, const ImportOptions& options,
                                      const SampleSink& sink) {
    return streamSound([&fileName](const DecodedBlockSink& blocks) { return decodeSoundFileInBlocks(fileName, blocks); },
                       options, sink);
}

Result<StreamedSound> streamSoundBytes(std::span<const std::uint8_t> bytes, const ImportOptions& options,
                                       const SampleSink& sink) {
    return streamSound([bytes](const DecodedBlockSink& blocks) { return decodeSoundBytesInBlocks(bytes, blocks); },
                       options, sink);
}

}  // namespace ryx
