#include "export/BitPacking.h"
#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"
#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace ryx {
namespace {

// A sound of `samples` bits in a pattern that differs from byte to byte.
std::vector<std::uint8_t> soundBits(std::uint32_t samples, std::uint32_t seed) {
    std::vector<std::uint8_t> bits(samples);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& bit : bits) {
        state = state * 1103515245u + 12345u;
        bit = static_cast<std::uint8_t>(state >> 30 & 1);
    }
    return bits;
}

// Intel HEX read back into bytes from address 0, checking every checksum.
std::vector<std::uint8_t> readHex(const std::string& text) {
    std::vector<std::uint8_t> memory;
    std::istringstream in(text);
    std::uint32_t upper = 0;
    bool ended = false;
    for (std::string line; std::getline(in, line);) {
        EXPECT_FALSE(ended) << "a record after the end";
        EXPECT_EQ(line[0], ':');
        std::vector<std::uint8_t> record;
        for (std::size_t at = 1; at + 1 < line.size(); at += 2) {
            record.push_back(static_cast<std::uint8_t>(std::stoul(line.substr(at, 2), nullptr, 16)));
        }
        std::uint8_t sum = 0;
        for (const std::uint8_t byte : record) sum = static_cast<std::uint8_t>(sum + byte);
        EXPECT_EQ(sum, 0) << line;
        EXPECT_EQ(record.size(), record[0] + 5u) << line;
        const std::uint32_t address = upper + (std::uint32_t{record[1]} << 8 | record[2]);
        if (record[3] == 4) upper = (std::uint32_t{record[4]} << 8 | record[5]) << 16;
        if (record[3] == 1) ended = true;
        if (record[3] != 0) continue;
        if (memory.size() < address + record[0]) memory.resize(address + record[0], 0xFF);
        std::copy(record.begin() + 4, record.end() - 1, memory.begin() + address);
    }
    EXPECT_TRUE(ended);
    return memory;
}

std::uint32_t bigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int k = 0; k < count; ++k) value = value << 8 | bytes[at + static_cast<std::size_t>(k)];
    return value;
}

// The index, then each sound from a whole byte, earliest sample in the top bit.
TEST(MemoryImage, LaysOutTheIndexAndTheSounds) {
    struct Case {
        const char* name;
        const char* memory;
        std::vector<std::uint32_t> samples;
        std::vector<std::uint32_t> firstBytes;
        std::uint32_t usedBytes;
    };
    const Case cases[] = {
        {"one sound", "24LC256", {20}, {8}, 8 + 3},
        {"a bank", "25LC1024", {8, 9, 1, 16}, {29, 30, 32, 33}, 35},
        // The second sound starts in the 24LC1025's upper block.
        {"past 64 KiB", "24LC1025", {8 * 70000, 8 * 1000 + 3}, {15, 70015}, 70015 + 1001},
        {"the whole memory", "24LC256", {8 * (32768 - 8)}, {8}, 32768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<std::uint8_t>> sounds;
        std::vector<SoundBits> spans;
        for (std::size_t k = 0; k < c.samples.size(); ++k) sounds.push_back(soundBits(c.samples[k], std::uint32_t(k)));
        for (const auto& sound : sounds) spans.emplace_back(sound);
        const Result<std::vector<std::uint8_t>> built = memoryImage(*findMemory(c.memory), spans, 15625);
        ASSERT_TRUE(built) << built.error();
        const std::vector<std::uint8_t>& image = *built;
        ASSERT_EQ(image.size(), c.usedBytes);
        ASSERT_EQ(image[0], c.samples.size());
        for (std::size_t k = 0; k < c.samples.size(); ++k) {
            EXPECT_EQ(bigEndian(image, 1 + 7 * k, 3), c.firstBytes[k]) << k;
            EXPECT_EQ(bigEndian(image, 4 + 7 * k, 4), c.samples[k]) << k;
            for (std::uint32_t s = 0; s < c.samples[k]; ++s) {
                const int bit = image[c.firstBytes[k] + s / 8] >> (7 - s % 8) & 1;
                ASSERT_EQ(bit, sounds[k][s]) << "sound " << k << " sample " << s;
            }
            // A last byte's unused bits stay 0.
            if (c.samples[k] % 8 != 0) {
                const std::uint8_t last = image[c.firstBytes[k] + c.samples[k] / 8];
                EXPECT_EQ(last & (0xFF >> (c.samples[k] % 8)), 0) << k;
            }
        }
    }
}

// The 24LC1025's player cannot start a new read at its second block
// before a sound's first byte: a sound of two bytes or more that would
// start on the first block's last byte starts on the second block's first;
// one byte stays.
TEST(MemoryImage, NoSoundOfTheTwentyFourLC1025StartsOnItsFirstBlocksLastByte) {
    const SerialMemory& memory = *findMemory("24LC1025");
    const std::uint32_t index = memoryImageIndexBytes(2);
    const std::uint32_t upTo = 8 * (0xFFFF - index);  // sound 0 ends just before 0xFFFF
    for (const auto& [second, first] : {std::pair{9u, 0x10000u}, std::pair{8u, 0xFFFFu}}) {
        const std::vector<std::uint32_t> samples{upTo, second};
        const Result<MemoryImagePlan> plan = planMemoryImage(memory, samples, 8000);
        ASSERT_TRUE(plan) << plan.error();
        EXPECT_EQ(plan->sounds[1].firstByte, first) << second << " samples";
    }
    const std::vector<std::uint32_t> other{upTo, 9};
    const Result<MemoryImagePlan> flat = planMemoryImage(*findMemory("25LC1024"), other, 8000);
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->sounds[1].firstByte, 0xFFFFu) << "a memory read on past 64 KiB";
}

// A loop or a routine reads each sound of the 24LC1025 from one block: a
// sound that would cross into the second starts at 0x10000 (the bytes
// skipped 0), one longer than a block is refused; a single play's image,
// and a memory read on past 64 KiB, keep the sound where it was.
TEST(MemoryImage, WithinBlocksNoSoundCrossesTheTwentyFourLC1025sBlocks) {
    const std::uint32_t index = memoryImageIndexBytes(2);
    const std::uint32_t upTo = 8 * (0xFFF0 - index);  // sound 0 ends just before 0xFFF0
    const struct {
        const char* memory;
        std::uint32_t second;  // samples
        ImagePlacement placement;
        std::uint32_t firstByte;  // 0: refused
    } cases[] = {
        {"24LC1025", 128, ImagePlacement::withinBlocks, 0xFFF0},  // ends on the block's last byte
        {"24LC1025", 129, ImagePlacement::withinBlocks, 0x10000},
        {"24LC1025", 8 * 65536, ImagePlacement::withinBlocks, 0x10000},
        {"24LC1025", 8 * 65536 + 1, ImagePlacement::withinBlocks, 0},
        {"24LC1025", 129, ImagePlacement::acrossBlocks, 0xFFF0},
        {"25LC1024", 129, ImagePlacement::withinBlocks, 0xFFF0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.memory) + ", " + std::to_string(c.second) + " samples");
        const std::vector<std::uint32_t> samples{upTo, c.second};
        const Result<MemoryImagePlan> plan = planMemoryImage(*findMemory(c.memory), samples, 8000, c.placement);
        if (c.firstByte == 0) {
            ASSERT_FALSE(plan);
            EXPECT_EQ(plan.error(), "sound 1 (65537 bytes) is longer than the 24LC1025's 64 KiB block: a loop or a "
                                    "routine plays each sound from one block (65.54 s at 8000 Hz)");
            continue;
        }
        ASSERT_TRUE(plan) << plan.error();
        EXPECT_EQ(plan->sounds[1].firstByte, c.firstByte);
    }
    const std::vector<std::uint8_t> ones(upTo, 1);
    const std::vector<std::uint8_t> second = soundBits(129, 3);
    const SoundBits sounds[] = {ones, second};
    const Result<std::vector<std::uint8_t>> image =
        memoryImage(*findMemory("24LC1025"), sounds, 8000, ImagePlacement::withinBlocks);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), 0x10000u + 17);
    EXPECT_EQ((*image)[8], 1) << "the entry's address names the second block";
    EXPECT_EQ(std::count(image->begin() + 0xFFF0, image->begin() + 0x10000, 0), 16);
    EXPECT_EQ((*image)[0x10000], packEightBits(second.data()));
}

TEST(MemoryImage, RefusesWhatDoesNotFit) {
    struct Case {
        const char* memory;
        std::vector<std::uint32_t> samples;
        std::uint32_t rate;
        std::string error;
    };
    const Case cases[] = {
        // One byte over: 8 samples, 0.01 s at 8000 Hz once rounded up.
        {"24LC256", {8 * (32768 - 8) + 1}, 8000,
         "the sound does not fit the 24LC256 (32768 bytes, 32.76 s at 8000 Hz): it is 0.01 s too long"},
        {"W25Q16", {16000000, 1000000}, 15625,
         "the sounds do not fit the W25Q16 (2097152 bytes, 1073.73 s at 15625 Hz): they are 14.27 s too long"},
        {"24LC512", std::vector<std::uint32_t>(256, 8), 8000, "an image holds at most 255 sounds: 256 are too many"},
        {"24LC512", {}, 8000, "an image needs at least one sound"},
    };
    for (const Case& c : cases) {
        const Result<MemoryImagePlan> plan = planMemoryImage(*findMemory(c.memory), c.samples, c.rate);
        EXPECT_FALSE(plan);
        EXPECT_EQ(plan.error(), c.error);
    }
}

// NAME.hex is Intel HEX with an address record per 64 KiB, other names the
// raw bytes; a refused image leaves the old file as it was.
TEST(MemoryImage, WritesHexOrRawWholeOrNotAtAll) {
    test::TempDirectory folder;
    const SerialMemory& memory = *findMemory("24LC1025");
    const std::vector<std::uint8_t> long1 = soundBits(8 * 70000, 1);
    const std::vector<std::uint8_t> short2 = soundBits(13, 2);
    const SoundBits sounds[] = {long1, short2};
    const std::vector<std::uint8_t> expected = *memoryImage(memory, sounds, 8000);

    ASSERT_TRUE(writeMemoryImage(memory, sounds, 8000, folder / "image.HEX"));
    const std::string hex = test::readFileText(folder / "image.HEX");
    EXPECT_EQ(readHex(hex), expected);
    EXPECT_NE(hex.find("\n:020000040001F9\n"), std::string::npos);
    EXPECT_EQ(hex, formatIntelHexBytes(0, expected));

    ASSERT_TRUE(writeMemoryImage(memory, sounds, 8000, folder / "image.bin"));
    EXPECT_EQ(test::readFileBytes(folder / "image.bin"), expected);

    const std::vector<std::uint8_t> tooLong = soundBits(8 * 131072, 3);
    const SoundBits refused[] = {tooLong};
    const Result<> written = writeMemoryImage(memory, refused, 8000, folder / "image.bin");
    EXPECT_FALSE(written);
    EXPECT_EQ(written.error(), "the sound does not fit the 24LC1025 (131072 bytes, 131.06 s at 8000 Hz): it is "
                               "0.01 s too long");
    EXPECT_EQ(test::readFileBytes(folder / "image.bin"), expected);
    EXPECT_FALSE(writeMemoryImage(memory, refused, 8000, folder / "new.hex"));
    EXPECT_EQ(test::entriesOf(folder.path()), (std::vector<std::string>{"image.HEX", "image.bin"}));
}

}  // namespace
}  // namespace ryx
