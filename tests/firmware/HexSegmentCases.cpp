#include "HexSegmentCases.h"

namespace ryx::test {

const std::vector<HexSegmentCase>& hexSegmentCases() {
    // Word addresses: byte address 0x10000 is word 0x8000, 0x300000 is word 0x180000.
    static const std::vector<HexSegmentCase> cases{
        {"a run crossing 0x10000",
         {{0x7FFC, {0x0101, 0x0202, 0x0303, 0x0404, 0x0505, 0x0606, 0x0707, 0x0808}}},
         {":020000040000FA", ":08FFF8000101020203030404ED", ":020000040001F9", ":080000000505060607070808C4",
          ":00000001FF"}},
        {"config bytes at 0x300000",
         {{0x180000, {0xC000, 0x1F1E, 0xFF00, 0x8381, 0xFF00, 0xC00F, 0x400F}}},
         {":020000040000FA", ":020000040030CA", ":0E00000000C01E1F00FF818300FF0FC00F40D5", ":00000001FF"}},
        {"gaps that jump segments",
         {{0x10, {0x3401, 0x3402}}, {0xFFFE, {0x1111}}, {0x180000, {0x28FF}}},
         {":020000040000FA", ":040020000134023471", ":020000040001F9", ":02FFFC001111E1", ":020000040030CA",
          ":02000000FF28D7", ":00000001FF"}},
        {"several records in the second segment",
         {{0x8004, {0x3400, 0x3401, 0x3402, 0x3403, 0x3404, 0x3405, 0x3406, 0x3407, 0x3408, 0x3409,
                    0x340A, 0x340B, 0x340C, 0x340D, 0x340E, 0x340F, 0x3410, 0x3411, 0x3412, 0x3413}}},
         {":020000040000FA", ":020000040001F9", ":0800080000340134023403341A",
          ":100010000434053406340734083409340A340B3404", ":100020000C340D340E340F341034113412341334B4",
          ":00000001FF"}},
    };
    return cases;
}

}  // namespace ryx::test
