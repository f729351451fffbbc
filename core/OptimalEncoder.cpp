#include "core/OptimalEncoder.h"

#include "core/DecoderModel.h"

#include <algorithm>
#include <limits>
#include <type_traits>
#include <vector>

namespace ryx {
namespace {

struct Survivor {
    std::uint64_t error;  // summed squared distance along the path
    std::uint32_t voltage;
    std::uint16_t parent;  // index among the previous sample's survivors
    std::uint8_t bit;
};

// The survivors of every sample of one block, for the trace back.
struct History {
    std::vector<std::uint32_t> stepStart;
    std::vector<std::uint16_t> parents;
    std::vector<std::uint8_t> bits;

    void clear() {
        stepStart.clear();
        parents.clear();
        bits.clear();
    }
    void record(const Survivor* survivors, std::size_t count) {
        const std::size_t start = parents.size();
        stepStart.push_back(static_cast<std::uint32_t>(start));
        parents.resize(start + count);
        bits.resize(start + count);
        std::uint16_t* parent = parents.data() + start;
        std::uint8_t* bit = bits.data() + start;
        for (std::size_t i = 0; i < count; ++i) {
            parent[i] = survivors[i].parent;
            bit[i] = survivors[i].bit;
        }
    }
};

template <bool kOneAndHalf, typename Divisor>
class StateSearch {
public:
    StateSearch(const OptimalSearchLimits& limits, Divisor f)
        : limits_(limits),
          f_(f),
          beam_(std::clamp<std::uint32_t>(limits.beamWidth, 1, 65535)),
          keyOwner_((std::size_t{65536} >> std::min(limits.binShift, 16u)) * 2, 0),
          keySlot_(keyOwner_.size(), 0) {
        const std::uint64_t step = 32768u / static_cast<std::uint32_t>(f) + 1;
        pruneMargin_ = limits.pruneSteps == 0 ? std::numeric_limits<std::uint64_t>::max()
                                              : std::uint64_t{limits.pruneSteps} * step * step;
    }

    void run(std::span<const std::uint8_t> samples, std::span<std::uint8_t> bits,
             std::span<std::uint16_t> voltages) {
        const std::size_t count = samples.size();
        const std::size_t block = std::max<std::uint32_t>(limits_.blockLength, 1);
        std::uint32_t startVoltage = kStartVoltage;
        std::uint32_t startBit = 0;  // the first sample counts as following a 0
        std::size_t position = 0;
        while (position < count) {
            const std::size_t length = std::min<std::size_t>(count - position, block + limits_.overlap);
            searchBlock(samples.subspan(position, length), startVoltage, startBit);
            const std::size_t commit = position + length == count ? length : std::min(block, length);
            // Replaying the chosen bits gives the voltages and the next block's start.
            for (std::size_t i = 0; i < commit; ++i) {
                const std::uint32_t bit = path_[i];
                startVoltage = nextVoltage<kOneAndHalf>(startVoltage, startBit, bit, f_);
                startBit = bit;
                bits[position + i] = static_cast<std::uint8_t>(bit);
                voltages[position + i] = static_cast<std::uint16_t>(startVoltage);
            }
            position += commit;
        }
    }

private:
    void searchBlock(std::span<const std::uint8_t> samples, std::uint32_t startVoltage, std::uint32_t startBit) {
        current_.resize(1);
        current_[0] = Survivor{0, startVoltage, 0, static_cast<std::uint8_t>(startBit)};
        currentCount_ = 1;
        history_.clear();
        for (const std::uint8_t sample : samples) {
            extend(targetVoltage(sample));
            prune();
            history_.record(next_.data(), nextCount_);
            std::swap(current_, next_);
            currentCount_ = nextCount_;
        }
        std::size_t index = static_cast<std::size_t>(
            std::min_element(current_.begin(), current_.begin() + static_cast<std::ptrdiff_t>(currentCount_),
                             [](const Survivor& a, const Survivor& b) { return a.error < b.error; }) -
            current_.begin());
        path_.resize(samples.size());
        for (std::size_t i = samples.size(); i-- > 0;) {
            const std::size_t at = history_.stepStart[i] + index;
            path_[i] = history_.bits[at];
            index = history_.parents[at];
        }
    }

    // Both bits from every survivor; one survivor per voltage bin and previous bit.
    void extend(std::uint32_t target) {
        ++generation_;
        if (next_.size() < 2 * currentCount_) next_.resize(2 * currentCount_);
        Survivor* next = next_.data();
        std::size_t count = 0;
        const unsigned shift = std::min(limits_.binShift, 16u);
        for (std::size_t s = 0; s < currentCount_; ++s) {
            const Survivor& from = current_[s];
            for (std::uint32_t bit = 0; bit < 2; ++bit) {
                const std::uint32_t v = nextVoltage<kOneAndHalf>(from.voltage, from.bit, bit, f_);
                const std::int64_t distance = std::int64_t{v} - std::int64_t{target};
                const std::uint64_t error = from.error + static_cast<std::uint64_t>(distance * distance);
                const std::size_t key = (std::size_t{v >> shift} << 1) | (kOneAndHalf ? bit : 0u);
                const Survivor candidate{error, v, static_cast<std::uint16_t>(s), static_cast<std::uint8_t>(bit)};
                if (keyOwner_[key] != generation_) {
                    keyOwner_[key] = generation_;
                    keySlot_[key] = static_cast<std::uint32_t>(count);
                    next[count++] = candidate;
                } else if (Survivor& held = next[keySlot_[key]]; error < held.error) {
                    held = candidate;
                }
            }
        }
        nextCount_ = count;
    }

    // Drops paths far behind the best, then keeps the beam's best.
    void prune() {
        Survivor* next = next_.data();
        if (pruneMargin_ != std::numeric_limits<std::uint64_t>::max()) {
            std::uint64_t best = std::numeric_limits<std::uint64_t>::max();
            for (std::size_t i = 0; i < nextCount_; ++i) best = std::min(best, next[i].error);
            const std::uint64_t limit = best + pruneMargin_;
            std::size_t kept = 0;
            for (std::size_t i = 0; i < nextCount_; ++i) {
                if (next[i].error <= limit) next[kept++] = next[i];
            }
            nextCount_ = kept;
        }
        if (nextCount_ > beam_) {
            std::nth_element(next, next + beam_, next + nextCount_,
                             [](const Survivor& x, const Survivor& y) { return x.error < y.error; });
            nextCount_ = beam_;
        }
    }

    OptimalSearchLimits limits_;
    Divisor f_;
    std::size_t beam_;
    std::uint64_t pruneMargin_;
    std::vector<std::uint32_t> keyOwner_;  // the generation that last used a key
    std::vector<std::uint32_t> keySlot_;
    std::uint32_t generation_ = 0;
    std::vector<Survivor> current_;  // the first currentCount_ are in use
    std::vector<Survivor> next_;
    std::size_t currentCount_ = 0;
    std::size_t nextCount_ = 0;
    History history_;
    std::vector<std::uint8_t> path_;
};

template <bool kOneAndHalf, typename Divisor>
void search(std::span<const std::uint8_t> samples, std::span<std::uint8_t> bits, std::span<std::uint16_t> voltages,
            const OptimalSearchLimits& limits, Divisor f) {
    StateSearch<kOneAndHalf, Divisor>(limits, f).run(samples, bits, voltages);
}

template <std::uint32_t kFineness>
using FixedDivisor = std::integral_constant<std::uint32_t, kFineness>;

template <bool kOneAndHalf>
void searchWithFineness(std::span<const std::uint8_t> samples, std::int8_t fineness, std::span<std::uint8_t> bits,
                        std::span<std::uint16_t> voltages, const OptimalSearchLimits& limits) {
    switch (fineness) {
    case 4: search<kOneAndHalf>(samples, bits, voltages, limits, FixedDivisor<4>{}); break;
    case 5: search<kOneAndHalf>(samples, bits, voltages, limits, FixedDivisor<5>{}); break;
    case 6: search<kOneAndHalf>(samples, bits, voltages, limits, FixedDivisor<6>{}); break;
    case 8: search<kOneAndHalf>(samples, bits, voltages, limits, FixedDivisor<8>{}); break;
    case 11: search<kOneAndHalf>(samples, bits, voltages, limits, FixedDivisor<11>{}); break;
    case 16: search<kOneAndHalf>(samples, bits, voltages, limits, FixedDivisor<16>{}); break;
    case 21: search<kOneAndHalf>(samples, bits, voltages, limits, FixedDivisor<21>{}); break;
    case 32: search<kOneAndHalf>(samples, bits, voltages, limits, FixedDivisor<32>{}); break;
    default:
        search<kOneAndHalf>(samples, bits, voltages, limits, static_cast<std::uint32_t>(std::max<int>(fineness, 1)));
        break;
    }
}

}  // namespace

void encodeOptimal(std::span<const std::uint8_t> samples, std::int8_t fineness, std::int8_t algorithmType,
                   std::span<std::uint8_t> bits, std::span<std::uint16_t> voltages,
                   const OptimalSearchLimits& limits) {
    if (algorithmType == kAlgorithmOneAndHalfBit) {
        searchWithFineness<true>(samples, fineness, bits, voltages, limits);
    } else {
        searchWithFineness<false>(samples, fineness, bits, voltages, limits);
    }
}

void encodeSamplesOptimal(ProgramState& state) {
    const std::uint32_t count = std::min(state.encoder.sampleCount, kMaxSamples);
    if (count < 2) return;  // the last sample is never encoded
    const std::size_t encoded = count - 1;
    std::vector<std::uint16_t> voltages(encoded);
    encodeOptimal(std::span(state.origSamples).first(encoded), state.encoder.fineness, state.encoder.algorithmType,
                  std::span(state.bitStream).first(encoded), voltages);
    for (std::size_t i = 0; i < encoded; ++i) {
        state.decodedSamples[i] = static_cast<std::uint8_t>(voltages[i] / 256);
    }
}

}  // namespace ryx
