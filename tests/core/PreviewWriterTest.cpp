#include "core/PreviewWriter.h"

#include "core/Encoder.h"
#include "core/SoundPlayer.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ryx {
namespace {

std::uint32_t readLittleEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

class RecordingPlayer : public SoundPlayer {
public:
    OperationResult open(const std::string& name) override { calls.push_back("open " + name); return {}; }
    void play() override { calls.push_back("play"); }
    void close() override { calls.push_back("close"); }
    std::vector<std::string> calls;
};

class PreviewWriterTest : public ::testing::Test {
protected:
    test::TempDirectory directory;
    std::unique_ptr<ProgramState> state = test::makeStartedState(directory.path());
};

TEST_F(PreviewWriterTest, PlaceholderFilesAreByteExact) {
    const std::vector<std::uint8_t> expectedHeader{
        0x52, 0x49, 0x46, 0x46, 0xEE, 0x00, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6D, 0x74, 0x20,
        0x12, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x22, 0x56, 0x00, 0x00, 0x22, 0x56, 0x00, 0x00,
        0x01, 0x00, 0x08, 0x00, 0x60, 0x7E, 0x64, 0x61, 0x74, 0x61, 0xC8, 0x00, 0x00, 0x00};
    ASSERT_TRUE(writePreviewWav(*state, PreviewMode::originalPlaceholder));
    ASSERT_TRUE(writePreviewWav(*state, PreviewMode::decodedPlaceholder));
    for (const auto& path : {originalPreviewPath(*state), decodedPreviewPath(*state)}) {
        const auto bytes = test::readFileBytes(path);
        ASSERT_EQ(bytes.size(), 246u) << path;
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 46), expectedHeader);
        for (std::size_t i = 0; i < 200; ++i) {
            ASSERT_EQ(bytes[46 + i], kPlaceholderCycle[i % 20]) << i;
        }
    }
    EXPECT_EQ(test::readFileBytes(originalPreviewPath(*state))[46 + 5], 210);
}

TEST_F(PreviewWriterTest, ThousandSamplesAt8000Hz) {
    state->encoder.sampleCount = 1000;
    state->encoder.sampleRate = 8000;
    for (std::uint32_t i = 0; i < 1000; ++i) state->origSamples[i] = static_cast<std::uint8_t>(i * 7);
    encodeSound(*state);
    ASSERT_TRUE(writePreviewWav(*state, PreviewMode::originalSound));

    const auto original = test::readFileBytes(originalPreviewPath(*state));
    const auto decoded = test::readFileBytes(decodedPreviewPath(*state));
    ASSERT_EQ(original.size(), 1046u);
    ASSERT_EQ(decoded.size(), 1046u);
    EXPECT_EQ(readLittleEndian32(original, 4), 1038u);
    EXPECT_EQ(readLittleEndian32(original, 24), 8000u);
    EXPECT_EQ(readLittleEndian32(original, 28), 8000u);
    EXPECT_EQ(readLittleEndian32(original, 42), 1000u);
    EXPECT_EQ(original[36], 0x60);
    EXPECT_EQ(original[37], 0x7E);
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + 46, decoded.begin()));
    EXPECT_TRUE(std::equal(original.begin() + 46, original.end(), state->origSamples.begin()));
    EXPECT_TRUE(std::equal(decoded.begin() + 46, decoded.end(), state->smoothedSamples.begin()));
    // The last sample was never encoded, so its smoothed value is silence.
    EXPECT_EQ(decoded.back(), 128);
}

TEST_F(PreviewWriterTest, ClosesThePlayerBeforeWriting) {
    RecordingPlayer player;
    state->player = &player;
    writePreviewWav(*state, PreviewMode::decodedPlaceholder);
    EXPECT_EQ(player.calls, std::vector<std::string>{"close"});
}

TEST_F(PreviewWriterTest, UnwritableDirectoryIsSkippedAndReported) {
    state->previewDirectory = (directory / "missing").string();
    const OperationResult result = writePreviewWav(*state, PreviewMode::originalSound);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error().find("No such file"), std::string::npos) << result.error();
    // The encode that calls the writer still completes.
    state->encoder.sampleRate = 22050;
    EXPECT_FALSE(encodeSound(*state));
    EXPECT_EQ(state->encoder.resistorOhms, 3193);
    EXPECT_EQ(state->smoothedSamples[0], 131);  // (9 x 132 + 7 x 127) / 8 - 128
}

}  // namespace
}  // namespace ryx
