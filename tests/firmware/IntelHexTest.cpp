#include "HexSegmentCases.h"

#include "firmware/IntelHex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <stdexcept>

namespace ryx {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

// Reads the records back the way a programmer does: every checksum must hold,
// a type 04 record sets the upper 16 bits of the addresses that follow.
std::map<std::uint32_t, std::uint8_t> readBack(const std::vector<std::string>& records) {
    std::map<std::uint32_t, std::uint8_t> memory;
    std::uint32_t upper = 0;
    for (const std::string& record : records) {
        if (record.size() < 11 || record[0] != ':' || record.size() % 2 == 0) {
            throw std::runtime_error("bad record " + record);
        }
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 1; i < record.size(); i += 2) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(record.substr(i, 2), nullptr, 16)));
        }
        std::uint8_t sum = 0;
        for (std::uint8_t byte : bytes) sum = static_cast<std::uint8_t>(sum + byte);
        if (sum != 0 || bytes[0] + 5u != bytes.size()) throw std::runtime_error("bad checksum or length in " + record);
        const std::uint32_t address = static_cast<std::uint32_t>(bytes[1] << 8 | bytes[2]);
        if (bytes[3] == 4) upper = static_cast<std::uint32_t>(bytes[4] << 8 | bytes[5]) << 16;
        if (bytes[3] == 0) {
            for (std::uint32_t i = 0; i < bytes[0]; ++i) memory[upper + address + i] = bytes[4 + i];
        }
    }
    return memory;
}

std::map<std::uint32_t, std::uint8_t> bytesOf(const std::vector<ProgramWords>& runs) {
    std::map<std::uint32_t, std::uint8_t> memory;
    for (const ProgramWords& run : runs) {
        for (std::size_t i = 0; i < run.words.size(); ++i) {
            const auto at = static_cast<std::uint32_t>(2 * (run.address + i));
            memory[at] = static_cast<std::uint8_t>(run.words[i] & 0xFF);
            memory[at + 1] = static_cast<std::uint8_t>(run.words[i] >> 8);
        }
    }
    return memory;
}

// Nothing wraps at 64 KiB: an address record wherever a segment starts, as gpasm writes them.
TEST(IntelHex, SelectsEverySegmentPast64KiB) {
    for (const test::HexSegmentCase& c : test::hexSegmentCases()) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> written = lines(formatIntelHex(c.runs));
        ASSERT_EQ(written.size(), c.records.size());
        for (std::size_t i = 0; i < written.size(); ++i) EXPECT_EQ(written[i], c.records[i]) << "record " << i;
        EXPECT_EQ(readBack(written), bytesOf(c.runs));
    }
    const std::vector<ProgramWords> tooHigh{{0x7FFFFFFF, {0x3400, 0x3401}}};
    EXPECT_THROW(formatIntelHex(tooHigh), std::out_of_range);
}

// gpasm's own output for retlw 1 ... 20 at word 3 and retlw 1, 2 at word 8190:
// records stop at every 16-byte boundary and at every gap.
TEST(IntelHex, LaysRecordsOutAsTheAssemblerDoes) {
    std::vector<ProgramWords> runs{{3, {}}, {8190, {0x3401, 0x3402}}};
    for (std::uint16_t value = 1; value <= 20; ++value) runs[0].words.push_back(static_cast<std::uint16_t>(0x3400 | value));
    EXPECT_EQ(formatIntelHex(runs),
              ":020000040000FA\n"
              ":0A00060001340234033404340534DD\n"
              ":1000100006340734083409340A340B340C340D34F4\n"
              ":0E0020000E340F3410341134123413341434EF\n"
              ":043FFC000134023456\n"
              ":00000001FF\n");
}

// Two config words at 0x2007 and 0x2008 straddle the byte boundary 0x4010.
TEST(IntelHex, SplitsConfigWordsAtTheBoundary) {
    const std::vector<ProgramWords> runs{{0, {0, 0, 0, 0x2800}}, {0x2007, {0x3F30, 0x3FFC}}};
    EXPECT_EQ(formatIntelHex(runs),
              ":020000040000FA\n"
              ":080000000000000000000028D0\n"
              ":02400E00303F41\n"
              ":02401000FC3F73\n"
              ":00000001FF\n");
}

}  // namespace
}  // namespace ryx
