#pragma once
// The optimal encoder's search, over any model of the decoder's filter. A
// model gives its level type (the filter's state), its error type, the start
// level, the step, the target of a sample and the squared distance to it,
// the bin of a level on the 16-bit voltage scale (binShift applies to it),
// the 16-bit voltage to report and the error of pruneSteps squared steps.
// Its step must keep the order of levels for each bit.

#include "core/OptimalEncoder.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace ryx {

template <typename Level, typename Error>
struct SearchSurvivor {
    Error error;  // summed squared distance along the path
    Level voltage;
    std::uint16_t parent;  // index among the previous sample's survivors
    std::uint8_t bit;
};

// The survivors of every sample of one block, for the trace back.
struct SearchHistory {
    std::vector<std::uint32_t> stepStart;
    std::vector<std::uint16_t> parents;
    std::vector<std::uint8_t> bits;

    void clear() {
        stepStart.clear();
        parents.clear();
        bits.clear();
    }
    template <typename Survivor>
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

template <typename Model>
class StateSearch {
public:
    static constexpr bool kOneAndHalf = Model::kOneAndHalf;
    using Level = typename Model::Level;
    using Error = typename Model::Error;
    using Survivor = SearchSurvivor<Level, Error>;
    static constexpr Error kNoLimit = std::numeric_limits<Error>::max();

    StateSearch(const OptimalSearchLimits& limits, const Model& model)
        : limits_(limits),
          model_(model),
          beam_(std::clamp<std::uint32_t>(limits.beamWidth, 1, 65535)) {
        pruneMargin_ = limits.pruneSteps == 0 ? kNoLimit : model.pruneMargin(limits.pruneSteps);
    }

    void run(std::span<const std::uint8_t> samples, std::span<std::uint8_t> bits,
             std::span<std::uint16_t> voltages) {
        const std::size_t count = samples.size();
        const std::size_t block = std::max<std::uint32_t>(limits_.blockLength, 1);
        Level startVoltage = model_.start();
        std::uint32_t startBit = 0;  // the first sample counts as following a 0
        std::size_t position = 0;
        while (position < count) {
            const std::size_t length = std::min<std::size_t>(count - position, block + limits_.overlap);
            searchBlock(samples.subspan(position, length), startVoltage, startBit);
            const std::size_t commit = position + length == count ? length : std::min(block, length);
            // Replaying the chosen bits gives the voltages and the next block's start.
            for (std::size_t i = 0; i < commit; ++i) {
                const std::uint32_t bit = path_[i];
                startVoltage = model_.next(startVoltage, startBit, bit);
                startBit = bit;
                bits[position + i] = static_cast<std::uint8_t>(bit);
                voltages[position + i] = model_.voltage(startVoltage);
            }
            position += commit;
        }
    }

    // The best path through one block from where the last left the filter,
    // as run() searches each of its blocks (for a search fed in pieces).
    const std::vector<std::uint8_t>& searchPath(std::span<const std::uint8_t> samples, Level startVoltage,
                                                std::uint32_t startBit) {
        searchBlock(samples, startVoltage, startBit);
        return path_;
    }

private:
    void searchBlock(std::span<const std::uint8_t> samples, Level startVoltage, std::uint32_t startBit) {
        current_.resize(1);
        current_[0] = Survivor{0, startVoltage, 0, static_cast<std::uint8_t>(startBit)};
        currentCount_ = 1;
        currentFirstOne_ = startBit == 0 ? 1 : 0;
        history_.clear();
        for (const std::uint8_t sample : samples) {
            extend(model_.target(sample));
            prune();
            history_.record(next_.data(), nextCount_);
            std::swap(current_, next_);
            currentCount_ = nextCount_;
            currentFirstOne_ = nextFirstOne_;
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

    // The survivors are kept in order of voltage (under "1.5 bit" those after
    // a 0 first, then those after a 1). The decoder step never reverses that
    // order, so each group of children is the merge of two ordered runs, and
    // equal bins are neighbours: one survivor per bin and previous bit.
    void extend(typename Model::Target target) {
        if (next_.size() < 2 * currentCount_) next_.resize(2 * currentCount_);
        nextCount_ = 0;
        if constexpr (kOneAndHalf) {
            mergeChildren(0, currentFirstOne_, currentFirstOne_, currentCount_, 0, 0, target);
            nextFirstOne_ = nextCount_;
            mergeChildren(0, currentFirstOne_, currentFirstOne_, currentCount_, 1, 1, target);
        } else {
            mergeChildren(0, currentCount_, 0, currentCount_, 0, 1, target);
            nextFirstOne_ = nextCount_;
        }
    }

    Survivor child(std::size_t parent, std::uint32_t bit, typename Model::Target target) const {
        const Survivor& from = current_[parent];
        const Level v = model_.next(from.voltage, from.bit, bit);
        return {from.error + model_.squaredDistance(v, target), v, static_cast<std::uint16_t>(parent),
                static_cast<std::uint8_t>(bit)};
    }

    // Children by bitA of parents [a, aEnd) and by bitB of [b, bEnd), merged by voltage.
    void mergeChildren(std::size_t a, std::size_t aEnd, std::size_t b, std::size_t bEnd, std::uint32_t bitA,
                       std::uint32_t bitB, typename Model::Target target) {
        const unsigned shift = std::min(limits_.binShift, 16u);
        Survivor* out = next_.data();
        const std::size_t groupStart = nextCount_;
        std::size_t count = nextCount_;
        while (a < aEnd || b < bEnd) {
            Survivor candidate;
            if (b == bEnd) {
                candidate = child(a++, bitA, target);
            } else if (a == aEnd) {
                candidate = child(b++, bitB, target);
            } else {
                const Survivor fromA = child(a, bitA, target);
                const Survivor fromB = child(b, bitB, target);
                if (fromA.voltage <= fromB.voltage) {
                    candidate = fromA;
                    ++a;
                } else {
                    candidate = fromB;
                    ++b;
                }
            }
            if (count > groupStart && (model_.bin(out[count - 1].voltage) >> shift) == (model_.bin(candidate.voltage) >> shift)) {
                if (candidate.error < out[count - 1].error) out[count - 1] = candidate;
            } else {
                out[count++] = candidate;
            }
        }
        nextCount_ = count;
    }

    // Drops paths far behind the best, then keeps the beam's best, in order.
    void prune() {
        Error limit = kNoLimit;
        std::size_t roomAtLimit = nextCount_;
        if (pruneMargin_ != kNoLimit) {
            Error best = kNoLimit;
            for (std::size_t i = 0; i < nextCount_; ++i) best = std::min(best, next_[i].error);
            limit = best + pruneMargin_;
        }
        if (nextCount_ > beam_) {
            errors_.resize(nextCount_);
            for (std::size_t i = 0; i < nextCount_; ++i) errors_[i] = next_[i].error;
            const auto nth = errors_.begin() + static_cast<std::ptrdiff_t>(beam_ - 1);
            std::nth_element(errors_.begin(), nth, errors_.end());
            if (*nth <= limit) {
                limit = *nth;
                std::size_t below = 0;
                for (std::size_t i = 0; i < nextCount_; ++i) below += next_[i].error < limit ? 1u : 0u;
                roomAtLimit = beam_ - below;
            }
        }
        if (limit == kNoLimit) return;
        std::size_t kept = 0;
        std::size_t keptBeforeOnes = 0;
        for (std::size_t i = 0; i < nextCount_; ++i) {
            const Error error = next_[i].error;
            if (error > limit || (error == limit && roomAtLimit == 0)) continue;
            if (error == limit) --roomAtLimit;
            if (i < nextFirstOne_) ++keptBeforeOnes;
            next_[kept++] = next_[i];
        }
        nextCount_ = kept;
        nextFirstOne_ = keptBeforeOnes;
    }

    OptimalSearchLimits limits_;
    Model model_;
    std::size_t beam_;
    Error pruneMargin_;
    std::vector<Survivor> current_;  // the first currentCount_ are in use
    std::vector<Survivor> next_;
    std::size_t currentCount_ = 0;
    std::size_t nextCount_ = 0;
    std::size_t currentFirstOne_ = 0;  // "1.5 bit": where the survivors after a 1 begin
    std::size_t nextFirstOne_ = 0;
    std::vector<Error> errors_;
    SearchHistory history_;
    std::vector<std::uint8_t> path_;
};

// The summed squared distance of a path's levels from their targets; with
// greedy, the path is the model's one-sample rule and is written to bits.
template <typename Model>
typename Model::Error pathError(std::span<const std::uint8_t> samples, std::span<std::uint8_t> bits,
                                const Model& model, bool greedy) {
    typename Model::Error error{};
    typename Model::Level level = model.start();
    std::uint32_t previousBit = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::uint32_t bit = greedy ? model.greedyBit(level, previousBit, samples[i]) : bits[i];
        level = model.next(level, previousBit, bit);
        previousBit = bit;
        if (greedy) bits[i] = static_cast<std::uint8_t>(bit);
        error += model.squaredDistance(level, model.target(samples[i]));
    }
    return error;
}

// The search, never worse than the one-sample rule: a narrow beam can drop
// the greedy path, and then that path is taken instead.
template <typename Model>
void searchStates(std::span<const std::uint8_t> samples, std::span<std::uint8_t> bits,
                  std::span<std::uint16_t> voltages, const OptimalSearchLimits& limits, const Model& model) {
    StateSearch<Model>(limits, model).run(samples, bits, voltages);
    std::vector<std::uint8_t> greedyBits(samples.size());
    const auto greedyError = pathError(samples, std::span(greedyBits), model, true);
    if (!(greedyError < pathError(samples, bits, model, false))) return;
    typename Model::Level level = model.start();
    std::uint32_t previousBit = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        level = model.next(level, previousBit, greedyBits[i]);
        previousBit = greedyBits[i];
        bits[i] = greedyBits[i];
        voltages[i] = model.voltage(level);
    }
}

}  // namespace ryx
