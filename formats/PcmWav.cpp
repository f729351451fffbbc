#include "formats/PcmWav.h"

#include "formats/WaveHeader.h"

#include <cstring>
#include <string>
#include <utility>

namespace ryx {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kPcmFormatSize = 16;
constexpr std::size_t kExtensibleFormatSize = 40;

Error refuse(std::string why) { return Error{std::move(why)}; }

Result<> takeFormat(std::span<const std::uint8_t> body, PcmSound& sound) {
    if (body.size() < kPcmFormatSize) return refuse("its format chunk is too short");
    std::uint16_t formatTag = readLittleEndian16(body, 0);
    // The extensible layout names its real format in the first two bytes of a GUID.
    if (formatTag == kFormatExtensible && body.size() >= kExtensibleFormatSize) formatTag = readLittleEndian16(body, 24);
    if (formatTag != kFormatPcm) return refuse("it is not PCM sound (format " + std::to_string(formatTag) + ")");
    sound.channels = readLittleEndian16(body, 2);
    sound.sampleRate = readLittleEndian32(body, 4);
    const std::uint16_t blockAlign = readLittleEndian16(body, 12);
    sound.bitsPerSample = readLittleEndian16(body, 14);
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

Result<PcmSound> parsePcmWav(std::span<const std::uint8_t> bytes) {
    PcmSound sound;
    if (!hasWaveTag(bytes, 0, "RIFF") || !hasWaveTag(bytes, 8, "WAVE")) return refuse("it is not a RIFF WAVE file");

    bool formatSeen = false;
    std::size_t at = 12;
    // The RIFF length is often wrong in the wild; the file's own end bounds the walk.
    while (bytes.size() - at >= kChunkHeaderSize) {
        const std::size_t bodyStart = at + kChunkHeaderSize;
        const std::size_t declared = readLittleEndian32(bytes, at + 4);
        const std::size_t available = bytes.size() - bodyStart;
        if (hasWaveTag(bytes, at, "fmt ")) {
            if (declared > available) return refuse("its format chunk is cut short");
            if (Result<> taken = takeFormat(bytes.subspan(bodyStart, declared), sound); !taken) return taken.failureDetail();
            formatSeen = true;
        } else if (hasWaveTag(bytes, at, "data")) {
            if (!formatSeen) return refuse("its sound data comes before its format");
            // A cut-off file still plays as far as it goes.
            std::size_t length = declared < available ? declared : available;
            length -= length % sound.bytesPerFrame();
            sound.frames.assign(bytes.begin() + static_cast<std::ptrdiff_t>(bodyStart),
                                bytes.begin() + static_cast<std::ptrdiff_t>(bodyStart + length));
            return sound;
        }
        if (declared > available) break;
        at = bodyStart + declared + (declared & 1);  // chunks are padded to even lengths
        if (at > bytes.size()) break;
    }
    return refuse(formatSeen ? "it has no sound data" : "it has no format chunk");
}

}  // namespace ryx
