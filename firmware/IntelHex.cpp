#include "firmware/IntelHex.h"

#include <algorithm>
#include <stdexcept>

namespace ryx {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::uint64_t kRecordBytes = 16;
constexpr std::uint64_t kSegmentBytes = 0x10000;  // what a data record's 16-bit address reaches
constexpr std::uint64_t kAddressableBytes = kSegmentBytes << 16;  // with the 16 upper bits of a type 04 record
static_assert(kSegmentBytes % kRecordBytes == 0, "a record that stops at 16-byte boundaries never crosses a segment");

constexpr std::uint8_t kDataRecord = 0;
constexpr std::uint8_t kEndRecord = 1;
constexpr std::uint8_t kLinearAddressRecord = 4;

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

// The text of records: data at any byte address, the address records
// before it, the end record last.
class HexText {
public:
    explicit HexText(std::size_t bytes) : out_(text_) {
        text_.reserve(64 + bytes * 5 / 2);  // 16 bytes take 43 characters
        // The first segment's record always leads, as gpasm writes it.
        selectSegment(0);
    }

    // Bytes from `start` in records as gpasm cuts them; another address
    // record wherever a data record enters a new 64 KiB segment.
    void data(std::uint64_t start, const std::uint8_t* bytes, std::size_t size) {
        const std::uint64_t end = start + size;
        if (end > kAddressableBytes) throw std::out_of_range("memory beyond what Intel HEX addresses");
        for (std::uint64_t at = start; at < end;) {
            const auto count = static_cast<std::uint32_t>(std::min(end, (at / kRecordBytes + 1) * kRecordBytes) - at);
            if (at / kSegmentBytes != segment_) selectSegment(at / kSegmentBytes);
            out_.record(kDataRecord, static_cast<std::uint16_t>(at % kSegmentBytes), bytes + (at - start), count);
            at += count;
        }
    }

    std::string finish() {
        out_.record(kEndRecord, 0, nullptr, 0);
        return std::move(text_);
    }

private:
    void selectSegment(std::uint64_t wanted) {
        segment_ = wanted;
        const std::uint8_t upper[2] = {static_cast<std::uint8_t>(wanted >> 8 & 0xFF),
                                       static_cast<std::uint8_t>(wanted & 0xFF)};
        out_.record(kLinearAddressRecord, 0, upper, 2);
    }

    std::string text_;
    RecordWriter out_;
    std::uint64_t segment_ = 0;
};

}  // namespace

std::string formatIntelHex(std::span<const ProgramWords> runs) {
    std::size_t totalWords = 0;
    for (const ProgramWords& run : runs) totalWords += run.words.size();
    HexText hex(2 * totalWords);
    // Runs that meet are written as one.
    std::vector<std::uint8_t> bytes;
    std::uint64_t start = 0;
    auto flush = [&] {
        hex.data(start, bytes.data(), bytes.size());
        bytes.clear();
    };
    for (const ProgramWords& run : runs) {
        const std::uint64_t runStart = 2 * std::uint64_t{run.address};
        if (runStart != start + bytes.size()) {
            flush();
            start = runStart;
        }
        for (std::uint16_t word : run.words) {
            bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        }
    }
    flush();
    return hex.finish();
}

std::string formatIntelHexBytes(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    HexText hex(bytes.size());
    hex.data(address, bytes.data(), bytes.size());
    return hex.finish();
}

}  // namespace ryx
