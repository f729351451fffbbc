#include "firmware/PicAssembly.h"

#include <array>
#include <charconv>
#include <stdexcept>
#include <utility>

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

// PIC18 registers in the access bank on every chip of the family: general
// purpose memory below 0x60, special function registers from 0xF80.
constexpr std::uint16_t kAccessLowEnd = 0x60;
constexpr std::uint16_t kAccessHighStart = 0xF80;

bool inAccessBank(PicRegister reg) { return reg.address < kAccessLowEnd || reg.address >= kAccessHighStart; }

std::int64_t offsetWithin(std::int64_t offset, int bits) {
    const std::int64_t limit = std::int64_t{1} << (bits - 1);
    if (offset < -limit || offset >= limit) throw std::logic_error("branch target out of reach");
    return offset & ((limit << 1) - 1);
}

}  // namespace

PicAssembly::PicAssembly(PicFamily family, PicPlacement placement)
    : family_(family), placement_(std::move(placement)), placed_(true) {
    defineBankOperands();
}

std::string PicAssembly::number(std::uint32_t value) const {
    if (!placed_) return std::to_string(value);
    std::array<char, 8> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value, 16).ptr;
    std::string text(digits.data(), end);
    for (char& c : text) c = static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    return "0x" + std::string(text.size() % 2 == 1 ? "0" : "") + text;
}

// Bit numbers stay as they are: 0 to 7 read the same in every radix.
std::string PicAssembly::named(std::string_view name) const {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return std::string(name);
    return placement_.prefix + std::string(name);
}

PicAssembly::PicAssembly(PicFamily family) : family_(family) { defineBankOperands(); }

// Placed, they carry the prefix: the including file may define its own.
void PicAssembly::defineBankOperands() {
    if (!pic18()) return;
    define("ACCESS", 0, "the access bank");
    define("BANKED", 1, "the bank BSR selects");
}

// Mid-range: the low seven bits, the bank comes from STATUS. PIC18: the low
// eight bits and the access-bank bit (a = 0 for the access bank).
std::uint16_t PicAssembly::fileBits(PicRegister reg) const {
    if (!pic18()) return static_cast<std::uint16_t>(reg.address & 0x7F);
    return static_cast<std::uint16_t>((inAccessBank(reg) ? 0 : 0x100) | (reg.address & 0xFF));
}

std::string PicAssembly::bankOperand(PicRegister reg) const {
    if (!pic18()) return "";
    return ", " + named(inAccessBank(reg) ? "ACCESS" : "BANKED");
}

void PicAssembly::define(std::string_view name, std::uint32_t value, std::string_view note) {
    definitions_.push_back({padded(named(name), kOperandColumn) + "equ " + number(value), std::string(note), false});
}

void PicAssembly::label(std::string_view name) {
    labels_.emplace(std::string(name), size());
    lines_.push_back({named(name) + ":", {}, true});
}

void PicAssembly::comment(std::string_view text) { lines_.push_back({"; " + std::string(text), {}, true}); }

void PicAssembly::add(PicOpcode op, std::uint16_t word, std::string source, std::string_view note,
                      std::string target, Operand operand) {
    instructions_.push_back({word, std::move(target), operand, {op.cycles, op.flow, op.words, 0, {}}});
    lines_.push_back({std::move(source), std::string(note), false});
}

void PicAssembly::byteOp(PicOpcode op, PicRegister reg, Destination destination,
                         std::string_view note) {
    const auto d = static_cast<std::uint16_t>(destination);
    add(op, static_cast<std::uint16_t>(op.bits | d << fieldShift() | fileBits(reg)),
        instructionText(op.mnemonic, named(reg.name) + (d != 0 ? ", f" : ", w") + bankOperand(reg)), note);
}

void PicAssembly::fileOp(PicOpcode op, PicRegister reg, std::string_view note) {
    add(op, static_cast<std::uint16_t>(op.bits | fileBits(reg)),
        instructionText(op.mnemonic, named(reg.name) + bankOperand(reg)), note);
}

void PicAssembly::bitOp(PicOpcode op, PicRegister reg, std::string_view bitName,
                        unsigned bit, std::string_view note) {
    add(op, static_cast<std::uint16_t>(op.bits | (bit & 7u) << fieldShift() | fileBits(reg)),
        instructionText(op.mnemonic, named(reg.name) + ", " + named(bitName) + bankOperand(reg)), note);
}

void PicAssembly::literalOp(PicOpcode op, std::uint8_t value,
                            std::string_view note) {
    add(op, static_cast<std::uint16_t>(op.bits | value), instructionText(op.mnemonic, number(value)), note);
}

void PicAssembly::jump(PicOpcode op, std::string_view target,
                       std::string_view note) {
    if (op.relative) return branch(op, target, note);
    if (!pic18()) {
        add(op, op.bits, instructionText(op.mnemonic, named(target)), note, std::string(target), Operand::absolute11);
        return;
    }
    // The second word carries no source line of its own.
    add(op, op.bits, instructionText(op.mnemonic, named(target)), note, std::string(target), Operand::lowByte);
    instructions_.push_back({0xF000, std::string(target), Operand::highBits, {}});
}

void PicAssembly::branch(PicOpcode op, std::string_view target, std::string_view note) {
    if (!pic18()) throw std::logic_error("relative branches are PIC18 instructions");
    const Operand operand = op.bits == pic18::kBra.bits ? Operand::relative11 : Operand::relative8;
    add(op, op.bits, instructionText(op.mnemonic, named(target)), note, std::string(target), operand);
}

// A jump to the next word: its cycles, and on.
void PicAssembly::skipToNext(std::string_view note) {
    if (pic18()) {
        // $ counts bytes on a PIC18; an offset of 0 is the next word.
        add({"bra", 0, pic18::kBra.cycles}, pic18::kBra.bits, instructionText(pic18::kBra.mnemonic, "$+2"), note);
        return;
    }
    add({"goto", 0, pic::kGoto.cycles},
        static_cast<std::uint16_t>(pic::kGoto.bits | ((placement_.origin + size() + 1) & 0x7FF)),
        instructionText(pic::kGoto.mnemonic, "$+1"), note);
}

void PicAssembly::plain(PicOpcode op, std::string_view note) {
    add(op, op.bits, instructionText(op.mnemonic, {}), note);
}

// Two cycles for the write to PCL, then the table's retlw.
void PicAssembly::tableJump(PicRegister pcl, std::string_view note) {
    fileOp(pic::kMovwf, pcl, note);
    PicStep& step = instructions_.back().step;
    step.cycles = static_cast<std::uint8_t>(pic::kMovwf.cycles + 1 + pic::kRetlw.cycles);
    step.flow = PicFlow::ret;
}

std::vector<PicStep> PicAssembly::steps() const {
    std::vector<PicStep> result;
    result.reserve(instructions_.size());
    for (const Instruction& instruction : instructions_) {
        PicStep step = instruction.step;
        if (step.words != 0 && !instruction.target.empty()) {
            step.target = addressOf(instruction.target);
            step.label = instruction.target;
        }
        result.push_back(step);
    }
    return result;
}

std::uint32_t PicAssembly::addressOf(std::string_view name) const {
    const auto found = labels_.find(name);
    if (found == labels_.end()) throw std::logic_error("no label " + std::string(name));
    return found->second;
}

std::vector<std::string> PicAssembly::labelsAt(std::uint32_t address) const {
    std::vector<std::string> names;
    for (const auto& [name, at] : labels_) {
        if (at == address) names.push_back(name);
    }
    return names;
}

std::uint16_t PicAssembly::resolved(const Instruction& instruction, std::uint32_t at) const {
    if (instruction.operand == Operand::none) return instruction.word;
    const std::uint32_t address = addressOf(instruction.target);
    const std::int64_t offset = std::int64_t{address} - (std::int64_t{at} + 1);
    std::uint32_t bits = 0;
    switch (instruction.operand) {
    case Operand::none: break;
    // Mid-range goto and call carry eleven address bits; PCLATH gives the page.
    case Operand::absolute11: bits = (placement_.origin + address) & 0x7FF; break;
    // PIC18 goto and call carry the whole word address.
    case Operand::lowByte: bits = (placement_.origin + address) & 0xFF; break;
    case Operand::highBits: bits = (placement_.origin + address) >> 8 & 0xFFF; break;
    case Operand::relative11: bits = static_cast<std::uint32_t>(offsetWithin(offset, 11)); break;
    case Operand::relative8: bits = static_cast<std::uint32_t>(offsetWithin(offset, 8)); break;
    }
    return static_cast<std::uint16_t>(instruction.word | bits);
}

std::vector<std::uint16_t> PicAssembly::words() const {
    std::vector<std::uint16_t> result;
    result.reserve(instructions_.size());
    for (std::uint32_t at = 0; at < instructions_.size(); ++at) result.push_back(resolved(instructions_[at], at));
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
    // A PIC18's org counts bytes.
    out.line(instructionText("org", number(pic18() ? 2 * placement_.origin : placement_.origin)));
    for (const SourceLine& line : lines_) write(line);
}

}  // namespace ryx
