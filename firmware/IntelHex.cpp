#include "firmware/IntelHex.h"

#include <algorithm>

namespace ryx {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::uint32_t kRecordBytes = 16;

class RecordWriter {
public:
    explicit RecordWriter(std::string& text) : text_(text) {}

    void record(std::uint8_t type, std::uint16_t address, const std::uint8_t* data, std::uint32_t size) {
        sum_ = 0;
        text_ += ':';
        byte(static_cast<std::uint8_t>(size));
        byte(static_cast<std::uint8_t>(address >> 8));
        byte(static_cast<std::uint8_t>(address & 0xFF));
        byte(type);
        for (std::uint32_t i = 0; i < size; ++i) byte(data[i]);
        byte(static_cast<std::uint8_t>(-sum_));
        text_ += '\n';
    }

private:
    void byte(std::uint8_t value) {
        sum_ = static_cast<std::uint8_t>(sum_ + value);
        text_ += kHexDigits[value >> 4];
        text_ += kHexDigits[value & 15];
    }

    std::string& text_;
    std::uint8_t sum_ = 0;
};

}  // namespace

std::string formatIntelHex(std::span<const ProgramWords> runs) {
    std::size_t totalWords = 0;
    for (const ProgramWords& run : runs) totalWords += run.words.size();
    std::string text;
    text.reserve(64 + totalWords * 5);  // 16 bytes take 43 characters
    RecordWriter out(text);

    // All chips here keep program and config memory below 64 KiB of bytes.
    const std::uint8_t upper[2] = {0, 0};
    out.record(4, 0, upper, 2);
    std::vector<std::uint8_t> bytes;
    for (const ProgramWords& run : runs) {
        bytes.clear();
        for (std::uint16_t word : run.words) {
            bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        }
        std::uint32_t at = 2 * run.address;
        const std::uint32_t end = at + static_cast<std::uint32_t>(bytes.size());
        while (at < end) {
            const std::uint32_t size = std::min(end, (at / kRecordBytes + 1) * kRecordBytes) - at;
            out.record(0, static_cast<std::uint16_t>(at), bytes.data() + (at - 2 * run.address), size);
            at += size;
        }
    }
    out.record(1, 0, nullptr, 0);
    return text;
}

}  // namespace ryx
