#include "import/ImportReport.h"

#include <gtest/gtest.h>

namespace ryx {
namespace {

// The notice names the limit that ended the kept sound and the seconds of
// the file that were lost to it.
TEST(ImportReport, CutNoticeNamesTheLimitThatCut) {
    const struct {
        const char* name;
        ImportReport report;
        const char* notice;
    } cases[] = {
        {"nothing cut", {.sourceRate = 44100, .sampleRate = 15625}, ""},
        {"longest sound",
         {.cutSamples = 50000, .sourceRate = 44100, .sampleRate = 15625},
         "The sound is longer than 262500 samples at 15625 Hz: its last 50000 samples (3.20 s) were cut."},
        {"longest sound, and the end never decoded",
         {.cutSamples = 97500, .undecodedFrames = 60000, .sourceRate = 1000, .sampleRate = 1000},
         "The sound is longer than 262500 samples at 1000 Hz: its last 157500 samples (157.50 s) were cut."},
        {"six minutes decoded of two hours",
         {.undecodedFrames = 6840 * 8000, .sourceRate = 8000, .sampleRate = 1000},
         "The sound is longer than the 360 s the importer decodes: its last 6840.00 s were cut."},
        {"2^24 frames decoded at a high rate",
         {.undecodedFrames = 30 * 768000 - 16777216, .sourceRate = 768000, .sampleRate = 1000},
         "The sound is longer than the 16777216 frames (21.85 s at 768000 Hz) the importer decodes: its last 8.15 s "
         "were cut."},
    };
    for (const auto& c : cases) EXPECT_EQ(cutNotice(c.report), c.notice) << c.name;
}

}  // namespace
}  // namespace ryx
