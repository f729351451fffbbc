#include "formats/PreviewBytes.h"
#include "io/PreviewFile.h"

#include "core/Encoder.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace ryx {
namespace {

std::uint32_t readLittleEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}

class PreviewWriterTest : public ::testing::Test {
protected:
    test::TempDirectory directory;
    std::unique_ptr<ProgramState> state = test::makeStartedState();
};

TEST_F(PreviewWriterTest, PlaceholderFilesAreByteExact) {
    const std::vector<std::uint8_t> expectedHeader{
        0x52, 0x49, 0x46, 0x46, 0xEE, 0x00, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6D, 0x74, 0x20,
        0x12, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x22, 0x56, 0x00, 0x00, 0x22, 0x56, 0x00, 0x00,
        0x01, 0x00, 0x08, 0x00, 0x60, 0x7E, 0x64, 0x61, 0x74, 0x61, 0xC8, 0x00, 0x00, 0x00};
    for (const PreviewMode mode : {PreviewMode::originalPlaceholder, PreviewMode::decodedPlaceholder}) {
        const auto path = directory / "placeholder.wav";
        ASSERT_TRUE(writePreviewFile(*state, mode, path));
        const auto bytes = test::readFileBytes(path);
        ASSERT_EQ(bytes.size(), 246u);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 46), expectedHeader);
        for (std::size_t i = 0; i < 200; ++i) {
            ASSERT_EQ(bytes[46 + i], kPlaceholderCycle[i % 20]) << i;
        }
        EXPECT_EQ(bytes[46 + 5], 210);
    }
}

TEST_F(PreviewWriterTest, ThousandSamplesAt8000Hz) {
    state->encoder.sampleCount = 1000;
    state->encoder.sampleRate = 8000;
    for (std::uint32_t i = 0; i < 1000; ++i) state->origSamples[i] = static_cast<std::uint8_t>(i * 7);
    encodeSound(*state);
    ASSERT_TRUE(writePreviewFile(*state, PreviewMode::originalSound, directory / "original.wav"));
    ASSERT_TRUE(writePreviewFile(*state, PreviewMode::decodedSound, directory / "decoded.wav"));

    const auto original = test::readFileBytes(directory / "original.wav");
    const auto decoded = test::readFileBytes(directory / "decoded.wav");
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

TEST_F(PreviewWriterTest, UnwritableFolderIsReportedWithTheReason) {
    const auto path = directory / "missing" / "preview.wav";
    const Result<> result = writePreviewFile(*state, PreviewMode::originalSound, path);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error(), path.string() + ": " + std::strerror(ENOENT));
    EXPECT_TRUE(test::entriesOf(directory.path()).empty());
}

}  // namespace
}  // namespace ryx
