#pragma once
// What an import tells its caller besides the sound: what was cut and why,
// what was taken as silence, and the texts the user is shown for it.

#include <cstdint>
#include <string>
#include <vector>

namespace ryx {

struct ImportReport {
    std::uint64_t cutSamples = 0;        // at the chosen rate, past kMaxSamples
    std::uint64_t undecodedFrames = 0;   // of the file, past the decoding limit
    std::uint32_t sourceRate = 0;        // the file's own rate
    std::uint32_t sampleRate = 0;        // the chosen rate
    std::uint64_t nonFiniteSamples = 0;  // NaN or infinite, taken as silence
};

// What was cut, naming the limit that cut it; empty when nothing was.
std::string cutNotice(const ImportReport& report);
// How many samples were taken as silence; empty when none were.
std::string nonFiniteNotice(const ImportReport& report);
// Every notice there is for the user, each one sentence, in that order.
std::vector<std::string> importNotices(const ImportReport& report);

}  // namespace ryx
