// The player's timing, measured on its code (PicPathWalk): every path from
// a sample's port write, and from a ramp bit's through each call that
// returns from it, to the next timed write.
#include "firmware/PicPathWalk.h"
#include "firmware/PlayerWriter.h"

#include <algorithm>
#include <stdexcept>

namespace ryx {

PicPathCycles PlayerWriter::measure(const PicAssembly& built) const {
    std::vector<PicRegion> regions;
    for (const Region& region : regions_) regions.push_back(region.span);
    std::vector<std::uint32_t> ends{sampleWrite_, rampBitWrite_};
    ends.insert(ends.end(), rampExitWrites_.begin(), rampExitWrites_.end());
    ends.insert(ends.end(), extraSampleWrites_.begin(), extraSampleWrites_.end());
    PicPathWalk walk(built, std::move(regions), std::move(ends));
    walk.walkFrom(sampleWrite_);
    for (const std::uint32_t write : extraSampleWrites_) walk.walkFrom(write);
    for (std::uint32_t bitReturn : rampBitReturns_) {
        for (std::uint32_t rampReturn : rampReturns_) walk.walkFrom(rampBitWrite_, {rampReturn, bitReturn});
    }
    for (const Region& region : regions_) {
        if (!walk.cycles().contains(region.span.name)) throw std::logic_error("no timed path through " + region.span.name);
    }
    return walk.cycles();
}

std::uint32_t PlayerWriter::longestWaitPath(const PicPathCycles& measured) const {
    std::uint32_t longest = 0;
    for (const Region& region : regions_) {
        if (region.isWait) longest = std::max(longest, measured.at(region.span.name));
    }
    return longest;
}

}  // namespace ryx
