#include "formats/PcmWav.h"
#include "io/PcmWavFile.h"

#include "formats/PreviewBytes.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

namespace ryx {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Bytes chunk(const char* tag, const Bytes& body) {
    Bytes bytes(tag, tag + 4);
    put(bytes, static_cast<std::uint32_t>(body.size()), 4);
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() % 2 == 1) bytes.push_back(0);  // chunks are padded to even lengths
    return bytes;
}

Bytes format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    Bytes body;
    put(body, tag, 2);
    put(body, channels, 2);
    put(body, rate, 4);
    put(body, rate * channels * bits / 8u, 4);
    put(body, channels * bits / 8u, 2);
    put(body, bits, 2);
    return body;
}

Bytes riff(std::initializer_list<Bytes> chunks) {
    Bytes bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) bytes.insert(bytes.end(), c.begin(), c.end());
    return bytes;
}

TEST(PcmWavFile, AcceptsPlayableLayouts) {
    const auto header = previewHeader(5, 22050);  // 18-byte format body, odd extension field
    Bytes preview(header.begin(), header.end());
    preview.insert(preview.end(), {1, 2, 3, 4, 5});
    Bytes extensible = format(0xFFFE, 1, 8000, 16);
    put(extensible, 22, 2);
    put(extensible, 16, 2);
    put(extensible, 4, 4);
    put(extensible, 1, 2);  // sub-format PCM
    extensible.resize(40, 0);
    Bytes cutOff = riff({chunk("fmt ", format(1, 1, 11025, 8))});
    cutOff.insert(cutOff.end(), {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 7, 8, 9});

    struct Case {
        const char* name;
        Bytes file;
        PcmSound expected;
    };
    const std::vector<Case> cases{
        {"preview file", preview, {1, 8, 22050, {1, 2, 3, 4, 5}}},
        {"stereo 16-bit behind an odd-sized chunk, half a frame at the end",
         riff({chunk("fmt ", format(1, 2, 44100, 16)), chunk("LIST", {'a', 'b', 'c'}),
               chunk("data", {1, 0, 2, 0, 3, 0, 4, 0, 9, 9})}),
         {2, 16, 44100, {1, 0, 2, 0, 3, 0, 4, 0}}},
        {"extensible PCM", riff({chunk("fmt ", extensible), chunk("data", {0, 0, 1, 0})}), {1, 16, 8000, {0, 0, 1, 0}}},
        {"data cut off", cutOff, {1, 8, 11025, {7, 8, 9}}},
    };
    for (const Case& c : cases) {
        const Result<PcmSound> result = parsePcmWav(c.file);
        ASSERT_TRUE(result) << c.name << ": " << result.error();
        const PcmSound& sound = *result;
        EXPECT_EQ(sound.channels, c.expected.channels) << c.name;
        EXPECT_EQ(sound.bitsPerSample, c.expected.bitsPerSample) << c.name;
        EXPECT_EQ(sound.sampleRate, c.expected.sampleRate) << c.name;
        EXPECT_EQ(sound.frames, c.expected.frames) << c.name;
    }
}

TEST(PcmWavFile, RefusesWhatCannotBePlayedWithAReason) {
    auto withFormat = [](const Bytes& body) { return riff({chunk("fmt ", body), chunk("data", {128, 128})}); };
    Bytes badAlign = format(1, 2, 8000, 16);
    badAlign[12] = 3;
    Bytes formatCut = riff({});
    formatCut.insert(formatCut.end(), {'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
    const std::vector<std::pair<Bytes, std::string>> cases{
        {{}, "not a RIFF WAVE"},
        {withFormat(format(3, 1, 8000, 32)), "not PCM sound (format 3)"},
        {withFormat(format(1, 3, 8000, 8)), "3 channels"},
        {withFormat(format(1, 1, 8000, 24)), "24-bit samples"},
        {withFormat(format(1, 1, 0, 8)), "sample rate is 0"},
        {withFormat(badAlign), "frame size"},
        {withFormat(Bytes(14, 1)), "format chunk is too short"},
        {formatCut, "format chunk is cut short"},
        {riff({chunk("data", {128}), chunk("fmt ", format(1, 1, 8000, 8))}), "before its format"},
        {riff({chunk("fmt ", format(1, 1, 8000, 8))}), "no sound data"},
        {riff({}), "no format chunk"},
    };
    for (const auto& [file, reason] : cases) {
        const Result<PcmSound> result = parsePcmWav(file);
        EXPECT_FALSE(result) << reason;
        EXPECT_NE(result.error().find(reason), std::string::npos) << result.error();
    }
}

TEST(PcmWavFile, ReadsAFileWholeOrNamesItWithTheReason) {
    test::TempDirectory folder;
    EXPECT_EQ(readPcmWavFile((folder / "gone.wav").string()).error(),
              (folder / "gone.wav").string() + ": No such file or directory");
    EXPECT_EQ(readPcmWavFile(folder.path().string()).error(), folder.path().string() + ": Is a directory");
    test::writeFileBytes(folder / "text.wav", {'h', 'i'});
    EXPECT_EQ(readPcmWavFile((folder / "text.wav").string()).error(),
              (folder / "text.wav").string() + ": not a playable WAV file: it is not a RIFF WAVE file");

    // Larger than one read block.
    const auto header = previewHeader(100000, 8000);
    Bytes big(header.begin(), header.end());
    for (int i = 0; i < 100000; ++i) big.push_back(static_cast<std::uint8_t>(i));
    test::writeFileBytes(folder / "big.wav", big);
    const Result<PcmSound> read = readPcmWavFile((folder / "big.wav").string());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->frames, Bytes(big.begin() + 46, big.end()));
}

}  // namespace
}  // namespace ryx
