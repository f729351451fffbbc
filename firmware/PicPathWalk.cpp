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
    walk(std::move(start));
}

void PicPathWalk::walk(State s) {
    for (;;) {
        for (const PicRegion& region : regions_) {
            if (region.begin != s.at || region.name == s.region) continue;
            if (!s.jumpedTo.empty() &&
                std::find(region.entries.begin(), region.entries.end(), s.jumpedTo) == region.entries.end()) {
                continue;
            }
            if (!s.region.empty()) throw std::logic_error("a path crosses " + s.region + " and " + region.name);
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

void PicPathWalk::record(const State& s, std::uint32_t cycles) {
    if (s.region.empty()) return;
    const auto [place, fresh] = cycles_.emplace(s.region, cycles);
    if (!fresh && place->second != cycles) {
        throw std::logic_error("paths through " + s.region + " take " + std::to_string(place->second) + " and " +
                               std::to_string(cycles) + " cycles");
    }
}

}  // namespace ryx
