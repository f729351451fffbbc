#include "import/DeclaredLength.h"

#include "formats/WaveHeader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace ryx {
namespace {

// Sizes a writer puts in a header it cannot go back to (a pipe): no length.
constexpr std::uint64_t kStreamedSize = 0x7F000000;
constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kOggPageHeader = 27;
constexpr std::uint8_t kOggEndOfStream = 0x04;

bool isPlaceholder(std::uint64_t size) { return size == 0 || size >= kStreamedSize; }

std::uint32_t readBigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

bool hasTag(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view tag) {
    return bytes.size() >= at + tag.size() && std::memcmp(bytes.data() + at, tag.data(), tag.size()) == 0;
}

std::optional<std::uint64_t> waveFrames(std::span<const std::uint8_t> head) {
    if (isPlaceholder(readLittleEndian32(head, 4))) return std::nullopt;
    std::optional<std::uint32_t> blockAlign;
    for (std::size_t at = 12; at + kChunkHeader <= head.size();) {
        const std::uint32_t size = readLittleEndian32(head, at + 4);
        const std::size_t body = at + kChunkHeader;
        if (hasTag(head, at, "fmt ") && body + 16 <= head.size()) {
            const std::uint32_t channels = readLittleEndian16(head, body + 2);
            const std::uint32_t align = readLittleEndian16(head, body + 12);
            const std::uint32_t bits = readLittleEndian16(head, body + 14);
            // Compressed kinds pack many frames in a block: no frame count here.
            if (align == 0 || align != channels * ((bits + 7) / 8)) return std::nullopt;
            blockAlign = align;
        } else if (hasTag(head, at, "data")) {
            if (!blockAlign || isPlaceholder(size)) return std::nullopt;
            return size / *blockAlign;
        }
        at = body + size + (size & 1u);  // chunks are padded to even lengths
    }
    return std::nullopt;
}

std::optional<std::uint64_t> aiffFrames(std::span<const std::uint8_t> head) {
    if (isPlaceholder(readBigEndian32(head, 4))) return std::nullopt;
    for (std::size_t at = 12; at + kChunkHeader <= head.size();) {
        const std::uint32_t size = readBigEndian32(head, at + 4);
        const std::size_t body = at + kChunkHeader;
        if (hasTag(head, at, "COMM")) {
            if (body + 6 > head.size()) return std::nullopt;
            return readBigEndian32(head, body + 2);
        }
        at = body + size + (size & 1u);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::uint64_t> headerDeclaredFrames(std::span<const std::uint8_t> head) {
    if (hasTag(head, 0, "RIFF") && hasTag(head, 8, "WAVE")) return waveFrames(head);
    if (hasTag(head, 0, "FORM") && (hasTag(head, 8, "AIFF") || hasTag(head, 8, "AIFC"))) return aiffFrames(head);
    return std::nullopt;
}

bool statesExactMpegLength(std::span<const std::uint8_t> head) {
    std::size_t at = 0;
    if (hasTag(head, 0, "ID3") && head.size() >= 10) {
        // The tag's size is four 7-bit bytes; a footer adds ten more.
        const std::size_t tagSize = std::size_t{head[6]} << 21 | std::size_t{head[7]} << 14 |
                                    std::size_t{head[8]} << 7 | head[9];
        at = 10 + tagSize + ((head[5] & 0x10) != 0 ? 10 : 0);
    }
    if (at + 4 > head.size() || head[at] != 0xFF || (head[at + 1] & 0xE0) != 0xE0) return false;
    // The tag sits after the frame header and side information, 36 bytes in at most.
    constexpr std::size_t kTagSearch = 44;
    const auto frame = head.subspan(at, std::min(kTagSearch, head.size() - at));
    for (const std::string_view tag : {"Xing", "Info", "VBRI"}) {
        if (std::search(frame.begin(), frame.end(), tag.begin(), tag.end()) != frame.end()) return true;
    }
    return false;
}

bool endsInMidOggStream(std::span<const std::uint8_t> tail) {
    // The last page is the one that ends exactly at the end of the file; a
    // capture pattern inside a page's data gives no such page.
    for (std::size_t at = tail.size(); at-- > 0;) {
        if (!hasTag(tail, at, "OggS") || at + kOggPageHeader > tail.size()) continue;
        const std::size_t segments = tail[at + 26];
        if (at + kOggPageHeader + segments > tail.size()) continue;
        std::size_t end = at + kOggPageHeader + segments;
        for (std::size_t i = 0; i < segments; ++i) end += tail[at + kOggPageHeader + i];
        if (end == tail.size()) return (tail[at + 5] & kOggEndOfStream) == 0;
    }
    return true;
}

}  // namespace ryx
