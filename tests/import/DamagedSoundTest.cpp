// Sounds that are not whole: cut files of every kind fail with how far they
// were decoded, and samples that are not numbers become silence.

#include "import/SoundImport.h"

#include "SameState.h"
#include "TestSounds.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <memory>
#include <regex>
#include <string>

namespace ryx {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kRate = 16000;

struct CutCase {
    const char* name;
    int format;
    std::size_t (*kept)(std::size_t size);  // how many of the file's first bytes are kept
    const char* message;  // a pattern
    double seconds = 3.0;  // 48,000 frames
};

class CutSoundTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutSoundTest, FailsSayingHowFarItWasDecoded) {
    const CutCase& cut = GetParam();
    Bytes bytes = test::soundBytes(test::monoTone(cut.format, kRate, cut.seconds));
    ASSERT_GT(bytes.size(), cut.kept(bytes.size()));
    bytes.resize(cut.kept(bytes.size()));

    auto state = test::freshState();
    const auto before = std::make_unique<ProgramState>(*state);
    const Result<ImportReport> report = importSoundBytes(*state, bytes, {8000, true, true});
    ASSERT_FALSE(report.ok());
    EXPECT_TRUE(std::regex_match(report.error(), std::regex(cut.message))) << report.error();
    test::expectSameState(*before, *state);
}

std::size_t firstHalf(std::size_t size) { return size / 2; }
std::size_t first3000(std::size_t) { return 3000; }
// 16-bit samples at the end of the file: the header and the first 1,000 frames.
std::size_t allBut47000Frames(std::size_t size) { return size - (48000 - 1000) * 2; }

INSTANTIATE_TEST_SUITE_P(
    EveryKind, CutSoundTest,
    ::testing::Values(
        CutCase{"FlacFirst3000Bytes", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, first3000,
                "the sound is damaged after [1-9][0-9]* of 48000 frames"},
        CutCase{"WavDataCut", SF_FORMAT_WAV | SF_FORMAT_PCM_16, allBut47000Frames,
                "the sound is damaged after 1000 of 48000 frames"},
        CutCase{"AiffDataCut", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, allBut47000Frames,
                "the sound is damaged after 1000 of 48000 frames"},
        CutCase{"Mp3FirstHalf", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, firstHalf,
                "the sound is damaged after [1-9][0-9]* of 48000 frames"},
        // Long enough for the first half to hold more than the codec's set-up.
        CutCase{"OggVorbisFirstHalf", SF_FORMAT_OGG | SF_FORMAT_VORBIS, firstHalf,
                "the sound is damaged after [1-9][0-9]* frames", 30.0},
        CutCase{"OggOpusFirstHalf", SF_FORMAT_OGG | SF_FORMAT_OPUS, firstHalf, "the sound is damaged after [0-9]+ frames"}),
    [](const ::testing::TestParamInfo<CutCase>& tested) { return std::string(tested.param.name); });

// A sample that is not a number would reach every sample through the offset
// removal; taken as silence, the sound is the one without it.
TEST(DamagedSound, NonFiniteSamplesAreTakenAsSilenceAndCounted) {
    // The tone is 0 at every fourth sample, where the bad values go.
    const struct {
        const char* name;
        int channels;
        std::vector<std::size_t> at;  // interleaved positions
        float value;
        const char* notice;
    } cases[] = {
        {"one NaN", 1, {4}, NAN, "1 sample was not a finite number and was taken as silence."},
        {"infinities", 1, {0, 8, 4000}, INFINITY, "3 samples were not finite numbers and were taken as silence."},
        {"minus infinity", 1, {12}, -INFINITY, "1 sample was not a finite number and was taken as silence."},
        {"NaN in one channel", 2, {9}, NAN, "1 sample was not a finite number and was taken as silence."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ToneSound tone = test::monoTone(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 1.0);
        tone.channels = c.channels;
        const ImportOptions options{8000, true, false};
        auto clean = test::freshState();
        ASSERT_TRUE(importSoundBytes(*clean, test::soundBytes(tone), options).ok());

        std::vector<float> frames = test::toneFrames(tone);
        for (const std::size_t at : c.at) frames[at] = c.value;
        auto state = test::freshState();
        const Result<ImportReport> report = importSoundBytes(*state, test::soundBytes(tone, frames), options);
        ASSERT_TRUE(report.ok()) << report.error();
        EXPECT_EQ(report->nonFiniteSamples, c.at.size());
        EXPECT_EQ(importNotices(*report), std::vector<std::string>{c.notice});
        test::expectSameState(*clean, *state);
    }
}

}  // namespace
}  // namespace ryx
