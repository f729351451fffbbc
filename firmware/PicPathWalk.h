#pragma once
// The cycles of a program's paths, walked on its code instruction by
// instruction with each row's cycles: both ways at every skip and branch,
// into and out of calls, from a port write to the next. Each path crosses
// one region (a wait or a pad) that gives it its period, at no cycles of its
// own; every path through a region must take the same cycles, or the
// program's timing would depend on its data.

#include "firmware/PicAssembly.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ryx {

// Words begin to end. A path enters it by running into it, by a return to
// it, or by a jump to one of `entries`, labels set before it: a label set
// after an empty region is past it.
struct PicRegion {
    std::string name;
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    std::vector<std::string> entries = {};
};

// Each region's name and the cycles of the paths through it, without it.
using PicPathCycles = std::map<std::string, std::uint32_t, std::less<>>;

class PicPathWalk {
public:
    // Paths end at the first of `ends` they reach, its cycles included.
    PicPathWalk(const PicAssembly& code, std::vector<PicRegion> regions, std::vector<std::uint32_t> ends);

    // Every path from the instruction after `from`, returning through
    // `returns` (the innermost last). A path that returns further, sleeps,
    // or loops back before it reaches an end is no timed path; nor is one
    // through no region. Throws where two paths through one region differ
    // or one crosses two regions.
    void walkFrom(std::uint32_t from, std::vector<std::uint32_t> returns = {});

    const PicPathCycles& cycles() const { return cycles_; }

private:
    struct State {
        std::uint32_t at = 0;
        std::uint32_t cycles = 0;
        std::vector<std::uint32_t> stack;
        const PicRegion* region = nullptr;  // crossed so far, at most one
        std::string_view jumpedTo;          // the label the last jump went to
        std::vector<std::uint32_t> seen;    // per word, a bit per call depth: a loop ends a path
    };

    void walk(State s);
    // A skip over one plain one-cycle instruction, near no region or end.
    bool bothWaysAlike(std::uint32_t skipped) const;
    void record(const State& s, std::uint32_t cycles);

    std::vector<PicStep> steps_;
    std::vector<PicRegion> regions_;
    std::vector<std::uint32_t> ends_;
    PicPathCycles cycles_;
};

}  // namespace ryx
