#include "core/PcmWavFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace ryx {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kPcmFormatSize = 16;
constexpr std::size_t kExtensibleFormatSize = 40;
// A file larger than this is no short sound; refused before it is read.
constexpr std::uintmax_t kLargestFile = std::uintmax_t{1} << 30;

std::uint16_t read16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t read32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(read16(bytes, at)) | static_cast<std::uint32_t>(read16(bytes, at + 2)) << 16;
}

bool hasTag(std::span<const std::uint8_t> bytes, std::size_t at, const char* tag) {
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

Result<> refuse(const std::string& why) { return Result<>::failure(why); }

Result<> takeFormat(std::span<const std::uint8_t> body, PcmSound& sound) {
    if (body.size() < kPcmFormatSize) return refuse("its format chunk is too short");
    std::uint16_t formatTag = read16(body, 0);
    // The extensible layout names its real format in the first two bytes of a GUID.
    if (formatTag == kFormatExtensible && body.size() >= kExtensibleFormatSize) formatTag = read16(body, 24);
    if (formatTag != kFormatPcm) return refuse("it is not PCM sound (format " + std::to_string(formatTag) + ")");
    sound.channels = read16(body, 2);
    sound.sampleRate = read32(body, 4);
    const std::uint16_t blockAlign = read16(body, 12);
    sound.bitsPerSample = read16(body, 14);
    if (sound.channels != 1 && sound.channels != 2) {
        return refuse("it has " + std::to_string(sound.channels) + " channels (1 or 2 can be played)");
    }
    if (sound.bitsPerSample != 8 && sound.bitsPerSample != 16) {
        return refuse("it has " + std::to_string(sound.bitsPerSample) + "-bit samples (8 or 16 can be played)");
    }
    if (blockAlign != sound.bytesPerFrame()) return refuse("its frame size does not match its format");
    if (sound.sampleRate == 0) return refuse("its sample rate is 0 Hz");
    return {};
}

}  // namespace

Result<> parsePcmWav(std::span<const std::uint8_t> bytes, PcmSound& sound) {
    sound = PcmSound{};
    if (!hasTag(bytes, 0, "RIFF") || !hasTag(bytes, 8, "WAVE")) return refuse("it is not a RIFF WAVE file");

    bool formatSeen = false;
    std::size_t at = 12;
    // The RIFF length is often wrong in the wild; the file's own end bounds the walk.
    while (bytes.size() - at >= kChunkHeaderSize) {
        const std::size_t bodyStart = at + kChunkHeaderSize;
        const std::size_t declared = read32(bytes, at + 4);
        const std::size_t available = bytes.size() - bodyStart;
        if (hasTag(bytes, at, "fmt ")) {
            if (declared > available) return refuse("its format chunk is cut short");
            if (Result<> taken = takeFormat(bytes.subspan(bodyStart, declared), sound); !taken) return taken;
            formatSeen = true;
        } else if (hasTag(bytes, at, "data")) {
            if (!formatSeen) return refuse("its sound data comes before its format");
            // A cut-off file still plays as far as it goes.
            std::size_t length = declared < available ? declared : available;
            length -= length % sound.bytesPerFrame();
            sound.frames.assign(bytes.begin() + static_cast<std::ptrdiff_t>(bodyStart),
                                bytes.begin() + static_cast<std::ptrdiff_t>(bodyStart + length));
            return {};
        }
        if (declared > available) break;
        at = bodyStart + declared + (declared & 1);  // chunks are padded to even lengths
        if (at > bytes.size()) break;
    }
    return refuse(formatSeen ? "it has no sound data" : "it has no format chunk");
}

Result<> readPcmWavFile(const std::string& fileName, PcmSound& sound) {
    sound = PcmSound{};
    std::error_code error;
    if (std::filesystem::is_directory(fileName, error)) return refuse(fileName + ": " + std::strerror(EISDIR));
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(fileName.c_str(), "rb"));
    if (!file) return refuse(fileName + ": " + std::strerror(errno));

    std::vector<std::uint8_t> bytes;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    if (!error && size > kLargestFile) return refuse(fileName + ": the file is too large to play");
    if (!error) bytes.reserve(static_cast<std::size_t>(size));
    std::uint8_t block[65536];
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file.get());
        bytes.insert(bytes.end(), block, block + got);
        if (got < sizeof block) break;
        if (bytes.size() > kLargestFile) return refuse(fileName + ": the file is too large to play");
    }
    if (std::ferror(file.get())) return refuse(fileName + ": " + std::strerror(EIO));

    if (Result<> parsed = parsePcmWav(bytes, sound); !parsed) {
        return refuse(fileName + ": not a playable WAV file: " + parsed.error());
    }
    return {};
}

}  // namespace ryx
