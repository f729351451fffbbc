#include "core/SoundStreamEncoder.h"

#include "core/EncoderModels.h"
#include "core/FixedFineness.h"
#include "core/StateSearch.h"

#include <algorithm>

namespace ryx {

class SoundStreamEncoder::Engine {
public:
    virtual ~Engine() = default;
    virtual void encode(std::span<const std::uint8_t> samples) = 0;
    virtual std::vector<std::uint8_t> finish() = 0;
};

namespace {

// The one-sample rule from where the last piece left the filter; with the
// error its path sums in the order pathError sums it.
template <typename Model>
class GreedyRun {
public:
    explicit GreedyRun(const Model& model) : model_(model), level_(model.start()) {}

    template <bool kSumError>
    void encode(std::span<const std::uint8_t> samples, std::vector<std::uint8_t>& bits) {
        const std::size_t start = bits.size();
        bits.resize(start + samples.size());
        std::uint8_t* out = bits.data() + start;
        for (const std::uint8_t sample : samples) {
            const std::uint32_t bit = model_.greedyBit(level_, previousBit_, sample);
            level_ = model_.next(level_, previousBit_, bit);
            previousBit_ = bit;
            *out++ = static_cast<std::uint8_t>(bit);
            if constexpr (kSumError) error_ += model_.squaredDistance(level_, model_.target(sample));
        }
    }
    typename Model::Error error() const { return error_; }

private:
    Model model_;
    typename Model::Level level_;
    std::uint32_t previousBit_ = 0;  // the first sample counts as following a 0
    typename Model::Error error_{};
};

template <typename Model>
class GreedyEngine final : public SoundStreamEncoder::Engine {
public:
    explicit GreedyEngine(const Model& model) : run_(model) {}
    void encode(std::span<const std::uint8_t> samples) override { run_.template encode<false>(samples, bits_); }
    std::vector<std::uint8_t> finish() override { return std::move(bits_); }

private:
    GreedyRun<Model> run_;
    std::vector<std::uint8_t> bits_;
};

// StateSearch::run, fed in pieces: a block is searched once its look-ahead
// is in and more follows; the last block whole at the end.
template <typename Model>
class OptimalEngine final : public SoundStreamEncoder::Engine {
public:
    explicit OptimalEngine(const Model& model)
        : model_(model), search_(limits_, model), greedy_(model), level_(model.start()) {}

    void encode(std::span<const std::uint8_t> samples) override {
        greedy_.template encode<true>(samples, greedyBits_);
        window_.insert(window_.end(), samples.begin(), samples.end());
        const std::size_t span = block() + limits_.overlap;
        while (window_.size() - windowStart_ > span) commit(span, block());
        // Drop what the blocks took once it outweighs what is left.
        if (windowStart_ > window_.size() / 2) {
            window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(windowStart_));
            windowStart_ = 0;
        }
    }

    std::vector<std::uint8_t> finish() override {
        const std::size_t span = block() + limits_.overlap;
        while (windowStart_ < window_.size()) {
            const std::size_t left = window_.size() - windowStart_;
            const std::size_t length = std::min(left, span);
            commit(length, length == left ? length : std::min(block(), length));
        }
        // Never worse than the one-sample rule, as searchStates.
        if (greedy_.error() < error_) return std::move(greedyBits_);
        return std::move(bits_);
    }

private:
    std::size_t block() const { return std::max<std::uint32_t>(limits_.blockLength, 1); }

    void commit(std::size_t length, std::size_t count) {
        const auto samples = std::span<const std::uint8_t>(window_).subspan(windowStart_, length);
        const std::vector<std::uint8_t>& path = search_.searchPath(samples, level_, previousBit_);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t bit = path[i];
            level_ = model_.next(level_, previousBit_, bit);
            previousBit_ = bit;
            bits_.push_back(static_cast<std::uint8_t>(bit));
            error_ += model_.squaredDistance(level_, model_.target(samples[i]));
        }
        windowStart_ += count;
    }

    OptimalSearchLimits limits_;  // the defaults, as encodeSamples searches
    Model model_;
    StateSearch<Model> search_;
    GreedyRun<Model> greedy_;
    std::vector<std::uint8_t> greedyBits_;
    std::vector<std::uint8_t> bits_;
    std::vector<std::uint8_t> window_;
    std::size_t windowStart_ = 0;
    typename Model::Level level_;
    std::uint32_t previousBit_ = 0;
    typename Model::Error error_{};
};

template <typename Model>
std::unique_ptr<SoundStreamEncoder::Engine> engineFor(EncoderChoice choice, const Model& model) {
    if (choice == EncoderChoice::optimal) return std::make_unique<OptimalEngine<Model>>(model);
    return std::make_unique<GreedyEngine<Model>>(model);
}

template <bool kOneAndHalf>
std::unique_ptr<SoundStreamEncoder::Engine> engineFor(const EncodingSettings& settings) {
    if (settings.filterModel == FilterModelChoice::circuit) {
        const CircuitStep step = makeCircuitStep(settings.circuitParts, settings.encoder.algorithmType,
                                                 settings.encoder.fineness, settings.encoder.sampleRate);
        return engineFor(settings.choice, CircuitSearchModel<kOneAndHalf>{step});
    }
    return withFixedFineness(settings.encoder.fineness, [&](auto f) {
        return engineFor(settings.choice, ClassicSearchModel<kOneAndHalf, decltype(f)>{f});
    });
}

}  // namespace

EncodingSettings encodingSettingsOf(const ProgramState& state) {
    return {state.encoder, state.encoderChoice, state.filterModel, state.circuitParts};
}

SoundStreamEncoder::SoundStreamEncoder(const EncodingSettings& settings, std::uint64_t keepAtMost)
    : engine_(settings.encoder.algorithmType == kAlgorithmOneAndHalfBit ? engineFor<true>(settings)
                                                                        : engineFor<false>(settings)),
      keepAtMost_(keepAtMost) {}

SoundStreamEncoder::~SoundStreamEncoder() = default;

void SoundStreamEncoder::add(std::span<const std::uint8_t> samples) {
    if (samples.empty()) return;
    // The held sample and all of these but the newest, up to keepAtMost.
    const std::uint64_t ready = added_ == 0 ? samples.size() - 1 : samples.size();
    const std::uint64_t room = fed_ < keepAtMost_ ? keepAtMost_ - fed_ : 0;
    const std::uint64_t fed = std::min(ready, room);
    if (fed > 0 && added_ > 0) {
        engine_->encode(std::span(&held_, 1));
        if (fed > 1) engine_->encode(samples.first(static_cast<std::size_t>(fed - 1)));
    } else if (fed > 0) {
        engine_->encode(samples.first(static_cast<std::size_t>(fed)));
    }
    fed_ += fed;
    added_ += samples.size();
    held_ = samples.back();
}

std::vector<std::uint8_t> SoundStreamEncoder::finish() { return engine_->finish(); }

}  // namespace ryx
