#include "import/SoundImport.h"

#include "SameState.h"
#include "TestSounds.h"
#include "formats/WaveLoad.h"
#include "import/SoundDecoder.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <memory>
#include <string>

namespace ryx {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool contains(const Bytes& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}


struct KindCase {
    const char* name;
    int format;
    int channels;
    int fileRate;
    std::uint32_t importRate;
    const char* title = "";
};

class ImportKindTest : public ::testing::TestWithParam<KindCase> {};

// Every kind of sound: a 1 kHz tone between silences comes out at 1 kHz at
// the chosen rate, peaking at -1 dBFS, its silences trimmed.
TEST_P(ImportKindTest, ToneComesOutAtItsPitchLevelAndLength) {
    const KindCase& kind = GetParam();
    test::ToneSound tone;
    tone.format = kind.format;
    tone.channels = kind.channels;
    tone.rate = kind.fileRate;
    tone.title = kind.title;
    const Bytes bytes = test::soundBytes(tone);
    ASSERT_FALSE(bytes.empty());
    if (!tone.title.empty()) {
        EXPECT_TRUE(contains(bytes, "LIST") && contains(bytes, "fact")) << "the test sound lacks its chunks";
    }

    auto state = test::freshState();
    const Result<ImportReport> report = importSoundBytes(*state, bytes, {kind.importRate, true, true});
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_EQ(report->cutSamples, 0u);
    const EncoderState& encoder = state->encoder;
    EXPECT_EQ(encoder.sampleRate, kind.importRate);
    // One second of tone; lossy codecs smear its edges by a few milliseconds.
    EXPECT_NEAR(static_cast<double>(encoder.sampleCount), kind.importRate, kind.importRate * 0.02);
    const double seconds = static_cast<double>(encoder.sampleCount) / kind.importRate;
    const int crossings = test::zeroCrossings(state->origSamples.data(), encoder.sampleCount);
    EXPECT_NEAR(crossings / 2.0 / seconds, 1000.0, 15.0);
    const auto [low, high] = std::minmax_element(state->origSamples.begin(),
                                                 state->origSamples.begin() + encoder.sampleCount);
    EXPECT_NEAR(std::max(128 - *low, *high - 128), 114, 1);  // 0.891 x 128
    EXPECT_TRUE(state->statusText.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ImportKindTest,
    ::testing::Values(KindCase{"Wav16BitStereo", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 15625},
                      KindCase{"WavFloatMono", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 22050, 8000},
                      KindCase{"ExtensibleWithListAndFact", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 2, 48000, 11025,
                               "tone"},
                      KindCase{"Flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100, 15625},
                      KindCase{"OggVorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, 22050},
                      KindCase{"OggOpus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 1, 48000, 16000},
                      KindCase{"Mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2, 44100, 15625},
                      KindCase{"Aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 22050, 12500}),
    [](const ::testing::TestParamInfo<KindCase>& tested) { return std::string(tested.param.name); });


TEST(SoundImport, LongSoundIsCutAtTheLongestAndSaysHowMuch) {
    test::ToneSound tone = test::monoTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 15625, 20.0);  // 312,500 samples
    auto state = test::freshState();
    const Result<ImportReport> report = importSoundBytes(*state, test::soundBytes(tone), {15625, false, false});
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_EQ(state->encoder.sampleCount, kMaxSamples);
    EXPECT_EQ(report->cutSamples, 50000u);
    EXPECT_EQ(cutNotice(*report),
              "The sound is longer than 262500 samples at 15625 Hz: its last 50000 samples (3.20 s) were cut.");
}

// Past six minutes nothing is decoded, yet it counts as cut.
TEST(SoundImport, UndecodedEndCountsAsCut) {
    test::ToneSound tone = test::monoTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1000, 420.0);
    tone.toneHz = 100.0;
    auto state = test::freshState();
    const Result<ImportReport> report = importSoundBytes(*state, test::soundBytes(tone), {1000, true, false});
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_EQ(state->encoder.sampleCount, kMaxSamples);
    EXPECT_EQ(report->cutSamples, 360000u - kMaxSamples);
    EXPECT_EQ(report->undecodedFrames, 60000u);
    EXPECT_EQ(cutNotice(*report),
              "The sound is longer than 262500 samples at 1000 Hz: its last 157500 samples (157.50 s) were cut.");
}

// At high rates the decoding stops at 2^24 frames, well short of the longest
// sound at a low rate; the header's length, not the bytes present, tells how
// much was left (as when only the start of a long file was read).
TEST(SoundImport, DecodingLimitIsNamedWhenItCutTheSound) {
    constexpr std::uint32_t kSourceRate = 768000;
    constexpr std::uint32_t kDeclaredFrames = 30 * kSourceRate;
    Bytes samples(kMaxDecodedFrames + 1000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = (i / 384) % 2 != 0 ? 100 : 156;  // 1 kHz
    Bytes bytes = test::previewFileBytes(samples, kSourceRate);
    const auto setLittleEndian32 = [&bytes](std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    setLittleEndian32(4, kDeclaredFrames + kWaveHeaderSize - 8);
    setLittleEndian32(kWaveHeaderSize - 4, kDeclaredFrames);

    auto state = test::freshState();
    const Result<ImportReport> report = importSoundBytes(*state, bytes, {1000, true, false});
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_NEAR(static_cast<double>(state->encoder.sampleCount), 21845.0, 1.0);
    EXPECT_EQ(report->cutSamples, 0u);
    EXPECT_EQ(report->undecodedFrames, kDeclaredFrames - kMaxDecodedFrames);
    EXPECT_EQ(cutNotice(*report), "The sound is longer than the 16777216 frames (21.85 s at 768000 Hz) the importer "
                                  "decodes: its last 8.15 s were cut.");
}

TEST(SoundImport, ShortSoundIsPaddedToTheShortestTheReaderTakes) {
    test::ToneSound tone = test::monoTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 3.0 / 8000);
    auto state = test::freshState();
    ASSERT_TRUE(importSoundBytes(*state, test::soundBytes(tone), {8000, false, false}).ok());
    EXPECT_EQ(state->encoder.sampleCount, 8u);
    EXPECT_EQ(state->origSamples[7], 128);
}

struct BadCase {
    const char* name;
    Bytes bytes;
    std::uint32_t rate;
    const char* reason;  // part of the message
};

Bytes headerOnlyWave() {
    test::ToneSound empty;
    empty.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    empty.channels = 1;
    empty.leadSeconds = empty.toneSeconds = empty.tailSeconds = 0.0;
    return test::soundBytes(empty);
}

Bytes silentWave() {
    test::ToneSound silent;
    silent.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    silent.amplitude = 0.0;
    silent.offset = 0.1;  // nothing left once the offset is removed
    return test::soundBytes(silent);
}

Bytes goodWave() {
    test::ToneSound tone;
    tone.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    return test::soundBytes(tone);
}

// Each failure names the library's (or the importer's) reason and leaves the
// sound that was loaded as it was.
TEST(SoundImport, BadInputFailsWithItsReasonAndChangesNothing) {
    const std::string garbage = "This is a text file, not a sound at all, but it is long enough.";
    Bytes truncated = goodWave();
    truncated.resize(30);
    Bytes mp3Start = test::soundBytes(test::monoTone(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 1.0));
    mp3Start.resize(200);  // less than a frame after the length frame
    const BadCase cases[] = {
        {"empty", {}, 15625, "Format not recognised"},
        {"text", Bytes(garbage.begin(), garbage.end()), 15625, "Format not recognised"},
        {"truncated header", truncated, 15625, ""},
        {"no frames", headerOnlyWave(), 15625, "no samples"},
        {"start of an mp3", mp3Start, 15625, "it is not a sound the decoder recognises"},
        {"silent", silentWave(), 15625, "silent"},
        {"rate too low", goodWave(), 999, "out of range (1000 to 48000 Hz)"},
        {"rate too high", goodWave(), 48001, "out of range"},
    };
    auto state = test::freshState();
    ASSERT_TRUE(importSoundBytes(*state, goodWave(), {}).ok());
    auto before = std::make_unique<ProgramState>(*state);
    for (const BadCase& bad : cases) {
        SCOPED_TRACE(bad.name);
        const Result<ImportReport> report = importSoundBytes(*state, bad.bytes, {bad.rate, true, true});
        EXPECT_FALSE(report.ok());
        EXPECT_NE(report.error().find(bad.reason), std::string::npos) << report.error();
        test::expectSameState(*before, *state);
    }
}



}  // namespace
}  // namespace ryx
