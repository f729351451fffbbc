// The importer on real files: the state of an open, files that are not
// there, and which files count as the reader's own layout.

#include "core/Encoder.h"
#include "import/SoundImport.h"

#include "SameState.h"
#include "TestSounds.h"
#include "support/WaveBytes.h"
#include "support/WaveOpen.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace ryx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An 8-bit mono sound at its own rate, neither normalised nor trimmed, gives
// the very state that opening it gives.
TEST(SoundImport, PlainEightBitSoundGivesTheStateOfAnOpen) {
    test::TempDirectory folder;
    Bytes samples(5000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::uint8_t>((i * 37 + i / 13) % 256);
    }
    samples[10] = 0;
    samples[11] = 255;
    const auto path = folder / "plain.wav";
    test::writeFileBytes(path, test::previewFileBytes(samples, 11025));
    EXPECT_TRUE(isPlainEightBitWave(path.string()));

    for (const std::int8_t algorithm : {kAlgorithmOneBit, kAlgorithmOneAndHalfBit}) {
        auto opened = test::freshState();
        auto imported = test::freshState();
        for (ProgramState* state : {opened.get(), imported.get()}) {
            state->encoder.algorithmType = algorithm;
            state->encoder.fineness = 8;
            // The encoder chosen for the state is kept by the import as by an open.
            state->encoderChoice = algorithm == kAlgorithmOneBit ? EncoderChoice::optimal : EncoderChoice::greedy;
        }
        ASSERT_TRUE(test::openWave(*opened, path.string()));
        const Result<ImportReport> report = importSoundFile(*imported, path.string(), {11025, false, false});
        ASSERT_TRUE(report.ok()) << report.error();
        encodeSound(*imported);
        test::expectSameState(*opened, *imported);
    }
}

// A pipe is refused before it is opened for reading: it could block for good.
TEST(SoundImport, FileThatIsNotThereOrNotRegularFails) {
    test::TempDirectory folder;
    auto state = test::freshState();
    const auto pipe = folder / "pipe.flac";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0) << std::strerror(errno);
    const struct {
        std::filesystem::path path;
        int systemError;
    } cases[] = {{folder / "missing.wav", ENOENT}, {folder.path(), 0}, {pipe, 0}};
    for (const auto& c : cases) {
        const Result<ImportReport> report = importSoundFile(*state, c.path.string(), {});
        EXPECT_EQ(report.error(), "it is not a readable file") << c.path;
        EXPECT_EQ(report.systemError(), c.systemError) << c.path;
    }
    test::writeFileBytes(folder / "noise.flac", Bytes(4000, 0x5A));
    EXPECT_FALSE(importSoundFile(*state, (folder / "noise.flac").string(), {}).ok());
}

// A cut file fails on disk as in memory, named by the caller.
TEST(SoundImport, CutFileFailsSayingHowFarItWasDecoded) {
    test::TempDirectory folder;
    Bytes bytes = test::soundBytes(test::monoTone(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 16000, 3.0));
    bytes.resize(3000);
    test::writeFileBytes(folder / "cut.flac", bytes);
    auto state = test::freshState();
    const Result<ImportReport> report = importSoundFile(*state, (folder / "cut.flac").string(), {});
    EXPECT_TRUE(report.error().starts_with("the sound is damaged after ")) << report.error();
    EXPECT_TRUE(report.error().ends_with(" of 48000 frames")) << report.error();
}

TEST(SoundImport, OnlyTheReadersOwnLayoutCountsAsPlain) {
    test::TempDirectory folder;
    const auto plain = folder / "plain.wav";
    const auto common = folder / "common.wav";
    const auto wide = folder / "wide.wav";
    test::writeFileBytes(plain, test::previewFileBytes(Bytes(100, 128), 8000));
    test::ToneSound eightBit;
    eightBit.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;  // a 44-byte header
    eightBit.channels = 1;
    test::writeSoundFile(common, eightBit);
    eightBit.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    test::writeSoundFile(wide, eightBit);
    EXPECT_TRUE(isPlainEightBitWave(plain.string()));
    EXPECT_FALSE(isPlainEightBitWave(common.string()));
    EXPECT_FALSE(isPlainEightBitWave(wide.string()));
    EXPECT_FALSE(isPlainEightBitWave((folder / "missing.wav").string()));
}

}  // namespace
}  // namespace ryx
