#pragma once
// Program memory past the first 64 KiB of bytes, as a PIC18 lays it out, with
// the records gpasm writes for the same words (assembled for a PIC18F8722).

#include "firmware/IntelHex.h"

#include <string>
#include <vector>

namespace ryx::test {

struct HexSegmentCase {
    const char* name;
    std::vector<ProgramWords> runs;
    std::vector<std::string> records;  // gpasm's, in order
};

const std::vector<HexSegmentCase>& hexSegmentCases();

}  // namespace ryx::test
