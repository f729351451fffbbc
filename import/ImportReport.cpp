#include "import/ImportReport.h"

#include "core/ProgramState.h"
#include "import/SoundDecoder.h"

#include <cmath>
#include <cstdio>

namespace ryx {
namespace {

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

double seconds(std::uint64_t count, std::uint32_t rate) { return static_cast<double>(count) / rate; }

}  // namespace

std::string cutNotice(const ImportReport& report) {
    if (report.cutSamples > 0) {
        // The sound ends at the longest sound; what was never decoded lies past it too.
        const auto undecoded = static_cast<std::uint64_t>(std::llround(
            static_cast<double>(report.undecodedFrames) * report.sampleRate / report.sourceRate));
        const std::uint64_t cut = report.cutSamples + undecoded;
        return "The sound is longer than " + std::to_string(kMaxSamples) + " samples at " +
               std::to_string(report.sampleRate) + " Hz: its last " + std::to_string(cut) + " samples (" +
               secondsText(seconds(report.cutSamples, report.sampleRate) +
                           seconds(report.undecodedFrames, report.sourceRate)) +
               " s) were cut.";
    }
    if (report.undecodedFrames == 0) return {};
    const std::uint64_t limit = decodedFrameLimit(report.sourceRate);
    const std::string limitText =
        limit == kMaxDecodedFrames ? std::to_string(limit) + " frames (" + secondsText(seconds(limit, report.sourceRate)) +
                                         " s at " + std::to_string(report.sourceRate) + " Hz)"
                                   : std::to_string(kMaxDecodedSeconds) + " s";
    return "The sound is longer than the " + limitText + " the importer decodes: its last " +
           secondsText(seconds(report.undecodedFrames, report.sourceRate)) + " s were cut.";
}

std::string nonFiniteNotice(const ImportReport& report) {
    if (report.nonFiniteSamples == 0) return {};
    if (report.nonFiniteSamples == 1) return "1 sample was not a finite number and was taken as silence.";
    return std::to_string(report.nonFiniteSamples) + " samples were not finite numbers and were taken as silence.";
}

std::vector<std::string> importNotices(const ImportReport& report) {
    std::vector<std::string> notices;
    for (std::string notice : {cutNotice(report), nonFiniteNotice(report)}) {
        if (!notice.empty()) notices.push_back(std::move(notice));
    }
    return notices;
}

}  // namespace ryx
