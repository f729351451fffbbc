#include "export/AssemblerExport.h"

#include "io/AtomicFileWriter.h"
#include "core/CircuitLabels.h"
#include "core/ProductInfo.h"
#include "export/RetlwTables.h"
#include "export/TableLayout.h"
#include "export/TextChunkWriter.h"

#include <cstdint>
#include <string_view>

namespace ryx {
namespace {

constexpr std::string_view kRule = ";=====================================================";
constexpr std::string_view kDashes = ";---------------------------------------------------";
constexpr std::string_view kCommentGap = "; ";
constexpr std::string_view kBar = ";                          |     ";

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

// The circuit model names the capacitor (and load) it modelled; the classic
// model keeps its fixed text.
void writeCapacitorAndGround(TextChunkWriter& out, const ProgramState& state) {
    out.line(kBar);
    out.line(kBar);
    if (state.filterModel == FilterModelChoice::circuit) {
        const CircuitLabels labels = circuitLabels(state);
        out.line(";                          " + labels.capacitor + "   ");
        if (!labels.load.empty()) out.line(";                          " + labels.load + ", also to Gnd   ");
    } else {
        out.line(";                          C = 0.22 uF   ");
    }
    out.line(kBar);
    out.line(kBar);
    out.line(kBar);
    out.line(";                         Gnd     ");
}

// The circuit model names the resistors it modelled on one line; the
// classic model keeps its R lines (and 2R under "1.5 bit").
void writeResistorLines(TextChunkWriter& out, const ProgramState& state) {
    if (state.filterModel == FilterModelChoice::circuit) {
        out.line(";             " + circuitLabels(state).resistors + "  ");
        return;
    }
    const std::int64_t ohms = state.encoder.resistorOhms;
    if (state.encoder.algorithmType == kAlgorithmOneAndHalfBit) {
        out.append(";             R  = ");
        out.number(ohms);
        out.line(" ohms  ");
        out.append(";             each 2R = ");
        out.number(2 * ohms);
        out.line(" ohms  ");
    } else {
        out.append(";             R = ");
        out.number(ohms);
        out.line(" ohms  ");
    }
}

void writeCircuit(TextChunkWriter& out, const ProgramState& state) {
    const EncoderState& encoder = state.encoder;
    if (encoder.algorithmType == kAlgorithmOneAndHalfBit) {
        writeSchemeLine(out, encoder.fineness, " 1.5bit");
        writeResistorLines(out, state);
        out.line(kCommentGap);
        out.line(kCommentGap);
        out.line("; Digital ----------2R-----,     ");
        out.line(kBar);
        out.line("; Digital ----------2R-----*----- Analogue    ");
        out.line(";                          |      out        ");
    } else {
        writeSchemeLine(out, encoder.fineness, " 1bit");
        writeResistorLines(out, state);
        out.line(";  ");
        out.line("; Digital -----------R-----*----- Analogue  ");
        out.line(";                          |      out   ");
    }
    writeCapacitorAndGround(out, state);
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

Result<> exportAssembler(const ProgramState& state, const OutputTarget& target) {
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    {
        const std::uint32_t dataBytes = tableByteCount(state.encoder.sampleCount);
        TextChunkWriter out(writer);
        writeHeader(out, state.encoder, dataBytes);
        writeCircuit(out, state);
        writeNotes(out);
        writeRetlwTables(out, state.bitStream.data(), dataBytes);
        writeTrailer(out);
    }
    return writer.commit();
}

}  // namespace ryx
