#include "import/DeclaredLength.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <vector>

namespace ryx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes text(std::string_view tag) { return Bytes(tag.begin(), tag.end()); }
Bytes le16(std::uint32_t v) { return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; }
Bytes le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
Bytes be32(std::uint32_t v) { return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                                      static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)}; }

// A RIFF chunk whose size field says `size`, padded to an even length.
Bytes chunk(std::string_view tag, const Bytes& body, std::optional<std::uint32_t> size = std::nullopt) {
    Bytes out = text(tag) + le32(size.value_or(static_cast<std::uint32_t>(body.size()))) + body;
    if (body.size() % 2 != 0) out.push_back(0);
    return out;
}

Bytes wave(const Bytes& chunks, std::uint32_t riffSize = 1000) { return text("RIFF") + le32(riffSize) + text("WAVE") + chunks; }

Bytes format(std::uint32_t channels, std::uint32_t bits, std::uint32_t align) {
    return chunk("fmt ", le16(1) + le16(channels) + le32(8000) + le32(8000 * align) + le16(align) + le16(bits));
}

Bytes aiff(std::uint32_t frames, std::uint32_t formSize = 1000) {
    const Bytes common = Bytes{0, 1} + be32(frames) + Bytes{0, 16} + Bytes(10, 0x40);
    return text("FORM") + be32(formSize) + text("AIFF") + text("COMM") + be32(18) + common;
}

TEST(DeclaredLength, HeaderFramesOfUncompressedWaveAndAiffOnly) {
    const struct {
        const char* name;
        Bytes head;
        std::optional<std::uint64_t> frames;
    } cases[] = {
        {"16-bit mono", wave(format(1, 16, 2) + chunk("data", Bytes(1000))), 500},
        {"24-bit stereo after an odd chunk", wave(format(2, 24, 6) + chunk("LIST", Bytes(3)) + chunk("data", Bytes(600))),
         100},
        {"more declared than present", wave(format(1, 16, 2) + chunk("data", Bytes(10), 2000)), 1000},
        {"compressed blocks", wave(format(1, 4, 256) + chunk("data", Bytes(512))), std::nullopt},
        {"data size of a pipe", wave(format(1, 16, 2) + chunk("data", {}, 0x7FFFF000)), std::nullopt},
        {"RIFF size of a pipe", wave(format(1, 16, 2) + chunk("data", Bytes(1000)), 0xFFFFFFFF), std::nullopt},
        {"data before its format", wave(chunk("data", Bytes(1000)) + format(1, 16, 2)), std::nullopt},
        {"chunks past the head", wave(format(1, 16, 2) + chunk("LIST", Bytes(4), 1 << 20)), std::nullopt},
        {"AIFF", aiff(12345), 12345},
        {"AIFF of a pipe", aiff(0x1FC00000, 0x7F000050), std::nullopt},
        {"neither", text("OggS") + Bytes(100), std::nullopt},
        {"too short", text("RIFF"), std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(headerDeclaredFrames(c.head), c.frames) << c.name;
}

TEST(DeclaredLength, MpegLengthIsExactOnlyWithALengthFrame) {
    const Bytes frameHeader{0xFF, 0xFB, 0x90, 0x64};
    const Bytes id3 = text("ID3") + Bytes{3, 0, 0, 0, 0, 0, 20} + Bytes(20);
    const struct {
        const char* name;
        Bytes head;
        bool exact;
    } cases[] = {
        {"Xing", frameHeader + Bytes(32) + text("Xing") + Bytes(100), true},
        {"Info", frameHeader + Bytes(17) + text("Info") + Bytes(100), true},
        {"VBRI", frameHeader + Bytes(32) + text("VBRI") + Bytes(100), true},
        {"after an ID3 tag", id3 + frameHeader + Bytes(32) + text("Info") + Bytes(100), true},
        {"plain frames", frameHeader + Bytes(400), false},
        {"tag far into the frame", frameHeader + Bytes(200) + text("Info"), false},
        {"no frame sync", Bytes(4) + Bytes(32) + text("Xing"), false},
        {"empty", {}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(statesExactMpegLength(c.head), c.exact) << c.name;
}

Bytes oggPage(std::uint8_t flags, const Bytes& body) {
    Bytes header = text("OggS") + Bytes{0, flags} + Bytes(8 + 4 + 4 + 4);
    header.push_back(1);  // one segment
    header.push_back(static_cast<std::uint8_t>(body.size()));
    return header + body;
}

TEST(DeclaredLength, OggStreamEndsWithACompleteLastPage) {
    constexpr std::uint8_t kLast = 0x04;
    const Bytes page = oggPage(0, Bytes(50, 7));
    const Bytes last = oggPage(kLast, Bytes(60, 9));
    const struct {
        const char* name;
        Bytes tail;
        bool cut;
    } cases[] = {
        {"whole", page + last, false},
        {"only the last page", last, false},
        {"pattern inside the last page", page + oggPage(kLast, text("xOggSxxxxx") + Bytes(40)), false},
        {"last page lacks its flag", page + page, true},
        {"last page lacks its last byte", page + Bytes(last.begin(), last.end() - 1), true},
        {"no page at all", Bytes(100, 1), true},
    };
    for (const auto& c : cases) EXPECT_EQ(endsInMidOggStream(c.tail), c.cut) << c.name;
}

}  // namespace
}  // namespace ryx
