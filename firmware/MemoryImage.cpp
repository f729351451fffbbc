#include "firmware/MemoryImage.h"

#include "export/BitPacking.h"
#include "firmware/IntelHex.h"
#include "firmware/PicProgram.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

namespace ryx {
namespace {

std::string secondsText(std::uint64_t samples, std::uint32_t rate) {
    return formatFixed(static_cast<double>(samples) / rate, 2) + " s";
}

// Over by a hair still shows as 0.01 s.
std::string secondsOverText(std::uint64_t bytes, std::uint32_t rate) {
    return formatFixed(std::ceil(static_cast<double>(bytes) * 8 * 100 / rate) / 100, 2) + " s";
}

void putBigEndian(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int k = bytes - 1; k >= 0; --k) {
        at[k] = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

bool namesHexFile(const OutputTarget& target) {
    if (target.isStandardOutput()) return false;
    std::string extension = target.path().extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return extension == ".hex";
}

}  // namespace

std::uint32_t memoryImageIndexBytes(std::size_t soundCount) {
    return static_cast<std::uint32_t>(1 + kImageEntryBytes * soundCount);
}

std::uint64_t memorySampleCapacity(const SerialMemory& memory, std::size_t soundCount, ImagePlacement placement) {
    const std::uint32_t index = memoryImageIndexBytes(soundCount);
    const std::uint64_t room = memory.sizeBytes > index ? 8 * std::uint64_t{memory.sizeBytes - index} : 0;
    // One sound within a block holds at most the block (the second one, past the index).
    const bool blocks = placement == ImagePlacement::withinBlocks && memory.blockBytes < memory.sizeBytes;
    return blocks && soundCount == 1 ? std::min(room, 8 * std::uint64_t{memory.blockBytes}) : room;
}

Result<MemoryImagePlan> planMemoryImage(const SerialMemory& memory, std::span<const std::uint32_t> sampleCounts,
                                        std::uint32_t sampleRate, ImagePlacement placement) {
    if (sampleCounts.empty()) return Result<MemoryImagePlan>::failure("an image needs at least one sound");
    if (sampleCounts.size() > kMaxImageSounds) {
        return Result<MemoryImagePlan>::failure("an image holds at most " + std::to_string(kMaxImageSounds) +
                                                " sounds: " + std::to_string(sampleCounts.size()) + " are too many");
    }
    if (sampleRate == 0) throw std::invalid_argument("a memory image needs the sounds' rate");
    MemoryImagePlan plan;
    std::uint64_t next = memoryImageIndexBytes(sampleCounts.size());
    const bool blocks = memory.blockBytes < memory.sizeBytes;
    const bool within = blocks && placement == ImagePlacement::withinBlocks;
    for (std::size_t k = 0; k < sampleCounts.size(); ++k) {
        const std::uint32_t samples = sampleCounts[k];
        const std::uint64_t bytes = (std::uint64_t{samples} + 7) / 8;
        if (within && bytes > memory.blockBytes) {
            return Result<MemoryImagePlan>::failure(
                std::string(sampleCounts.size() == 1 ? "the sound" : "sound " + std::to_string(k)) + " (" +
                std::to_string(bytes) + " bytes) is longer than the " + std::string(memory.name) + "'s " +
                std::to_string(memory.blockBytes / 1024) + " KiB block: a loop or a routine plays each sound from "
                "one block (" + secondsText(8 * std::uint64_t{memory.blockBytes}, sampleRate) + " at " +
                std::to_string(sampleRate) + " Hz)");
        }
        if (within && next / memory.blockBytes != (next + bytes - 1) / memory.blockBytes) {
            next = (next / memory.blockBytes + 1) * memory.blockBytes;  // the next block's start
        }
        // Where reads stop at a block, the player's new read there comes
        // over the first block's last byte after the sound's first: a sound
        // going on past it starts one byte later.
        if (blocks && next % memory.blockBytes == memory.blockBytes - 1 && bytes > 1) ++next;
        plan.sounds.push_back({static_cast<std::uint32_t>(std::min<std::uint64_t>(next, UINT32_MAX)), samples});
        next += bytes;
    }
    if (next > memory.sizeBytes) {
        const bool one = sampleCounts.size() == 1;
        return Result<MemoryImagePlan>::failure(
            std::string(one ? "the sound does not fit the " : "the sounds do not fit the ") +
            std::string(memory.name) + " (" + std::to_string(memory.sizeBytes) + " bytes, " +
            secondsText(memorySampleCapacity(memory, sampleCounts.size()), sampleRate) + " at " +
            std::to_string(sampleRate) + " Hz): " + (one ? "it is " : "they are ") +
            secondsOverText(next - memory.sizeBytes, sampleRate) + " too long");
    }
    plan.usedBytes = static_cast<std::uint32_t>(next);
    return plan;
}

std::vector<std::uint8_t> buildMemoryImage(const MemoryImagePlan& plan, std::span<const SoundBits> sounds) {
    if (sounds.size() != plan.sounds.size()) throw std::invalid_argument("the image's sounds differ from its plan");
    std::vector<std::uint8_t> image(plan.usedBytes, 0);
    image[0] = static_cast<std::uint8_t>(sounds.size());
    for (std::size_t k = 0; k < sounds.size(); ++k) {
        const ImageSound& sound = plan.sounds[k];
        if (sounds[k].size() < sound.samples) throw std::invalid_argument("a sound shorter than its plan");
        std::uint8_t* entry = image.data() + 1 + kImageEntryBytes * k;
        putBigEndian(entry, sound.firstByte, 3);
        putBigEndian(entry + 3, sound.samples, 4);
        const std::uint8_t* bits = sounds[k].data();
        std::uint8_t* out = image.data() + sound.firstByte;
        const std::uint32_t whole = sound.samples / 8;
        for (std::uint32_t b = 0; b < whole; ++b) out[b] = packEightBits(bits + 8 * b);
        // The last few samples in the top bits of one more byte.
        for (std::uint32_t s = 8 * whole; s < sound.samples; ++s) {
            if (bits[s] == 1) out[whole] = static_cast<std::uint8_t>(out[whole] | 0x80u >> (s % 8));
        }
    }
    return image;
}

Result<std::vector<std::uint8_t>> memoryImage(const SerialMemory& memory, std::span<const SoundBits> sounds,
                                              std::uint32_t sampleRate, ImagePlacement placement) {
    std::vector<std::uint32_t> counts;
    for (const SoundBits& sound : sounds) {
        if (sound.size() > UINT32_MAX) {
            return Result<std::vector<std::uint8_t>>::failure("a sound of more than 4,294,967,295 samples");
        }
        counts.push_back(static_cast<std::uint32_t>(sound.size()));
    }
    const Result<MemoryImagePlan> plan = planMemoryImage(memory, counts, sampleRate, placement);
    if (!plan) return plan.failureDetail();
    return buildMemoryImage(*plan, sounds);
}

Result<> writeMemoryImage(const SerialMemory& memory, std::span<const SoundBits> sounds, std::uint32_t sampleRate,
                          const OutputTarget& target, ImagePlacement placement) {
    const Result<std::vector<std::uint8_t>> image = memoryImage(memory, sounds, sampleRate, placement);
    if (!image) return image.failureDetail();
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    if (namesHexFile(target)) {
        writer.write(formatIntelHexBytes(0, *image));
    } else {
        writer.write(image->data(), image->size());
    }
    return writer.commit();
}

}  // namespace ryx
