#include "export/AssemblerExport.h"

#include "core/AtomicFileWriter.h"
#include "core/ProductInfo.h"
#include "export/BitPacking.h"
#include "export/TextChunkWriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace ryx {
namespace {

constexpr std::string_view kRule = ";=====================================================";
constexpr std::string_view kDashes = ";---------------------------------------------------";
constexpr std::string_view kCommentGap = "; ";
constexpr std::string_view kBar = ";                          |     ";

constexpr std::uint32_t kBytesPerBlock = 256;
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

void writeHeader(TextChunkWriter& out, const EncoderState& encoder, std::uint32_t dataBytes) {
    out.line(kRule);
    out.line("; AUTO CREATED FILE made by Windows Ryx Sound Encoder ");
    out.append("; LT v");
    out.append(kVersionText);
    out.line(" ");
    out.line(kCommentGap);
    out.append("; ");
    out.append(kAuthorNotice);
    out.line(" ");
    out.append("; ");
    out.append(kWebAddress);
    out.line(" ");
    out.line(kRule);
    out.line(";");
    out.line("; File Details:");
    out.append("; Size ");
    out.number(encoder.sampleCount);
    out.append(" bits     (");
    out.number(dataBytes);
    out.line(" bytes)");
    out.append("; Sound encoded at ");
    out.number(encoder.sampleRate);
    out.line(" bits/sec ");
}

// The fineness left-aligned in a field of two characters ("Ryx4 ", "Ryx16").
void writeSchemeLine(TextChunkWriter& out, std::int8_t fineness, std::string_view scheme) {
    out.append("; using Ryx");
    out.number(static_cast<std::uint8_t>(fineness));
    if (static_cast<std::uint8_t>(fineness) < 10) out.append(" ");
    out.append(scheme);
    out.line(" Algorithm to be decoded on");
    out.line("; the following circuit:");
    out.line(kCommentGap);
    out.line(kCommentGap);
}

void writeCapacitorAndGround(TextChunkWriter& out) {
    out.line(kBar);
    out.line(kBar);
    out.line(";                          C = 0.22 uF   ");
    out.line(kBar);
    out.line(kBar);
    out.line(kBar);
    out.line(";                         Gnd     ");
}

void writeCircuit(TextChunkWriter& out, const EncoderState& encoder) {
    const std::int64_t ohms = encoder.resistorOhms;
    if (encoder.algorithmType == kAlgorithmOneAndHalfBit) {
        writeSchemeLine(out, encoder.fineness, " 1.5bit");
        out.append(";             R  = ");
        out.number(ohms);
        out.line(" ohms  ");
        out.append(";             each 2R = ");
        out.number(2 * ohms);
        out.line(" ohms  ");
        out.line(kCommentGap);
        out.line(kCommentGap);
        out.line("; Digital ----------2R-----,     ");
        out.line(kBar);
        out.line("; Digital ----------2R-----*----- Analogue    ");
        out.line(";                          |      out        ");
    } else {
        writeSchemeLine(out, encoder.fineness, " 1bit");
        out.append(";             R = ");
        out.number(ohms);
        out.line(" ohms  ");
        out.line(";  ");
        out.line("; Digital -----------R-----*----- Analogue  ");
        out.line(";                          |      out   ");
    }
    writeCapacitorAndGround(out);
}

void writeNotes(TextChunkWriter& out) {
    out.line(kCommentGap);
    out.line(kCommentGap);
    out.line(kRule);
    out.line("; Bitstream data is in PIC .asm table format,");
    out.line("; in blocks of 256 bytes.");
    out.line(kCommentGap);
    out.line("; Bits are played from left to right, from ms_bit to");
    out.line("; ls_bit.");
    out.line(kRule);
}

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
        std::memcpy(at, kDataLines[packEightBits(bits + 8 * k)].data(), kDataLineSize);
        at += kDataLineSize;
    }
    out.commit(at);
}

void writeData(TextChunkWriter& out, const std::uint8_t* bits, std::uint32_t dataBytes) {
    for (std::uint32_t first = 0; first < dataBytes; first += kBytesPerGroup) {
        if (first % kBytesPerBlock == 0) writeBlockHeader(out, first / kBytesPerBlock + 1);
        writeGroup(out, bits, first, std::min(first + kBytesPerGroup, dataBytes));
    }
}

void writeTrailer(TextChunkWriter& out) {
    out.line("");
    out.line("");
    out.line(kDashes);
    out.line(kCommentGap);
    out.line("; End of file.");
    out.line(kCommentGap);
    out.line(kDashes);
    out.line("");
}

}  // namespace

OperationResult exportAssembler(const ProgramState& state, const OutputTarget& target) {
    AtomicFileWriter writer(target);
    if (OperationResult opened = writer.open(); !opened) return opened;
    {
        // Only whole groups of eight samples are written; never past the buffer.
        const std::uint32_t dataBytes = std::min(state.encoder.sampleCount, kMaxSamples) / 8;
        TextChunkWriter out(writer);
        writeHeader(out, state.encoder, dataBytes);
        writeCircuit(out, state.encoder);
        writeNotes(out);
        writeData(out, state.bitStream.data(), dataBytes);
        writeTrailer(out);
    }
    return writer.commit();
}

}  // namespace ryx
