// The player's timing as measured on its code: the path walk over small
// programs whose cycles are known, then the fewest cycles per sample of
// every family, storage and form, the figures the simulator plays.
#include "firmware/PicPathWalk.h"
#include "firmware/PlayerCode.h"
#include "firmware/PlayerSerialRead.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

constexpr PicRegister kPort{"PORTB", 0x06};
constexpr PicRegister kCount{"count", 0x20};
constexpr PicRegister kPic18Port{"PORTB", 0xF81};

struct WalkCase {
    const char* what;
    PicFamily family;
    // Writes the program: the port write at word 0 starts the paths, the
    // one at `end` ends them.
    std::function<void(PicAssembly&)> write;
    std::uint32_t end;
    std::vector<PicRegion> regions;
    PicPathCycles expected;
    std::string error = {};
};

TEST(PicPathWalk, CountsEveryWayThroughARegion) {
    const WalkCase cases[] = {
        {"a skip and the jump it skips, balanced by a nop", PicFamily::midRange,
         [](PicAssembly& c) {
             c.fileOp(pic::kMovwf, kPort);
             c.byteOp(pic::kDecfsz, kCount, Destination::f);
             c.jump(pic::kGoto, "back");
             c.plain(pic::kNop);
             c.label("back");
             c.fileOp(pic::kMovwf, kPort);
         },
         4, {{"r", 4, 4, {"back"}}}, {{"r", 4}}},
        {"the same without the nop", PicFamily::midRange,
         [](PicAssembly& c) {
             c.fileOp(pic::kMovwf, kPort);
             c.byteOp(pic::kDecfsz, kCount, Destination::f);
             c.jump(pic::kGoto, "back");
             c.label("back");
             c.fileOp(pic::kMovwf, kPort);
         },
         3, {{"r", 3, 3, {"back"}}}, {}, "paths through r take"},
        {"a call onto a table's retlw", PicFamily::midRange,
         [](PicAssembly& c) {
             c.fileOp(pic::kMovwf, kPort);
             c.jump(pic::kCall, "fetch");
             c.fileOp(pic::kMovwf, kPort);
             c.label("fetch");
             c.tableJump({"PCL", 0x02});
         },
         2, {{"r", 1, 1}}, {{"r", 7}}},
        {"a jump to a label set after an empty region passes it", PicFamily::midRange,
         [](PicAssembly& c) {
             c.fileOp(pic::kMovwf, kPort);
             c.jump(pic::kGoto, "past");
             c.label("past");
             c.fileOp(pic::kMovwf, kPort);
         },
         2, {{"r", 2, 2}}, {}},
        {"a jump to a label set before an empty region enters it", PicFamily::midRange,
         [](PicAssembly& c) {
             c.fileOp(pic::kMovwf, kPort);
             c.jump(pic::kGoto, "past");
             c.label("past");
             c.fileOp(pic::kMovwf, kPort);
         },
         2, {{"r", 2, 2, {"past"}}}, {{"r", 3}}},
        {"two regions on one path", PicFamily::midRange,
         [](PicAssembly& c) {
             c.fileOp(pic::kMovwf, kPort);
             c.plain(pic::kNop);
             c.fileOp(pic::kMovwf, kPort);
         },
         2, {{"r", 1, 1}, {"s", 2, 2}}, {}, "crosses r and s"},
        {"PIC18: a skip over a two-word goto takes three cycles", PicFamily::pic18,
         [](PicAssembly& c) {
             c.fileOp(pic18::kMovwf, kPic18Port);
             c.bitOp(pic18::kBtfsc, {"STATUS", 0xFD8}, "Z", 2);
             c.jump(pic18::kGoto, "write");
             c.label("write");
             c.fileOp(pic18::kMovwf, kPic18Port);
         },
         4, {{"r", 1, 1}}, {{"r", 4}}},
        {"PIC18: a branch taken takes a cycle more", PicFamily::pic18,
         [](PicAssembly& c) {
             c.fileOp(pic18::kMovwf, kPic18Port);
             c.branch(pic18::kBz, "write");
             c.plain(pic18::kNop);
             c.label("write");
             c.fileOp(pic18::kMovwf, kPic18Port);
         },
         3, {{"r", 1, 1}}, {{"r", 3}}},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.what);
        PicAssembly code(c.family);
        c.write(code);
        PicPathWalk walk(code, c.regions, {c.end});
        try {
            walk.walkFrom(0);
            EXPECT_EQ(c.error, "");
            EXPECT_EQ(walk.cycles(), c.expected);
        } catch (const std::logic_error& e) {
            EXPECT_NE(c.error, "");
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
}

// Measured on the code, as the simulator plays them at these rates: the
// byte boundary (with a packed word's read the longer), the restart of a
// loop, a routine's ramp down set up in the sound's last sample.
TEST(PlayerTiming, FewestCyclesPerSampleOfEveryFamily) {
    struct Case {
        const char* chip;
        PicPacking packing;
        std::uint32_t once;
        std::uint32_t looping;
        std::uint32_t routine;
    };
    const Case cases[] = {
        {"16f628a", PicPacking::off, 35, 43, 37},      {"16f88", PicPacking::automatic, 42, 52, 43},
        {"12f1840", PicPacking::off, 35, 43, 37},      {"12f1840", PicPacking::automatic, 42, 52, 43},
        {"18f2520", PicPacking::off, 26, 35, 36},      {"18f26k22", PicPacking::automatic, 26, 35, 36},
    };
    for (const Case& c : cases) {
        const PicChip& chip = *findPicChip(c.chip);
        const PicStorage storage = storageFor(chip, c.packing);
        SCOPED_TRACE(std::string(c.chip) + " storage " + std::to_string(static_cast<int>(storage)));
        EXPECT_EQ(playerMinCycles(chip, false, storage), c.once);
        EXPECT_EQ(playerMinCycles(chip, true, storage), c.looping);
        EXPECT_EQ(playerMinCycles(chip, false, storage, PlayerForm::routine), c.routine);
        PlayerSettings settings{&chip, 20000000, c.once - 1, storage, 100, true, false};
        EXPECT_THROW(buildPlayer(settings), std::invalid_argument);
        settings.cyclesPerSample = c.once;
        EXPECT_NO_THROW(buildPlayer(settings));
    }
}

}  // namespace
}  // namespace ryx

namespace ryx {
namespace {

PlayerSettings memorySettings(const char* chip, std::uint32_t clockHz, const char* memory) {
    PlayerSettings settings{findPicChip(chip), clockHz, 0, PicStorage::retlw, 100, true, false};
    settings.memory = findMemory(memory);
    return settings;
}

// A bit clocked in at every sample: the bus adds its pads at the clock to
// the path, and a byte boundary's I2C acknowledge.
TEST(PlayerTiming, FewestCyclesPerSampleFromASerialMemory) {
    struct Case {
        const char* chip;
        std::uint32_t clockHz;
        const char* memory;
        std::uint32_t fewest;
        bool loop = false;
        std::uint32_t lastByteSamples = 0;  // a loop's new read is spread over them
    };
    const Case cases[] = {
        {"16f628a", 4000000, "24LC256", 41}, {"16f628a", 20000000, "24LC256", 47}, {"12f683", 8000000, "24LC256", 42},
        {"12f1840", 8000000, "24LC256", 42}, {"16f1825", 20000000, "24LC256", 47}, {"16f88", 20000000, "24LC256", 47},
        {"16f628a", 4000000, "W25Q32", 32},  {"16f628a", 20000000, "W25Q32", 32},  {"16f1825", 8000000, "W25Q32", 32},
        {"16f1825", 20000000, "25LC1024", 32},
        // A loop's new read and first byte, spread over the sound's last byte's samples.
        {"16f628a", 4000000, "24LC256", 90, true}, {"16f628a", 20000000, "24LC256", 111, true},
        {"12f1840", 8000000, "24LC256", 91, true}, {"16f1825", 8000000, "W25Q32", 47, true},
        {"16f628a", 4000000, "W25Q32", 47, true}, {"16f628a", 20000000, "25LC1024", 47, true},
        {"16f628a", 4000000, "24LC256", 201, true, 1}, {"16f628a", 4000000, "W25Q32", 126, true, 1},
        {"16f628a", 4000000, "24LC256", 121, true, 4},
        // The 24LC1025's new read at its second block, over the first block's last byte.
        {"16f628a", 4000000, "24LC1025", 81}, {"16f628a", 20000000, "24LC1025", 100},
        {"16f1825", 8000000, "24LC1025", 82},
        // Its loop: the new read's control bytes take the block from the entry.
        {"16f628a", 4000000, "24LC1025", 90, true}, {"16f628a", 20000000, "24LC1025", 111, true},
        {"16f628a", 4000000, "24LC1025", 206, true, 1}, {"18f2520", 20000000, "24LC1025", 98, true},
        // The PIC18s reach their ports and the memory's variables in the access bank.
        {"18f2520", 8000000, "24LC256", 36}, {"18f2520", 20000000, "24LC256", 41}, {"18f26k22", 16000000, "W25Q32", 30},
        {"18f26k22", 64000000, "24LC256", 67}, {"18f26k22", 64000000, "W25Q32", 30},
        {"18f2520", 20000000, "24LC256", 98, true}, {"18f26k22", 16000000, "W25Q32", 47, true},
        {"18f2520", 20000000, "24LC1025", 89},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " at " + std::to_string(c.clockHz) + " from the " + c.memory +
                     (c.loop ? ", looping" : ""));
        PlayerSettings settings = memorySettings(c.chip, c.clockHz, c.memory);
        settings.loop = c.loop;
        settings.lastReadSamples = c.lastByteSamples;
        EXPECT_EQ(serialMemoryMinCycles(settings), c.fewest);
        settings.cyclesPerSample = c.fewest - 1;
        EXPECT_THROW(buildPlayer(settings), std::invalid_argument);
        settings.cyclesPerSample = c.fewest;
        EXPECT_NO_THROW(buildPlayer(settings));
    }
}

// What the memory's player does not do yet is refused, not built wrong.
TEST(PlayerTiming, MemoryPlayerRefusesWhatItCannotPlay) {
    const struct {
        const char* what;
        std::function<void(PlayerSettings&)> change;
    } cases[] = {
        {"a loop of one byte", [](PlayerSettings& s) {
             s.loop = true;
             s.tableReads = 1;
         }},
    };
    for (const auto& c : cases) {
        PlayerSettings settings = memorySettings("16f628a", 20000000, "24LC256");
        settings.cyclesPerSample = 1000;
        ASSERT_NO_THROW(buildPlayer(settings));
        c.change(settings);
        EXPECT_THROW(buildPlayer(settings), std::invalid_argument) << c.what;
    }
}

}  // namespace
}  // namespace ryx
