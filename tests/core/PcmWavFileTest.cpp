#include "core/PcmWavFile.h"

#include "core/PreviewWriter.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace ryx {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(Bytes& bytes, std::uint32_t value) {
    put16(bytes, static_cast<std::uint16_t>(value));
    put16(bytes, static_cast<std::uint16_t>(value >> 16));
}

void putChunk(Bytes& bytes, const char* tag, const Bytes& body, bool pad = true) {
    bytes.insert(bytes.end(), tag, tag + 4);
    put32(bytes, static_cast<std::uint32_t>(body.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1) bytes.push_back(0);
}

Bytes formatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    Bytes body;
    put16(body, tag);
    put16(body, channels);
    put32(body, rate);
    put32(body, rate * channels * bits / 8);
    put16(body, static_cast<std::uint16_t>(channels * bits / 8));
    put16(body, bits);
    return body;
}

Bytes riff(const Bytes& chunks) {
    Bytes bytes{'R', 'I', 'F', 'F'};
    put32(bytes, static_cast<std::uint32_t>(chunks.size() + 4));
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E'});
    bytes.insert(bytes.end(), chunks.begin(), chunks.end());
    return bytes;
}

TEST(PcmWavFile, ReadsThePreviewFilesOwnLayout) {
    // The preview header has an 18-byte format body whose extension field is not 0.
    const auto header = previewHeader(5, 22050);
    Bytes file(header.begin(), header.end());
    file.insert(file.end(), {1, 2, 3, 4, 5});
    PcmSound sound;
    ASSERT_TRUE(parsePcmWav(file, sound)) << parsePcmWav(file, sound).error();
    EXPECT_EQ(sound.channels, 1);
    EXPECT_EQ(sound.bitsPerSample, 8);
    EXPECT_EQ(sound.sampleRate, 22050u);
    EXPECT_EQ(sound.frames, (Bytes{1, 2, 3, 4, 5}));
}

TEST(PcmWavFile, WalksPastOtherChunksIncludingOddSizedOnes) {
    Bytes chunks;
    putChunk(chunks, "fmt ", formatBody(1, 2, 44100, 16));
    putChunk(chunks, "LIST", Bytes{'a', 'b', 'c'});  // odd: one pad byte follows
    putChunk(chunks, "data", Bytes{1, 0, 2, 0, 3, 0, 4, 0, 9, 9});  // 2.5 frames
    PcmSound sound;
    ASSERT_TRUE(parsePcmWav(riff(chunks), sound));
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.bitsPerSample, 16);
    EXPECT_EQ(sound.sampleRate, 44100u);
    EXPECT_EQ(sound.frames, (Bytes{1, 0, 2, 0, 3, 0, 4, 0}));  // whole frames only
}

TEST(PcmWavFile, AcceptsTheExtensibleLayoutWithPcmInside) {
    Bytes body = formatBody(0xFFFE, 1, 8000, 16);
    put16(body, 22);  // extension size
    put16(body, 16);  // valid bits
    put32(body, 4);   // channel mask
    put16(body, 1);   // sub-format: PCM ...
    body.insert(body.end(), 14, 0);
    Bytes chunks;
    putChunk(chunks, "fmt ", body);
    putChunk(chunks, "data", Bytes{0, 0, 1, 0});
    PcmSound sound;
    ASSERT_TRUE(parsePcmWav(riff(chunks), sound));
    EXPECT_EQ(sound.frames.size(), 4u);
}

TEST(PcmWavFile, ACutOffDataChunkPlaysAsFarAsItGoes) {
    Bytes chunks;
    putChunk(chunks, "fmt ", formatBody(1, 1, 11025, 8));
    chunks.insert(chunks.end(), {'d', 'a', 't', 'a'});
    put32(chunks, 0xFFFFFFFF);
    chunks.insert(chunks.end(), {7, 8, 9});
    PcmSound sound;
    ASSERT_TRUE(parsePcmWav(riff(chunks), sound));
    EXPECT_EQ(sound.frames, (Bytes{7, 8, 9}));
}

TEST(PcmWavFile, RefusesWhatCannotBePlayedWithAReason) {
    struct Case {
        const char* name;
        Bytes file;
        const char* reason;
    };
    auto withFormat = [](const Bytes& format) {
        Bytes chunks;
        putChunk(chunks, "fmt ", format);
        putChunk(chunks, "data", Bytes{128, 128});
        return riff(chunks);
    };
    Bytes dataFirst;
    putChunk(dataFirst, "data", Bytes{128, 128});
    putChunk(dataFirst, "fmt ", formatBody(1, 1, 8000, 8));
    Bytes noData;
    putChunk(noData, "fmt ", formatBody(1, 1, 8000, 8));
    Bytes shortFormat;
    putChunk(shortFormat, "fmt ", Bytes(14, 1));
    Bytes bodyCut;
    bodyCut.insert(bodyCut.end(), {'f', 'm', 't', ' '});
    put32(bodyCut, 16);
    bodyCut.insert(bodyCut.end(), 10, 1);
    Bytes badAlign = formatBody(1, 2, 8000, 16);
    badAlign[12] = 3;
    Bytes notWave = riff({});
    notWave[8] = 'X';

    const std::vector<Case> cases{
        {"empty", {}, "not a RIFF WAVE"},
        {"not wave", notWave, "not a RIFF WAVE"},
        {"float", withFormat(formatBody(3, 1, 8000, 32)), "not PCM sound (format 3)"},
        {"three channels", withFormat(formatBody(1, 3, 8000, 8)), "3 channels"},
        {"24-bit", withFormat(formatBody(1, 1, 8000, 24)), "24-bit samples"},
        {"rate 0", withFormat(formatBody(1, 1, 0, 8)), "sample rate is 0"},
        {"frame size", withFormat(badAlign), "frame size"},
        {"data before format", riff(dataFirst), "before its format"},
        {"no data", riff(noData), "no sound data"},
        {"no format", riff({}), "no format chunk"},
        {"short format", riff(shortFormat), "format chunk is too short"},
        {"format cut off", riff(bodyCut), "format chunk is cut short"},
    };
    for (const Case& c : cases) {
        PcmSound sound;
        const OperationResult result = parsePcmWav(c.file, sound);
        EXPECT_FALSE(result) << c.name;
        EXPECT_NE(result.error().find(c.reason), std::string::npos) << c.name << ": " << result.error();
    }
}

TEST(PcmWavFile, ReadingAFileNamesItAndGivesTheSystemsReason) {
    test::TempDirectory folder;
    PcmSound sound;

    const OperationResult missing = readPcmWavFile((folder / "missing.wav").string(), sound);
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error().find("missing.wav: No such file or directory"), std::string::npos) << missing.error();

    const OperationResult directory = readPcmWavFile(folder.path().string(), sound);
    EXPECT_FALSE(directory);
    EXPECT_NE(directory.error().find("Is a directory"), std::string::npos) << directory.error();

    test::writeFileBytes(folder / "text.wav", {'h', 'e', 'l', 'l', 'o'});
    const OperationResult text = readPcmWavFile((folder / "text.wav").string(), sound);
    EXPECT_FALSE(text);
    EXPECT_NE(text.error().find("text.wav: not a playable WAV file: it is not a RIFF WAVE file"), std::string::npos)
        << text.error();

    // Larger than one read block, so the whole file must be gathered.
    const auto header = previewHeader(100000, 8000);
    Bytes big(header.begin(), header.end());
    for (int i = 0; i < 100000; ++i) big.push_back(static_cast<std::uint8_t>(i));
    test::writeFileBytes(folder / "big.wav", big);
    ASSERT_TRUE(readPcmWavFile((folder / "big.wav").string(), sound));
    ASSERT_EQ(sound.frames.size(), 100000u);
    EXPECT_EQ(sound.frames[70000], static_cast<std::uint8_t>(70000));
}

}  // namespace
}  // namespace ryx
