#include "HexSegmentCases.h"

#include "firmware/IntelHex.h"

#include <gtest/gtest.h>

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

// Nothing wraps at 64 KiB: an address record wherever a segment starts, as
// gpasm writes them, compared record by record with their checksums.
TEST(IntelHex, SelectsEverySegmentPast64KiB) {
    for (const test::HexSegmentCase& c : test::hexSegmentCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lines(formatIntelHex(c.runs)), c.records);
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
