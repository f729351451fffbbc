#include "import/SoundStream.h"

#include "TestSounds.h"
#include "core/ProgramState.h"
#include "import/SoundConversion.h"
#include "import/SoundDecoder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <vector>

namespace ryx {
namespace {

Result<std::vector<std::uint8_t>> streamed(std::span<const std::uint8_t> file, const ImportOptions& options) {
    std::vector<std::uint8_t> samples;
    const Result<StreamedSound> sound = streamSoundBytes(file, options, [&samples](std::span<const std::uint8_t> block) {
        samples.insert(samples.end(), block.begin(), block.end());
    });
    if (!sound) return sound.failureDetail();
    EXPECT_EQ(sound->samples, samples.size());
    return samples;
}

// The pieces give the whole import's samples, however the sound is made;
// past kMaxSamples the whole import cuts and the pieces go on.
TEST(SoundStreamTest, GivesTheSamplesOfTheWholeImportAndGoesOnPastItsCut) {
    struct Case {
        const char* name;
        test::ToneSound sound;
        ImportOptions options;
    };
    const int wav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const Case cases[] = {
        {"stereo 44100 to 15625, offset, silences", {wav16, 2, 44100, 440, 0.3, 0.4, 2.0, 0.7, 0.05, ""}, {}},
        {"mono 8000 kept at 8000", {wav16, 1, 8000, 300, 0.5, 0.1, 3.0, 0.2, 0.0, ""}, {8000, true, true}},
        {"no normalising, no trim", {wav16, 1, 22050, 1000, 0.2, 0.3, 1.0, 0.3, 0.1, ""}, {11025, false, false}},
        {"long, at 48000 to 15625", {wav16, 1, 48000, 500, 0.4, 0.5, 19.0, 0.5, 0.0, ""}, {}},
        {"near silence padded", {wav16, 1, 8000, 1000, 0.5, 0.0, 0.0004, 0.0, 0.0, ""}, {8000, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> file = test::soundBytes(c.sound);
        const Result<DecodedSound> decoded = decodeSoundBytes(file);
        ASSERT_TRUE(decoded) << decoded.error();
        const Result<ConvertedSound> whole = convertSound(*decoded, c.options);
        ASSERT_TRUE(whole) << whole.error();
        const Result<std::vector<std::uint8_t>> pieces = streamed(file, c.options);
        ASSERT_TRUE(pieces) << pieces.error();
        ASSERT_EQ(pieces->size(), whole->samples.size() + whole->cutSamples);
        EXPECT_TRUE(std::equal(whole->samples.begin(), whole->samples.end(), pieces->begin()));
    }
}

TEST(SoundStreamTest, RefusesAsTheWholeImportDoes) {
    const int wav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const std::vector<std::uint8_t> silent = test::soundBytes({wav16, 1, 8000, 1000, 0.001, 0.1, 0.5, 0.1, 0.0, ""});
    const Result<std::vector<std::uint8_t>> quiet = streamed(silent, {8000, false, true});  // not raised
    ASSERT_FALSE(quiet);
    EXPECT_EQ(quiet.error(), "the sound is silent (nothing reaches -45 dBFS); import it without trimming");
    EXPECT_FALSE(streamed(silent, {500, true, true}));
    const std::vector<std::uint8_t> cut(silent.begin(), silent.begin() + static_cast<std::ptrdiff_t>(silent.size() / 2));
    const Result<std::vector<std::uint8_t>> damaged = streamed(cut, {8000, false, false});
    ASSERT_FALSE(damaged);
    EXPECT_NE(damaged.error().find("damaged"), std::string::npos) << damaged.error();
}

}  // namespace
}  // namespace ryx
