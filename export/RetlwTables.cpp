#include "export/RetlwTables.h"

#include "export/TableLayout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

namespace ryx {
namespace {

constexpr std::string_view kDashes = ";---------------------------------------------------";
constexpr std::uint32_t kBytesPerGroup = 8;

// "     retlw b'10110001'   ; b1 " and CR LF for every byte value, built once.
constexpr std::size_t kDataLineSize = 32;
using DataLine = std::array<char, kDataLineSize>;

constexpr std::array<DataLine, 256> makeDataLines() {
    constexpr std::string_view head = "     retlw b'";
    constexpr std::string_view middle = "'   ; ";
    constexpr std::string_view hex = "0123456789abcdef";
    std::array<DataLine, 256> lines{};
    for (std::size_t value = 0; value < 256; ++value) {
        DataLine& line = lines[value];
        std::size_t at = 0;
        for (char c : head) line[at++] = c;
        for (int bit = 7; bit >= 0; --bit) line[at++] = ((value >> bit) & 1) != 0 ? '1' : '0';
        for (char c : middle) line[at++] = c;
        line[at++] = hex[value >> 4];
        line[at++] = hex[value & 15];
        line[at++] = ' ';
        line[at++] = '\r';
        line[at++] = '\n';
    }
    return lines;
}

constexpr std::array<DataLine, 256> kDataLines = makeDataLines();

void writeBlockHeader(TextChunkWriter& out, std::uint32_t block) {
    out.line("");
    out.line("");
    out.line(kDashes);
    out.append("     org (");
    out.number(block);
    out.append(" *256)   \t    ; block = ");
    out.number(block);
    out.line("  ");
    out.line(kDashes);
    out.line("");
    out.line("");
}

// One group: its counter line and up to eight data lines, written straight
// into the chunk (this is nearly all of the file).
void writeGroup(TextChunkWriter& out, const std::uint8_t* bits, std::uint32_t first, std::uint32_t end) {
    constexpr std::string_view counter = "     ;-------------------------  ";
    constexpr std::size_t kMaxGroupSize = counter.size() + 10 + 2 + kBytesPerGroup * kDataLineSize;
    char* at = out.reserve(kMaxGroupSize);
    at = std::copy(counter.begin(), counter.end(), at);
    at = std::to_chars(at, at + 10, first).ptr;
    *at++ = '\r';
    *at++ = '\n';
    for (std::uint32_t k = first; k < end; ++k) {
        std::memcpy(at, kDataLines[tableByte(bits, k)].data(), kDataLineSize);
        at += kDataLineSize;
    }
    out.commit(at);
}

}  // namespace

void writeRetlwTables(TextChunkWriter& out, const std::uint8_t* bits, std::uint32_t tableBytes) {
    for (std::uint32_t first = 0; first < tableBytes; first += kBytesPerGroup) {
        const std::uint32_t end = std::min(first + kBytesPerGroup, tableBytes);
        if (first % kTableBytesPerBlock == 0) writeBlockHeader(out, tableBlockNumber(first));
        writeGroup(out, bits, first, end);
    }
}

}  // namespace ryx
