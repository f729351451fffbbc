#include "core/WavReader.h"

#include "core/Encoder.h"
#include "core/PreviewWriter.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace ryx {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void putText(Bytes& bytes, std::size_t at, const char* text) { std::memcpy(&bytes[at], text, std::strlen(text)); }

// The header fields a test may want to spoil.
struct WaveFields {
    std::uint32_t rate = 8000;
    std::uint16_t channels = 1;
    std::uint16_t bits = 8;
    std::uint16_t formatTag = 1;
    const char* riff = "RIFF";
    const char* wave = "WAVE";
};

// The 46-byte layout: an 18-byte format chunk, samples from offset 46.
Bytes wave46(const Bytes& samples, const WaveFields& fields = {}) {
    Bytes bytes(46);
    putText(bytes, 0, fields.riff);
    put32(bytes, 4, static_cast<std::uint32_t>(samples.size() + 38));
    putText(bytes, 8, fields.wave);
    putText(bytes, 12, "fmt ");
    put32(bytes, 16, 18);
    put16(bytes, 20, fields.formatTag);
    put16(bytes, 22, fields.channels);
    put32(bytes, 24, fields.rate);
    put32(bytes, 28, fields.rate * fields.channels * fields.bits / 8);
    put16(bytes, 32, static_cast<std::uint16_t>(fields.channels * fields.bits / 8));
    put16(bytes, 34, fields.bits);
    put16(bytes, 36, 0);
    putText(bytes, 38, "data");
    put32(bytes, 42, static_cast<std::uint32_t>(samples.size()));
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

// The common 44-byte layout: a 16-byte format chunk, samples from offset 44.
Bytes wave44(const Bytes& samples, std::uint32_t rate = 8000) {
    Bytes bytes(44);
    putText(bytes, 0, "RIFF");
    put32(bytes, 4, static_cast<std::uint32_t>(samples.size() + 36));
    putText(bytes, 8, "WAVEfmt ");
    put32(bytes, 16, 16);
    put16(bytes, 20, 1);
    put16(bytes, 22, 1);
    put32(bytes, 24, rate);
    put32(bytes, 28, rate);
    put16(bytes, 32, 1);
    put16(bytes, 34, 8);
    putText(bytes, 36, "data");
    put32(bytes, 40, static_cast<std::uint32_t>(samples.size()));
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

// Distinct, non-silent samples, so a shift by one position shows.
Bytes rampSamples(std::size_t count) {
    Bytes samples(count);
    for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return samples;
}

class WavReaderTest : public ::testing::Test {
protected:
    LoadResult load(const Bytes& fileBytes) {
        const auto path = directory / "sound.wav";
        test::writeFileBytes(path, fileBytes);
        return loadWaveFile(*state, path.string());
    }

    Bytes originalPreview() const { return test::readFileBytes(originalPreviewPath(*state)); }
    Bytes decodedPreview() const { return test::readFileBytes(decodedPreviewPath(*state)); }

    // The empty sound after a refusal, with both previews as described.
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
    std::unique_ptr<ProgramState> state = test::makeStartedState(directory.path());
};

TEST_F(WavReaderTest, LoadsSamplesRateAndBothPreviews) {
    const Bytes samples = rampSamples(1000);
    ASSERT_EQ(load(wave46(samples, {.rate = 22050})), LoadResult::loaded);

    EXPECT_TRUE(state->statusText.empty());
    EXPECT_EQ(state->encoder.sampleRate, 22050u);
    EXPECT_EQ(state->encoder.sampleCount, 1000u);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), state->origSamples.begin()));
    EXPECT_EQ(state->origSamples[1000], 128);
    EXPECT_EQ(state->encoder.resistorOhms, 3193);  // encoded at the file's rate
    EXPECT_EQ(state->encoder.showEncoded, 1);

    const Bytes original = originalPreview();
    ASSERT_EQ(original.size(), 1046u);
    const auto header = previewHeader(1000, 22050);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), original.begin()));
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), original.begin() + 46));

    const Bytes decoded = decodedPreview();
    ASSERT_EQ(decoded.size(), 1046u);
    EXPECT_TRUE(std::equal(decoded.begin() + 46, decoded.end(), state->smoothedSamples.begin()));
}

TEST_F(WavReaderTest, LengthAndTagDecideWhetherItIsAWave) {
    struct Case {
        const char* name;
        Bytes file;
        LoadResult result;
        std::string_view message;
    };
    Bytes fiftyThree = wave46(rampSamples(7));
    const Case cases[] = {
        {"empty file", {}, LoadResult::refused, kNotWaveMessage},
        {"shorter than the header", Bytes(fiftyThree.begin(), fiftyThree.begin() + 20), LoadResult::refused,
         kNotWaveMessage},
        {"53 bytes", fiftyThree, LoadResult::refused, kNotWaveMessage},
        {"54 bytes", wave46(rampSamples(8)), LoadResult::loaded, ""},
        {"WAVF tag", wave46(rampSamples(100), {.wave = "WAVF"}), LoadResult::refused, kNotWaveMessage},
        {"lower-case tag", wave46(rampSamples(100), {.wave = "wave"}), LoadResult::refused, kNotWaveMessage},
        {"no RIFF", wave46(rampSamples(100), {.riff = "JUNK"}), LoadResult::loaded, ""},
        {"format tag 3", wave46(rampSamples(100), {.formatTag = 3}), LoadResult::loaded, ""},
        {"stereo", wave46(rampSamples(100), {.channels = 2}), LoadResult::refused, kUnsupportedFormatMessage},
        {"16-bit", wave46(rampSamples(100), {.bits = 16}), LoadResult::refused, kUnsupportedFormatMessage},
        {"no channels", wave46(rampSamples(100), {.channels = 0}), LoadResult::refused, kUnsupportedFormatMessage},
        // Only the low bytes of the two fields are looked at.
        {"channels 257", wave46(rampSamples(100), {.channels = 257}), LoadResult::loaded, ""},
        {"bits 264", wave46(rampSamples(100), {.bits = 264}), LoadResult::loaded, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(load(c.file), c.result);
        EXPECT_EQ(state->statusText.view(), c.message);
        if (c.result == LoadResult::refused) expectResetState();
    }
}

TEST_F(WavReaderTest, FiftyFourBytesLoadEightSamplesAndLeaveHeaderBytesBehind) {
    const Bytes file = wave46(rampSamples(8));
    ASSERT_EQ(load(file), LoadResult::loaded);
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

TEST_F(WavReaderTest, FortyFourByteHeaderLosesItsFirstTwoSamples) {
    const Bytes samples = rampSamples(300);
    ASSERT_EQ(load(wave44(samples, 11025)), LoadResult::loaded);
    EXPECT_EQ(state->encoder.sampleRate, 11025u);
    EXPECT_EQ(state->encoder.sampleCount, 298u);
    EXPECT_TRUE(std::equal(samples.begin() + 2, samples.end(), state->origSamples.begin()));
    EXPECT_EQ(state->origSamples[298], 128);
}

TEST_F(WavReaderTest, EverythingAfterOffset46IsSound) {
    Bytes file = wave46(rampSamples(100));
    put32(file, 42, 10);  // the data size field has no effect
    const Bytes trailing = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    file.insert(file.end(), trailing.begin(), trailing.end());
    ASSERT_EQ(load(file), LoadResult::loaded);
    EXPECT_EQ(state->encoder.sampleCount, 112u);
    EXPECT_TRUE(std::equal(trailing.begin(), trailing.end(), state->origSamples.begin() + 100));
}

TEST_F(WavReaderTest, LongFilesLoadExactlyTheLargestSound) {
    for (const std::size_t sampleBytes : {std::size_t{262500}, std::size_t{262500 + 4000}}) {
        SCOPED_TRACE(sampleBytes);
        const Bytes samples = rampSamples(sampleBytes);
        ASSERT_EQ(load(wave46(samples)), LoadResult::loaded);
        EXPECT_EQ(state->encoder.sampleCount, kMaxSamples);
        EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + kMaxSamples, state->origSamples.begin()));
        // The margin behind the largest sound is never written.
        EXPECT_TRUE(std::all_of(state->origSamples.begin() + kMaxSamples, state->origSamples.end(),
                                [](std::uint8_t s) { return s == 0; }));
        EXPECT_EQ(originalPreview().size(), 46u + kMaxSamples);
    }
}

TEST_F(WavReaderTest, RateIsTheLowThreeBytes) {
    struct Case {
        std::uint32_t field;
        std::uint32_t rate;
    };
    for (const Case c : {Case{15625, 15625}, Case{16777215, 16777215}, Case{16777216 + 22050, 22050},
                         Case{0x12345678, 0x345678}, Case{0, 0}}) {
        SCOPED_TRACE(c.field);
        ASSERT_EQ(load(wave46(rampSamples(64), {.rate = c.field})), LoadResult::loaded);
        EXPECT_EQ(state->encoder.sampleRate, c.rate);
    }
}

TEST_F(WavReaderTest, OverviewStepAndSampledColumns) {
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
        ASSERT_EQ(load(wave46(samples)), LoadResult::loaded);
        EXPECT_EQ(state->encoder.overviewStep, c.step);
        EXPECT_EQ(state->overviewLevels[0], 0);
        EXPECT_EQ(state->overviewLevels[c.column], 15);
        EXPECT_EQ(std::count(state->overviewLevels.begin(), state->overviewLevels.end(), 15), 1);
    }
}

TEST_F(WavReaderTest, OverviewLevelsJumpFromFourToEight) {
    struct Case {
        std::uint8_t sample;
        std::uint8_t level;
    };
    const Case cases[] = {{128, 0}, {135, 0}, {121, 0}, {136, 1}, {120, 1}, {159, 3}, {160, 4},
                          {167, 4}, {89, 4},  {168, 8}, {88, 8},  {175, 8}, {176, 9}, {223, 14},
                          {33, 14}, {224, 15}, {32, 15}, {255, 15}, {0, 15}, {1, 15}};
    Bytes samples(490, 128);
    for (std::size_t i = 0; i < std::size(cases); ++i) samples[1 + i] = cases[i].sample;
    ASSERT_EQ(load(wave46(samples)), LoadResult::loaded);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(state->overviewLevels[1 + i], cases[i].level) << "sample " << int{cases[i].sample};
    }
}

TEST_F(WavReaderTest, RefusalKeepsRateResistorAndDecodedPreview) {
    ASSERT_EQ(load(wave46(rampSamples(3000), {.rate = 8000})), LoadResult::loaded);
    const std::int32_t ohms = state->encoder.resistorOhms;
    state->encoder.showEncoded = 0;
    const Bytes decodedBefore = decodedPreview();

    ASSERT_EQ(load(wave46(rampSamples(3000), {.rate = 44100, .channels = 2})), LoadResult::refused);
    EXPECT_EQ(state->statusText.view(), kUnsupportedFormatMessage);
    expectResetState();
    EXPECT_EQ(state->encoder.sampleRate, 8000u);
    EXPECT_EQ(state->encoder.resistorOhms, ohms);
    EXPECT_EQ(state->encoder.showEncoded, 0);
    EXPECT_EQ(decodedPreview(), decodedBefore);

    const auto header = previewHeader(490, 8000);
    Bytes silentPreview(header.begin(), header.end());
    silentPreview.resize(46 + 490, 128);
    EXPECT_EQ(originalPreview(), silentPreview);

    // The next good open clears the message again.
    ASSERT_EQ(load(wave46(rampSamples(600))), LoadResult::loaded);
    EXPECT_TRUE(state->statusText.empty());
    EXPECT_EQ(state->encoder.showEncoded, 1);
}

TEST_F(WavReaderTest, UnopenableFileLeavesTheResetStateWithAMessage) {
    std::filesystem::create_directory(directory / "folder.wav");
    for (const std::string& name : {(directory / "missing.wav").string(), (directory / "folder.wav").string(),
                                   std::string()}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(load(wave46(rampSamples(2000), {.rate = 11025})), LoadResult::loaded);
        const Bytes decodedBefore = decodedPreview();

        EXPECT_EQ(loadWaveFile(*state, name), LoadResult::cannotOpen);
        EXPECT_EQ(state->statusText.view(), kCannotOpenMessage);
        expectResetState();
        EXPECT_EQ(state->encoder.sampleRate, 11025u);
        EXPECT_EQ(decodedPreview(), decodedBefore);
        const Bytes original = originalPreview();
        ASSERT_EQ(original.size(), 46u + 490u);
        EXPECT_TRUE(std::all_of(original.begin() + 46, original.end(), [](std::uint8_t s) { return s == 128; }));
    }
}

}  // namespace
}  // namespace ryx
