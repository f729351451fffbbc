#include "formats/WaveLoad.h"
#include "io/WaveFile.h"

#include "core/Encoder.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace ryx {
namespace {

using test::Bytes;
using test::rampSamples;
using test::wave44;
using test::wave46;

void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

class WaveLoadTest : public ::testing::Test {
protected:
    // As the window opens a file: encoded when loaded, the message shown when not.
    Result<> load(const Bytes& fileBytes) {
        const auto path = directory / "sound.wav";
        test::writeFileBytes(path, fileBytes);
        Result<> loaded = loadWaveFile(*state, path.string());
        if (loaded) {
            encodeSound(*state);
        } else {
            state->statusText.set(loaded.error());
        }
        return loaded;
    }

    // The empty sound after a refusal.
    void expectResetState() const {
        EXPECT_EQ(state->encoder.sampleCount, 490u);
        EXPECT_EQ(state->encoder.overviewStep, 256u);
        EXPECT_EQ(state->encoder.viewOffset, 0u);
        EXPECT_TRUE(std::all_of(state->origSamples.begin(), state->origSamples.begin() + kMaxSamples,
                                [](std::uint8_t s) { return s == 128; }));
        EXPECT_TRUE(std::all_of(state->bitStream.begin(), state->bitStream.begin() + kMaxSamples,
                                [](std::uint8_t b) { return b == 0; }));
        EXPECT_TRUE(std::all_of(state->overviewLevels.begin(), state->overviewLevels.end(),
                                [](std::uint8_t l) { return l == 0; }));
    }

    test::TempDirectory directory;
    std::unique_ptr<ProgramState> state = test::makeStartedState();
};

TEST_F(WaveLoadTest, LoadsSamplesAndRateAndEncodesAndWritesNothing) {
    const Bytes samples = rampSamples(1000);
    ASSERT_TRUE(load(wave46(samples, {.rate = 22050})));

    EXPECT_TRUE(state->statusText.empty());
    EXPECT_EQ(state->encoder.sampleRate, 22050u);
    EXPECT_EQ(state->encoder.sampleCount, 1000u);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), state->origSamples.begin()));
    EXPECT_EQ(state->origSamples[1000], 128);
    EXPECT_EQ(state->encoder.resistorOhms, 3193);  // encoded at the file's rate
    EXPECT_EQ(state->encoder.showEncoded, 1);
    EXPECT_NE(state->smoothedSamples[0], 128);
    // Only the sound itself is in the folder: an open writes no preview.
    EXPECT_EQ(test::entriesOf(directory.path()), std::vector<std::string>{"sound.wav"});
}

TEST_F(WaveLoadTest, LengthAndTagDecideWhetherItIsAWave) {
    struct Case {
        const char* name;
        Bytes file;
        bool loads;
        std::string_view message;
    };
    Bytes fiftyThree = wave46(rampSamples(7));
    const Case cases[] = {
        {"empty file", {}, false, kNotWaveMessage},
        {"shorter than the header", Bytes(fiftyThree.begin(), fiftyThree.begin() + 20), false,
         kNotWaveMessage},
        {"53 bytes", fiftyThree, false, kNotWaveMessage},
        {"54 bytes", wave46(rampSamples(8)), true, ""},
        {"WAVF tag", wave46(rampSamples(100), {.wave = "WAVF"}), false, kNotWaveMessage},
        {"lower-case tag", wave46(rampSamples(100), {.wave = "wave"}), false, kNotWaveMessage},
        {"no RIFF", wave46(rampSamples(100), {.riff = "JUNK"}), true, ""},
        {"format tag 3", wave46(rampSamples(100), {.formatTag = 3}), true, ""},
        {"stereo", wave46(rampSamples(100), {.channels = 2}), false, kUnsupportedFormatMessage},
        {"16-bit", wave46(rampSamples(100), {.bits = 16}), false, kUnsupportedFormatMessage},
        {"no channels", wave46(rampSamples(100), {.channels = 0}), false, kUnsupportedFormatMessage},
        // Only the low bytes of the two fields are looked at.
        {"channels 257", wave46(rampSamples(100), {.channels = 257}), true, ""},
        {"bits 264", wave46(rampSamples(100), {.bits = 264}), true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(load(c.file).ok(), c.loads);
        EXPECT_EQ(state->statusText.view(), c.message);
        if (!c.loads) expectResetState();
    }
}

TEST_F(WaveLoadTest, FiftyFourBytesLoadEightSamplesAndLeaveHeaderBytesBehind) {
    const Bytes file = wave46(rampSamples(8));
    ASSERT_TRUE(load(file));
    EXPECT_EQ(state->encoder.sampleCount, 8u);
    EXPECT_TRUE(std::equal(file.begin() + 46, file.end(), state->origSamples.begin()));
    // Positions 8 to 45 still hold the header read into the same buffer.
    EXPECT_TRUE(std::equal(file.begin() + 8, file.begin() + 46, state->origSamples.begin() + 8));
    EXPECT_EQ(state->origSamples[46], 128);
    // And the overview shows them: 'W' (87) is 41 from silence, 'A' (65) 63.
    EXPECT_EQ(state->overviewLevels[8], 8);
    EXPECT_EQ(state->overviewLevels[9], 10);
    // Only 7 bits are encoded.
    EXPECT_EQ(state->bitStream[7], 0);
    EXPECT_EQ(state->decodedSamples[7], 128);
}

TEST_F(WaveLoadTest, FortyFourByteHeaderLosesItsFirstTwoSamples) {
    const Bytes samples = rampSamples(300);
    ASSERT_TRUE(load(wave44(samples, 11025)));
    EXPECT_EQ(state->encoder.sampleRate, 11025u);
    EXPECT_EQ(state->encoder.sampleCount, 298u);
    EXPECT_TRUE(std::equal(samples.begin() + 2, samples.end(), state->origSamples.begin()));
    EXPECT_EQ(state->origSamples[298], 128);
}

TEST_F(WaveLoadTest, EverythingAfterOffset46IsSound) {
    Bytes file = wave46(rampSamples(100));
    put32(file, 42, 10);  // the data size field has no effect
    const Bytes trailing = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    file.insert(file.end(), trailing.begin(), trailing.end());
    ASSERT_TRUE(load(file));
    EXPECT_EQ(state->encoder.sampleCount, 112u);
    EXPECT_TRUE(std::equal(trailing.begin(), trailing.end(), state->origSamples.begin() + 100));
}

TEST_F(WaveLoadTest, LongFilesLoadExactlyTheLargestSound) {
    for (const std::size_t sampleBytes : {std::size_t{262500}, std::size_t{262500 + 4000}}) {
        SCOPED_TRACE(sampleBytes);
        const Bytes samples = rampSamples(sampleBytes);
        ASSERT_TRUE(load(wave46(samples)));
        EXPECT_EQ(state->encoder.sampleCount, kMaxSamples);
        EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + kMaxSamples, state->origSamples.begin()));
        // The margin behind the largest sound is never written.
        EXPECT_TRUE(std::all_of(state->origSamples.begin() + kMaxSamples, state->origSamples.end(),
                                [](std::uint8_t s) { return s == 0; }));
    }
}

TEST_F(WaveLoadTest, RateIsTheLowThreeBytes) {
    struct Case {
        std::uint32_t field;
        std::uint32_t rate;
    };
    for (const Case c : {Case{15625, 15625}, Case{16777215, 16777215}, Case{16777216 + 22050, 22050},
                         Case{0x12345678, 0x345678}, Case{0, 0}}) {
        SCOPED_TRACE(c.field);
        ASSERT_TRUE(load(wave46(rampSamples(64), {.rate = c.field})));
        EXPECT_EQ(state->encoder.sampleRate, c.rate);
    }
}

TEST_F(WaveLoadTest, OverviewStepAndSampledColumns) {
    struct Case {
        std::size_t count;
        std::uint32_t step;
        std::size_t column;
        std::size_t position;  // the sample that the column shows
    };
    const Case cases[] = {
        {490, 256, 1, 1},   {490, 256, 489, 489}, {491, 256, 489, 489},
        {1000, 521, 1, 2},  {1000, 521, 489, 995}, {262500, 137142, 489, 261962},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " samples, column " << c.column);
        Bytes samples(c.count, 128);
        samples[c.position] = 0;  // the only loud sample
        samples[0] = 0;           // column 0 stays 0 all the same
        ASSERT_TRUE(load(wave46(samples)));
        EXPECT_EQ(state->encoder.overviewStep, c.step);
        EXPECT_EQ(state->overviewLevels[0], 0);
        EXPECT_EQ(state->overviewLevels[c.column], 15);
        EXPECT_EQ(std::count(state->overviewLevels.begin(), state->overviewLevels.end(), 15), 1);
    }
}

TEST_F(WaveLoadTest, OverviewLevelsJumpFromFourToEight) {
    struct Case {
        std::uint8_t sample;
        std::uint8_t level;
    };
    const Case cases[] = {{128, 0}, {135, 0}, {121, 0}, {136, 1}, {120, 1}, {159, 3}, {160, 4},
                          {167, 4}, {89, 4},  {168, 8}, {88, 8},  {175, 8}, {176, 9}, {223, 14},
                          {33, 14}, {224, 15}, {32, 15}, {255, 15}, {0, 15}, {1, 15}};
    Bytes samples(490, 128);
    for (std::size_t i = 0; i < std::size(cases); ++i) samples[1 + i] = cases[i].sample;
    ASSERT_TRUE(load(wave46(samples)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(state->overviewLevels[1 + i], cases[i].level) << "sample " << int{cases[i].sample};
    }
}

TEST_F(WaveLoadTest, RefusalKeepsRateAndResistor) {
    ASSERT_TRUE(load(wave46(rampSamples(3000), {.rate = 8000})));
    const std::int32_t ohms = state->encoder.resistorOhms;
    state->encoder.showEncoded = 0;

    ASSERT_FALSE(load(wave46(rampSamples(3000), {.rate = 44100, .channels = 2})));
    EXPECT_EQ(state->statusText.view(), kUnsupportedFormatMessage);
    expectResetState();
    EXPECT_EQ(state->encoder.sampleRate, 8000u);
    EXPECT_EQ(state->encoder.resistorOhms, ohms);
    EXPECT_EQ(state->encoder.showEncoded, 0);

    // The next good open clears the message again.
    ASSERT_TRUE(load(wave46(rampSamples(600))));
    EXPECT_TRUE(state->statusText.empty());
    EXPECT_EQ(state->encoder.showEncoded, 1);
}

TEST_F(WaveLoadTest, UnopenableFileLeavesTheResetStateWithAMessage) {
    std::filesystem::create_directory(directory / "folder.wav");
    // A named pipe is refused at once, never waited on.
    ASSERT_EQ(::mkfifo((directory / "pipe.wav").c_str(), 0600), 0);
    for (const std::string& name : {(directory / "missing.wav").string(), (directory / "folder.wav").string(),
                                   (directory / "pipe.wav").string(), std::string()}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(load(wave46(rampSamples(2000), {.rate = 11025})));

        const Result<> opened = loadWaveFile(*state, name);
        EXPECT_EQ(opened.error(), kCannotOpenMessage);
        EXPECT_NE(opened.systemError(), 0);
        expectResetState();
        EXPECT_EQ(state->encoder.sampleRate, 11025u);
    }
}

// A file read into the sample buffer itself, over a longest sound: nothing of
// the file or the old sound is left behind the new sound's positions.
TEST(WaveLoadInPlace, LeavesNothingOfTheFileOrTheOldSoundBehind) {
    Bytes garbage(300000);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 7 + 3);
    struct Case {
        Bytes file;
        bool loads;
        std::uint32_t sampleCount;
    };
    const std::vector<Case> cases = {{garbage, false, 490},
                                     {wave46(rampSamples(1000)), true, 1000},
                                     {wave46(rampSamples(kMaxSamples + 4000)), true, kMaxSamples}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.size());
        auto state = test::makeStartedState();
        ASSERT_TRUE(loadWaveBytes(*state, wave46(test::squareSamples(kMaxSamples))));
        encodeSound(*state);
        const std::size_t held = std::min(c.file.size(), kLongestUsefulWave);
        std::copy_n(c.file.begin(), held, state->origSamples.begin());
        const bool loaded = loadWaveBytes(*state, std::span(state->origSamples).first(held)).ok();
        ASSERT_EQ(loaded, c.loads);
        ASSERT_EQ(state->encoder.sampleCount, c.sampleCount);
        const std::size_t sound = loaded ? c.sampleCount : 0;
        EXPECT_TRUE(!loaded || std::equal(c.file.begin() + 46, c.file.begin() + 46 + static_cast<std::ptrdiff_t>(sound), state->origSamples.begin()));
        EXPECT_TRUE(std::all_of(state->origSamples.begin() + static_cast<std::ptrdiff_t>(sound),
                                state->origSamples.begin() + kMaxSamples, [](std::uint8_t s) { return s == 128; }));
        EXPECT_TRUE(std::all_of(state->origSamples.begin() + kMaxSamples, state->origSamples.end(),
                                [](std::uint8_t s) { return s == 0; }));
        EXPECT_TRUE(std::all_of(state->bitStream.begin(), state->bitStream.end(), [](std::uint8_t b) { return b == 0; }));
    }
}

}  // namespace
}  // namespace ryx
