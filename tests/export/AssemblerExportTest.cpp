#include "export/AssemblerExport.h"

#include "core/Encoder.h"
#include "core/ProductInfo.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ryx {
namespace {

using Lines = std::vector<std::string>;

const std::string kCounterPrefix = "     ;-------------------------  ";
const std::string kDataPrefix = "     retlw b'";

// Splits at CR LF; fails the test on a bare CR or LF or a missing last CR LF.
Lines splitCrLf(const std::vector<std::uint8_t>& bytes) {
    Lines lines;
    std::string current;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            lines.push_back(current);
            current.clear();
            ++i;
        } else {
            EXPECT_NE(bytes[i], '\r') << "bare CR at byte " << i;
            EXPECT_NE(bytes[i], '\n') << "bare LF at byte " << i;
            current += static_cast<char>(bytes[i]);
        }
    }
    EXPECT_TRUE(current.empty()) << "the file does not end with CR LF";
    return lines;
}

// What the data part of a file holds: per block its groups, per group its
// counter value and the digit texts of its data lines.
struct Group {
    long counter;
    std::vector<std::string> digits;
};
struct Block {
    unsigned number;
    std::vector<Group> groups;
};

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::vector<Block> parseBlocks(const Lines& lines) {
    std::vector<Block> blocks;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (startsWith(line, "     org (")) {
            unsigned number = 0;
            unsigned repeated = 0;
            EXPECT_EQ(std::sscanf(line.c_str(), "     org (%u *256)   \t    ; block = %u  ", &number, &repeated), 2);
            EXPECT_EQ(line, "     org (" + std::to_string(number) + " *256)   \t    ; block = " +
                                std::to_string(number) + "  ");
            // The 7-line block header around the org line.
            EXPECT_EQ(lines.at(i - 3), "");
            EXPECT_EQ(lines.at(i - 2), "");
            EXPECT_EQ(lines.at(i - 1), std::string(1, ';') + std::string(51, '-'));
            EXPECT_EQ(lines.at(i + 1), std::string(1, ';') + std::string(51, '-'));
            EXPECT_EQ(lines.at(i + 2), "");
            EXPECT_EQ(lines.at(i + 3), "");
            blocks.push_back({number, {}});
        } else if (startsWith(line, kCounterPrefix)) {
            if (blocks.empty()) ADD_FAILURE() << "counter line before any block: " << i;
            if (blocks.empty()) blocks.push_back({0, {}});
            blocks.back().groups.push_back({std::stol(line.substr(kCounterPrefix.size())), {}});
        } else if (startsWith(line, kDataPrefix)) {
            if (blocks.empty() || blocks.back().groups.empty()) {
                ADD_FAILURE() << "data line without a counter line: " << i;
                if (blocks.empty()) blocks.push_back({0, {}});
                blocks.back().groups.push_back({-1, {}});
            }
            EXPECT_EQ(line.size(), 30u) << line;
            blocks.back().groups.back().digits.push_back(line.substr(kDataPrefix.size(), 8));
            // The hexadecimal digits name the same byte as the digit text.
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(std::stoul(line.substr(13, 8), nullptr, 2)));
            EXPECT_EQ(line.substr(21), std::string("'   ; ") + hex + " ") << line;
        }
    }
    return blocks;
}

const Lines kTrailer = {"", "", ";---------------------------------------------------", "; ", "; End of file.", "; ",
                        ";---------------------------------------------------", ""};

class AssemblerExportTest : public ::testing::Test {
protected:
    Lines exportLines() {
        const auto path = directory / "sound.asm";
        const Result<> result = exportAssembler(*state, path);
        EXPECT_TRUE(result) << result.error();
        return splitCrLf(test::readFileBytes(path));
    }

    // A sound of count samples whose bits follow a fixed irregular pattern.
    void setBits(std::uint32_t count) {
        state->encoder.sampleCount = count;
        std::uint32_t noise = 12345;
        for (std::uint32_t i = 0; i < kMaxSamples; ++i) {
            noise = noise * 1103515245u + 12345u;
            state->bitStream[i] = i + 1 < count ? static_cast<std::uint8_t>((noise >> 16) & 1) : 0;
        }
    }

    std::string digitsOfByte(std::size_t k) const {
        std::string digits;
        for (std::size_t j = 0; j < 8; ++j) digits += state->bitStream[8 * k + j] == 1 ? '1' : '0';
        return digits;
    }

    test::TempDirectory directory;
    std::unique_ptr<ProgramState> state = test::makeStartedState();
};

TEST_F(AssemblerExportTest, StartUpExportIsExact) {
    const Lines lines = exportLines();
    const Lines header = {
        ";=====================================================",
        "; AUTO CREATED FILE made by Windows Ryx Sound Encoder ",
        "; LT v1.0 ",
        "; ",
        "; " + std::string(kAuthorNotice) + " ",
        "; " + std::string(kWebAddress) + " ",
        ";=====================================================",
        ";",
        "; File Details:",
        "; Size 490 bits     (61 bytes)",
        "; Sound encoded at 15625 bits/sec ",
        "; using Ryx16 1.5bit Algorithm to be decoded on",
        "; the following circuit:",
        "; ",
        "; ",
        ";             R  = 4506 ohms  ",
        ";             each 2R = 9012 ohms  ",
        "; ",
        "; ",
        "; Digital ----------2R-----,     ",
        ";                          |     ",
        "; Digital ----------2R-----*----- Analogue    ",
        ";                          |      out        ",
        ";                          |     ",
        ";                          |     ",
        ";                          C = 0.22 uF   ",
        ";                          |     ",
        ";                          |     ",
        ";                          |     ",
        ";                         Gnd     ",
        "; ",
        "; ",
        ";=====================================================",
        "; Bitstream data is in PIC .asm table format,",
        "; in blocks of 256 bytes.",
        "; ",
        "; Bits are played from left to right, from ms_bit to",
        "; ls_bit.",
        ";=====================================================",
        "",
        "",
        ";---------------------------------------------------",
        "     org (1 *256)   \t    ; block = 1  ",
        ";---------------------------------------------------",
        "",
        "",
    };
    Lines expected = header;
    for (int byte = 0; byte < 61; ++byte) {
        if (byte % 8 == 0) expected.push_back(kCounterPrefix + std::to_string(byte));
        expected.push_back("     retlw b'00000000'   ; 00 ");
    }
    expected.insert(expected.end(), kTrailer.begin(), kTrailer.end());
    EXPECT_EQ(lines, expected);
}

TEST_F(AssemblerExportTest, OneBitCircuitAndTheFinenessField) {
    struct Case {
        std::int8_t algorithm;
        std::int8_t fineness;
        std::int32_t ohms;
        std::string schemeLine;
    };
    const Case cases[] = {
        {15, 4, 1010, "; using Ryx4  1.5bit Algorithm to be decoded on"},
        {15, 16, 4506, "; using Ryx16 1.5bit Algorithm to be decoded on"},
        {1, 4, 1010, "; using Ryx4  1bit Algorithm to be decoded on"},
        {1, 32, 143149976, "; using Ryx32 1bit Algorithm to be decoded on"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.schemeLine);
        state->encoder.algorithmType = c.algorithm;
        state->encoder.fineness = c.fineness;
        state->encoder.resistorOhms = c.ohms;
        const Lines lines = exportLines();
        ASSERT_GT(lines.size(), 40u);
        EXPECT_EQ(lines[11], c.schemeLine);
        const std::string r = std::to_string(c.ohms);
        if (c.algorithm == 15) {
            EXPECT_EQ(lines[15], ";             R  = " + r + " ohms  ");
            EXPECT_EQ(lines[16], ";             each 2R = " + std::to_string(2 * std::int64_t{c.ohms}) + " ohms  ");
            EXPECT_EQ(lines.size(), 123u);
            continue;
        }
        const Lines circuit = {
            "; the following circuit:",
            "; ",
            "; ",
            ";             R = " + r + " ohms  ",
            ";  ",
            "; Digital -----------R-----*----- Analogue  ",
            ";                          |      out   ",
            ";                          |     ",
            ";                          |     ",
            ";                          C = 0.22 uF   ",
            ";                          |     ",
            ";                          |     ",
            ";                          |     ",
            ";                         Gnd     ",
            "; ",
        };
        EXPECT_EQ(Lines(lines.begin() + 12, lines.begin() + 27), circuit);
        EXPECT_EQ(lines.size(), 119u);
    }
}

// Blocks of 32 groups of 8 bytes, counters running on across blocks, and no
// empty group or block at the end. 5003 samples end in a group of five bytes.
TEST_F(AssemblerExportTest, BlocksGroupsAndCountersForSoundLengths) {
    struct Case {
        std::uint32_t samples;
        std::size_t lines;  // with the 1.5-bit text; the 1-bit text has 4 fewer
        std::size_t blocks;
        std::size_t groupsInLastBlock;
        std::size_t bytesInLastGroup;
        long lastCounter;
    };
    const Case cases[] = {
        {8, 56, 1, 1, 1, 0},          {15, 56, 1, 1, 1, 0},        {16, 57, 1, 1, 2, 0},
        {490, 123, 1, 8, 5, 56},      {2048, 342, 1, 32, 8, 248},  {2056, 351, 2, 1, 1, 256},
        {5003, 772, 3, 15, 1, 624},   {262500, 37864, 129, 6, 4, 32808},
    };
    for (const Case& c : cases) {
        for (const std::int8_t algorithm : {kAlgorithmOneAndHalfBit, kAlgorithmOneBit}) {
            SCOPED_TRACE(testing::Message() << c.samples << " samples, scheme " << int{algorithm});
            state->encoder.algorithmType = algorithm;
            setBits(c.samples);
            const Lines lines = exportLines();
            EXPECT_EQ(lines.size(), algorithm == kAlgorithmOneAndHalfBit ? c.lines : c.lines - 4);
            EXPECT_EQ(lines[9], "; Size " + std::to_string(c.samples) + " bits     (" +
                                    std::to_string(c.samples / 8) + " bytes)");
            EXPECT_EQ(Lines(lines.end() - 8, lines.end()), kTrailer);

            const std::vector<Block> blocks = parseBlocks(lines);
            ASSERT_EQ(blocks.size(), c.blocks);
            std::size_t bytes = 0;
            for (std::size_t b = 0; b < blocks.size(); ++b) {
                EXPECT_EQ(blocks[b].number, b + 1);
                if (b + 1 < blocks.size()) {
                    EXPECT_EQ(blocks[b].groups.size(), 32u);
                }
                for (const Group& group : blocks[b].groups) {
                    EXPECT_EQ(group.counter, static_cast<long>(bytes));
                    ASSERT_FALSE(group.digits.empty());
                    for (const std::string& digits : group.digits) ASSERT_EQ(digits, digitsOfByte(bytes++));
                }
            }
            EXPECT_EQ(bytes, c.samples / 8);
            EXPECT_EQ(blocks.back().groups.size(), c.groupsInLastBlock);
            EXPECT_EQ(blocks.back().groups.back().digits.size(), c.bytesInLastGroup);
            EXPECT_EQ(blocks.back().groups.back().counter, c.lastCounter);
        }
    }
}

TEST_F(AssemblerExportTest, EarliestSampleIsTheLeftmostDigit) {
    state->encoder.sampleCount = 16;
    const std::uint8_t bits[16] = {1, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1};
    std::copy(std::begin(bits), std::end(bits), state->bitStream.begin());
    const Lines lines = exportLines();
    EXPECT_EQ(lines[lines.size() - 11], kCounterPrefix + "0");
    EXPECT_EQ(lines[lines.size() - 10], "     retlw b'10110001'   ; b1 ");
    // A multiple of 8 writes the last byte, last sample included.
    EXPECT_EQ(lines[lines.size() - 9], "     retlw b'00001111'   ; 0f ");
}

}  // namespace
}  // namespace ryx
