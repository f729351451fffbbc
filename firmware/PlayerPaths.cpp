// The player's timing, measured on its code: every path from a timed port
// write (a sample's, a ramp bit's) to the next, walked instruction by
// instruction with the cycles of each row, both ways at every skip and
// branch, into and out of calls. Each such path crosses one region (a wait
// or a pad) that gives it its period; every path through a region must take
// the same cycles, or the player's timing depends on its data.
#include "firmware/PlayerWriter.h"

#include <algorithm>
#include <stdexcept>

namespace ryx {
namespace {

// A region is entered by running into it, by a return to it, or by a jump
// to a label set before it: a label set after an empty region is past it.
struct WalkRegion {
    std::uint32_t begin;
    std::uint32_t end;
    std::string name;
    std::vector<std::string> entries;
};

class PathWalk {
public:
    PathWalk(std::vector<PicStep> steps, std::vector<WalkRegion> regions, std::vector<std::uint32_t> ends)
        : steps_(std::move(steps)), regions_(std::move(regions)), ends_(std::move(ends)) {}

    // From the instruction after `from`, with the calls in `stack` to return through.
    void walkFrom(std::uint32_t from, std::vector<std::uint32_t> stack) {
        walk({from + steps_.at(from).words, 0, std::move(stack), {}, {}, {}});
    }

    const PlayerPathCycles& cycles() const { return cycles_; }

private:
    struct State {
        std::uint32_t at;
        std::uint32_t cycles;
        std::vector<std::uint32_t> stack;
        std::string region;  // crossed so far, at most one
        std::string_view jumpedTo;  // the label the last jump went to
        std::vector<std::pair<std::uint32_t, std::size_t>> seen;  // a loop ends a path
    };

    void walk(State s) {
        for (;;) {
            for (const WalkRegion& region : regions_) {
                if (region.begin != s.at || region.name == s.region) continue;
                if (!s.jumpedTo.empty() &&
                    std::find(region.entries.begin(), region.entries.end(), s.jumpedTo) == region.entries.end()) {
                    continue;
                }
                if (!s.region.empty()) throw std::logic_error("a path crosses " + s.region + " and " + region.name + " at " + std::to_string(s.at) + " after " + std::to_string(s.cycles));
                s.region = region.name;
                s.at = region.end;
            }
            if (s.at >= steps_.size()) return;
            const std::pair<std::uint32_t, std::size_t> here{s.at, s.stack.size()};
            if (std::find(s.seen.begin(), s.seen.end(), here) != s.seen.end()) return;
            s.seen.push_back(here);
            s.jumpedTo = {};
            const PicStep& step = steps_[s.at];
            if (std::find(ends_.begin(), ends_.end(), s.at) != ends_.end()) return record(s, s.cycles + step.cycles);
            s.cycles += step.cycles;
            const std::uint32_t next = s.at + step.words;
            switch (step.flow) {
            case PicFlow::next: s.at = next; break;
            case PicFlow::jump:
                s.at = step.target;
                s.jumpedTo = step.label;
                break;
            case PicFlow::call:
                s.stack.push_back(next);
                s.at = step.target;
                s.jumpedTo = step.label;
                break;
            case PicFlow::ret:
                if (s.stack.empty()) return;  // back to whoever called: not timed here
                s.at = s.stack.back();
                s.stack.pop_back();
                break;
            case PicFlow::stop: return;
            case PicFlow::skip: {
                State skipped = s;
                const std::uint32_t words = next < steps_.size() ? steps_[next].words : 1;
                skipped.cycles += words;
                skipped.at = next + words;
                walk(std::move(skipped));
                s.at = next;
                break;
            }
            case PicFlow::branch: {
                State taken = s;
                taken.cycles += 1;
                taken.at = step.target;
                taken.jumpedTo = step.label;
                walk(std::move(taken));
                s.at = next;
                break;
            }
            }
        }
    }

    // A path through no region is not timed: the first sample after the ramp.
    void record(const State& s, std::uint32_t cycles) {
        if (s.region.empty()) return;
        const auto [place, fresh] = cycles_.emplace(s.region, cycles);
        if (!fresh && place->second != cycles) {
            throw std::logic_error("paths through " + s.region + " take " + std::to_string(place->second) + " and " +
                                   std::to_string(cycles) + " cycles");
        }
    }

    std::vector<PicStep> steps_;
    std::vector<WalkRegion> regions_;
    std::vector<std::uint32_t> ends_;
    PlayerPathCycles cycles_;
};

}  // namespace

PlayerPathCycles PlayerWriter::measure(const PicAssembly& built) const {
    std::vector<WalkRegion> regions;
    for (const auto& region : regions_) regions.push_back({region.begin, region.end, region.name, region.entries});
    std::vector<std::uint32_t> ends{sampleWrite_, rampBitWrite_};
    ends.insert(ends.end(), rampExitWrites_.begin(), rampExitWrites_.end());
    PathWalk walk(built.steps(), std::move(regions), std::move(ends));
    walk.walkFrom(sampleWrite_, {});
    const std::vector<PicStep> steps = built.steps();
    for (std::uint32_t bitCall : rampBitCalls_) {
        for (std::uint32_t rampCall : rampCalls_) {
            walk.walkFrom(rampBitWrite_, {rampCall + steps[rampCall].words, bitCall + steps[bitCall].words});
        }
    }
    for (const auto& region : regions_) {
        if (walk.cycles().find(region.name) == walk.cycles().end()) {
            throw std::logic_error("no timed path through " + region.name);
        }
    }
    return walk.cycles();
}

std::uint32_t PlayerWriter::longestWaitPath(const PlayerPathCycles& measured) const {
    std::uint32_t longest = 0;
    for (const auto& region : regions_) {
        if (region.isWait) longest = std::max(longest, measured.at(region.name));
    }
    return longest;
}

}  // namespace ryx
