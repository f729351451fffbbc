#include "export/BinaryExport.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ryx {
namespace {

using Bytes = std::vector<std::uint8_t>;

class BinaryExportTest : public ::testing::Test {
protected:
    Bytes exportBytes() {
        const Result<> result = exportBinary(*state, path);
        EXPECT_TRUE(result) << result.error();
        return test::readFileBytes(path);
    }

    test::TempDirectory directory;
    std::filesystem::path path = directory / "sound.ryx";
    std::unique_ptr<ProgramState> state = test::makeStartedState();
};

TEST_F(BinaryExportTest, StartUpExportIs61ZeroBytes) { EXPECT_EQ(exportBytes(), Bytes(61, 0)); }

TEST_F(BinaryExportTest, OnlyCompleteBytesOfTheEncodedBits) {
    struct Case {
        std::uint32_t samples;
        std::size_t bytes;
    };
    for (const Case c : {Case{8, 0}, Case{9, 1}, Case{16, 1}, Case{17, 2}, Case{490, 61}, Case{2049, 256},
                         Case{262500, 32812}}) {
        SCOPED_TRACE(c.samples);
        state->encoder.sampleCount = c.samples;
        // Every position set, also the ones the encoder would leave 0, so a
        // byte too many would show as 0xFF rather than hide as 0.
        std::fill_n(state->bitStream.begin(), kMaxSamples, std::uint8_t{1});
        EXPECT_EQ(exportBytes(), Bytes(c.bytes, 0xFF));
    }
}

TEST_F(BinaryExportTest, EarliestSampleIsTheMostSignificantBit) {
    state->encoder.sampleCount = 26;
    const std::uint8_t bits[25] = {1, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    std::copy(std::begin(bits), std::end(bits), state->bitStream.begin());
    EXPECT_EQ(exportBytes(), (Bytes{0xB1, 0x01, 0x80}));
}

TEST_F(BinaryExportTest, OnlyAnEntryOfOneIsAOneBit) {
    state->encoder.sampleCount = 17;
    const std::uint8_t entries[16] = {2, 1, 3, 1, 0, 1, 255, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    std::copy(std::begin(entries), std::end(entries), state->bitStream.begin());
    EXPECT_EQ(exportBytes(), (Bytes{0x55, 0xFF}));
}

TEST_F(BinaryExportTest, LongerOldFileIsCutAndTheStateUnchanged) {
    test::writeFileBytes(path, Bytes(1000, 0xEE));
    EXPECT_EQ(exportBytes(), Bytes(61, 0));
    EXPECT_EQ(exportBytes(), Bytes(61, 0));
    EXPECT_EQ(state->encoder.sampleCount, 490u);
    EXPECT_TRUE(state->statusText.empty());
}

}  // namespace
}  // namespace ryx
