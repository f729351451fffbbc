#include "firmware/PicAssembly.h"

#include <stdexcept>

namespace ryx {
namespace {

constexpr std::size_t kOperandColumn = 16;
constexpr std::size_t kNoteColumn = 40;

std::string padded(std::string text, std::size_t column) {
    if (text.size() < column) text.append(column - text.size(), ' ');
    return text;
}

std::string instructionText(std::string_view mnemonic, std::string_view operand) {
    if (operand.empty()) return "        " + std::string(mnemonic);
    std::string text = padded("        " + std::string(mnemonic), kOperandColumn);
    text += operand;
    return text;
}

// A register's low seven bits: the bank comes from STATUS, not the operand.
std::uint16_t fileBits(PicRegister reg) { return static_cast<std::uint16_t>(reg.address & 0x7F); }

}  // namespace

void PicAssembly::define(std::string_view name, std::uint32_t value, std::string_view note) {
    definitions_.push_back({padded(std::string(name), kOperandColumn) + "equ " + std::to_string(value), std::string(note),
                            false});
}

void PicAssembly::label(std::string_view name) {
    labels_.emplace(std::string(name), size());
    lines_.push_back({std::string(name) + ":", {}, true});
}

void PicAssembly::comment(std::string_view text) { lines_.push_back({"; " + std::string(text), {}, true}); }

void PicAssembly::add(std::uint16_t word, std::string source, std::string_view note, std::string target) {
    instructions_.push_back({word, std::move(target)});
    lines_.push_back({std::move(source), std::string(note), false});
}

void PicAssembly::byteOp(PicOpcode op, PicRegister reg, Destination destination,
                         std::string_view note) {
    const auto d = static_cast<std::uint16_t>(destination);
    add(static_cast<std::uint16_t>(op.bits | d << 7 | fileBits(reg)),
        instructionText(op.mnemonic, std::string(reg.name) + (d != 0 ? ", f" : ", w")), note);
}

void PicAssembly::fileOp(PicOpcode op, PicRegister reg, std::string_view note) {
    add(static_cast<std::uint16_t>(op.bits | fileBits(reg)), instructionText(op.mnemonic, reg.name), note);
}

void PicAssembly::bitOp(PicOpcode op, PicRegister reg, std::string_view bitName,
                        unsigned bit, std::string_view note) {
    add(static_cast<std::uint16_t>(op.bits | (bit & 7u) << 7 | fileBits(reg)),
        instructionText(op.mnemonic, std::string(reg.name) + ", " + std::string(bitName)), note);
}

void PicAssembly::literalOp(PicOpcode op, std::uint8_t value,
                            std::string_view note) {
    add(static_cast<std::uint16_t>(op.bits | value), instructionText(op.mnemonic, std::to_string(value)), note);
}

void PicAssembly::jump(PicOpcode op, std::string_view target,
                       std::string_view note) {
    add(op.bits, instructionText(op.mnemonic, target), note, std::string(target));
}

void PicAssembly::skipToNext(std::string_view note) {
    add(static_cast<std::uint16_t>(pic::kGoto.bits | (size() + 1)), instructionText(pic::kGoto.mnemonic, "$+1"), note);
}

void PicAssembly::plain(PicOpcode op, std::string_view note) {
    add(op.bits, instructionText(op.mnemonic, {}), note);
}

std::uint32_t PicAssembly::addressOf(std::string_view name) const {
    const auto found = labels_.find(name);
    if (found == labels_.end()) throw std::logic_error("no label " + std::string(name));
    return found->second;
}

std::vector<std::uint16_t> PicAssembly::words() const {
    std::vector<std::uint16_t> result;
    result.reserve(instructions_.size());
    for (const Instruction& instruction : instructions_) {
        std::uint16_t word = instruction.word;
        // goto and call carry eleven address bits; the player lives in page 0.
        if (!instruction.target.empty()) word = static_cast<std::uint16_t>(word | (addressOf(instruction.target) & 0x7FF));
        result.push_back(word);
    }
    return result;
}

void PicAssembly::writeSource(TextChunkWriter& out) const {
    auto write = [&out](const SourceLine& line) {
        if (line.note.empty()) {
            out.line(line.text);
        } else {
            out.append(padded(line.text + " ", kNoteColumn));
            out.append("; ");
            out.line(line.note);
        }
    };
    for (const SourceLine& line : definitions_) write(line);
    out.line("");
    out.line(instructionText("org", "0"));
    for (const SourceLine& line : lines_) write(line);
}

}  // namespace ryx
