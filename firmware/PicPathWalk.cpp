#include "firmware/PicPathWalk.h"

#include <algorithm>
#include <stdexcept>

namespace ryx {

PicPathWalk::PicPathWalk(const PicAssembly& code, std::vector<PicRegion> regions, std::vector<std::uint32_t> ends)
    : steps_(code.steps()), regions_(std::move(regions)), ends_(std::move(ends)) {}

void PicPathWalk::walkFrom(std::uint32_t from, std::vector<std::uint32_t> returns) {
    State start;
    start.at = from + steps_.at(from).words;
    start.stack = std::move(returns);
    start.seen.assign(steps_.size(), 0);
    walk(std::move(start));
}

void PicPathWalk::walk(State s) {
    for (;;) {
        for (const PicRegion& region : regions_) {
            if (region.begin != s.at || &region == s.region) continue;
            if (!s.jumpedTo.empty() &&
                std::find(region.entries.begin(), region.entries.end(), s.jumpedTo) == region.entries.end()) {
                continue;
            }
            if (s.region != nullptr) throw std::logic_error("a path crosses " + s.region->name + " and " + region.name);
            s.region = &region;
            s.at = region.end;
        }
        if (s.at >= steps_.size()) return;
        const std::uint32_t depth = 1u << std::min<std::size_t>(s.stack.size(), 31);
        if ((s.seen[s.at] & depth) != 0) return;
        s.seen[s.at] |= depth;
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
            const std::uint32_t words = next < steps_.size() ? steps_[next].words : 1;
            if (bothWaysAlike(next)) {
                // Skipped or run, it takes one cycle to the same place: one
                // path, not two (long straight code would double at each).
                s.cycles += steps_[next].cycles;
                s.at = next + 1;
                break;
            }
            State skipped = s;
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

bool PicPathWalk::bothWaysAlike(std::uint32_t skipped) const {
    if (skipped >= steps_.size()) return false;
    const PicStep& step = steps_[skipped];
    if (step.flow != PicFlow::next || step.words != 1 || step.cycles != 1) return false;
    if (std::find(ends_.begin(), ends_.end(), skipped) != ends_.end()) return false;
    return std::none_of(regions_.begin(), regions_.end(), [&](const PicRegion& region) {
        return region.begin == skipped || region.begin == skipped + 1 || region.end == skipped + 1;
    });
}

void PicPathWalk::record(const State& s, std::uint32_t cycles) {
    if (s.region == nullptr) return;
    const auto [place, fresh] = cycles_.emplace(s.region->name, cycles);
    if (!fresh && place->second != cycles) {
        throw std::logic_error("paths through " + s.region->name + " take " + std::to_string(place->second) + " and " +
                               std::to_string(cycles) + " cycles");
    }
}

}  // namespace ryx
