#include "firmware/Pic18Source.h"

#include "export/TableLayout.h"

#include <cstdio>
#include <string>

namespace ryx {
namespace {

constexpr std::uint32_t kBytesPerDbLine = 16;  // even: gpasm pads an odd db line to a whole word
constexpr std::uint32_t kBytesPerMark = 256;

std::string hexByte(unsigned value) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    return {'0', 'x', digits[value >> 4 & 15], digits[value & 15]};
}

void markByte(TextChunkWriter& out, std::uint32_t index) {
    out.append("; byte ");
    out.number(index);
    out.line("");
}

}  // namespace

void writePic18Directives(TextChunkWriter& out, const PicChip& chip, std::span<const ConfigRecord> records) {
    out.line("        list    p=" + std::string(chip.processor) + ", r=dec");
    out.line("        errorlevel -212         ; __config with byte addresses: every config byte as it is");
    out.line("        errorlevel -302         ; the access bank and BSR, not bank 0, reach these registers");
    for (const ConfigRecord& record : records) {
        for (std::uint32_t half = 0; half < 2; ++half) {
            char address[16];
            std::snprintf(address, sizeof address, "0x%X", 2 * record.address + half);
            out.line("        __config " + std::string(address) + ", " + hexByte(record.value >> (8 * half) & 0xFFu));
        }
    }
}

void writePic18Tables(TextChunkWriter& out, PicStorage storage, const std::uint8_t* bits, std::uint32_t tableReads,
                      std::uint32_t firstWord, std::string_view whose) {
    out.line("");
    out.line("; " + std::string(whose) + "'s bytes from word " + std::to_string(firstWord) +
             (storage == PicStorage::retlw ? ", one retlw each, read by TBLRD*+"
                                           : ", two a word, the first in the low half"));
    out.line("        org     " + std::to_string(2 * firstWord));
    for (std::uint32_t k = 0; k < tableReads; ++k) {
        if (k % kBytesPerMark == 0) markByte(out, k);
        const std::string byte = hexByte(tableByte(bits, k));
        if (storage == PicStorage::retlw) {
            out.line("        retlw   " + byte);
            continue;
        }
        const bool first = k % kBytesPerDbLine == 0;
        const bool last = k + 1 == tableReads || (k + 1) % kBytesPerDbLine == 0;
        out.append(first ? "        db      " + byte : ", " + byte);
        if (last) out.line("");
    }
}

}  // namespace ryx
