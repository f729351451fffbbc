#pragma once
// A small PIC assembler: every instruction is kept both as its program
// word(s) and as the source line that gpasm turns into those same words, so
// the program text and the program memory come from one list. Mid-range
// (14-bit words) by default; PIC18 (16-bit words, two-word goto and call,
// relative branches, the access-bank bit) when made for that family.

#include "export/TextChunkWriter.h"
#include "firmware/PicChip.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ryx {

// How an instruction moves the program counter: on to the next word, past
// the next instruction when its test says so (skip), to its label (jump,
// call, a relative branch when its condition holds), back to the caller
// (ret), or not at all until the chip wakes (stop).
enum class PicFlow : std::uint8_t { next, skip, jump, call, branch, ret, stop };

// One instruction of the set: its source mnemonic, its word with the operand
// bits zero, its words and its cycles when it neither skips nor branches (a
// skip adds the cycles of the words it skips, a branch taken one cycle).
struct PicOpcode {
    std::string_view mnemonic;
    std::uint16_t bits;
    std::uint8_t cycles = 1;
    PicFlow flow = PicFlow::next;
    std::uint8_t words = 1;
    bool relative = false;  // a PIC18 branch: its target as an offset
};

// What one instruction does to time and the program counter: the word
// address of its label where it has one.
struct PicStep {
    std::uint8_t cycles = 0;
    PicFlow flow = PicFlow::next;
    std::uint8_t words = 0;  // 0: the second word of a two-word instruction
    std::uint32_t target = 0;
    std::string_view label;  // the target's name, while the assembly lives
};

// A register operand: the name the source defines and its address.
struct PicRegister {
    std::string_view name;
    std::uint16_t address;
};

// Code that goes into another program's source: its first word, and a
// prefix on every name it defines or labels so that none clashes with the
// program's own. Its numbers are written in 0x hex, whatever radix the
// including file selects.
struct PicPlacement {
    std::uint32_t origin = 0;
    std::string prefix;
};

class PicAssembly {
public:
    enum class Destination { w = 0, f = 1 };

    PicAssembly() = default;
    // PIC18: defines ACCESS and BANKED for the source; a register below 0x60
    // or from 0xF80 is reached through the access bank, any other through BSR.
    explicit PicAssembly(PicFamily family);
    PicAssembly(PicFamily family, PicPlacement placement);

    // NAME equ VALUE, written before the code.
    void define(std::string_view name, std::uint32_t value, std::string_view note = {});
    void label(std::string_view name);
    void comment(std::string_view text);

    // Byte-oriented: movf, rlf, incf, decfsz, iorwf...
    void byteOp(PicOpcode op, PicRegister reg, Destination destination,
                std::string_view note = {});
    // movwf and clrf.
    void fileOp(PicOpcode op, PicRegister reg, std::string_view note = {});
    // bcf, bsf, btfsc, btfss with a named bit.
    void bitOp(PicOpcode op, PicRegister reg, std::string_view bitName,
               unsigned bit, std::string_view note = {});
    // movlw, andlw, retlw, movlb.
    void literalOp(PicOpcode op, std::uint8_t value, std::string_view note = {});
    // goto and call to a label of this assembly (two words on a PIC18); a
    // relative opcode (bra, bz...) branches.
    void jump(PicOpcode op, std::string_view target, std::string_view note = {});
    // PIC18 relative branches to a label: bra (11-bit offset), bc, bnc, bz, bnz (8-bit).
    void branch(PicOpcode op, std::string_view target, std::string_view note = {});
    // goto $+1 (bra $+2 on a PIC18): two cycles in one word.
    void skipToNext(std::string_view note = {});
    // nop, sleep, tblrd*+.
    void plain(PicOpcode op, std::string_view note = {});
    // Mid-range: movwf PCL onto a table's retlw, which returns to the caller
    // of the routine that made the jump.
    void tableJump(PicRegister pcl, std::string_view note = {});

    // Each word's timing and flow, jumps resolved to word addresses.
    std::vector<PicStep> steps() const;

    // Words from the origin (address 0 unless placed; a word address on every family), with every jump and branch resolved.
    std::vector<std::uint16_t> words() const;
    std::uint32_t size() const { return static_cast<std::uint32_t>(instructions_.size()); }
    std::uint32_t addressOf(std::string_view label) const;  // in words from the origin
    std::vector<std::string> labelsAt(std::uint32_t address) const;
    std::uint32_t origin() const { return placement_.origin; }
    // The definitions, the org line and the code, each line ending in CR LF.
    void writeSource(TextChunkWriter& out) const;

private:
    // How a label's address goes into a word.
    enum class Operand {
        none,
        absolute11,  // mid-range goto and call
        lowByte,     // PIC18 goto and call, first word: address bits 7..0
        highBits,    // their second word: address bits 19..8
        relative11,  // bra: words from the next instruction
        relative8,   // bc, bnc, bz, bnz
    };
    struct Instruction {
        std::uint16_t word;
        std::string target;  // a label whose address goes into word
        Operand operand = Operand::none;
        PicStep step;
    };
    struct SourceLine {
        std::string text;
        std::string note;
        bool isLabel = false;
    };

    void add(PicOpcode op, std::uint16_t word, std::string source, std::string_view note, std::string target = {},
             Operand operand = Operand::none);
    bool pic18() const { return family_ == PicFamily::pic18; }
    std::uint16_t fileBits(PicRegister reg) const;
    std::string bankOperand(PicRegister reg) const;  // PIC18: ", ACCESS" or ", BANKED"
    void defineBankOperands();
    unsigned fieldShift() const { return pic18() ? 9 : 7; }  // where d or the bit number sits
    std::uint16_t resolved(const Instruction& instruction, std::uint32_t at) const;
    std::string number(std::uint32_t value) const;     // decimal, or 0x hex when placed
    std::string named(std::string_view name) const;    // with the placement's prefix

    PicFamily family_ = PicFamily::midRange;
    PicPlacement placement_;
    bool placed_ = false;
    std::vector<Instruction> instructions_;
    std::vector<SourceLine> definitions_;
    std::vector<SourceLine> lines_;
    std::map<std::string, std::uint32_t, std::less<>> labels_;
};

// The mid-range instruction set (operand bits zero): each mnemonic with its
// opcode, cycles and flow in one row, so the source text, the word and the
// timing cannot drift apart.
// The enhanced mid-range chips share these words and add movlb.
namespace pic {
inline constexpr PicOpcode kMovwf{"movwf", 0x0080};
inline constexpr PicOpcode kClrf{"clrf", 0x0180};
inline constexpr PicOpcode kIorwf{"iorwf", 0x0400};
inline constexpr PicOpcode kAndwf{"andwf", 0x0500};
inline constexpr PicOpcode kAddwf{"addwf", 0x0700};
inline constexpr PicOpcode kMovf{"movf", 0x0800};
inline constexpr PicOpcode kIncf{"incf", 0x0A00};
inline constexpr PicOpcode kDecfsz{"decfsz", 0x0B00, 1, PicFlow::skip};
inline constexpr PicOpcode kRrf{"rrf", 0x0C00};
inline constexpr PicOpcode kRlf{"rlf", 0x0D00};
inline constexpr PicOpcode kIncfsz{"incfsz", 0x0F00, 1, PicFlow::skip};
inline constexpr PicOpcode kBcf{"bcf", 0x1000};
inline constexpr PicOpcode kBsf{"bsf", 0x1400};
inline constexpr PicOpcode kBtfsc{"btfsc", 0x1800, 1, PicFlow::skip};
inline constexpr PicOpcode kBtfss{"btfss", 0x1C00, 1, PicFlow::skip};
inline constexpr PicOpcode kCall{"call", 0x2000, 2, PicFlow::call};
inline constexpr PicOpcode kGoto{"goto", 0x2800, 2, PicFlow::jump};
inline constexpr PicOpcode kMovlw{"movlw", 0x3000};
inline constexpr PicOpcode kRetlw{"retlw", 0x3400, 2, PicFlow::ret};
inline constexpr PicOpcode kAndlw{"andlw", 0x3900};
inline constexpr PicOpcode kXorlw{"xorlw", 0x3A00};
inline constexpr PicOpcode kAddlw{"addlw", 0x3E00};
inline constexpr PicOpcode kNop{"nop", 0x0000};
inline constexpr PicOpcode kSleep{"sleep", 0x0063, 1, PicFlow::stop};
inline constexpr PicOpcode kMovlb{"movlb", 0x0020};  // enhanced mid-range only
}  // namespace pic

// The PIC18 instructions the player uses, and goto and call: the same rows,
// 16-bit words.
namespace pic18 {
inline constexpr PicOpcode kIorwf{"iorwf", 0x1000};
inline constexpr PicOpcode kAndwf{"andwf", 0x1400};
inline constexpr PicOpcode kAddwfc{"addwfc", 0x2000};
inline constexpr PicOpcode kAddwf{"addwf", 0x2400};
inline constexpr PicOpcode kIncf{"incf", 0x2800};
inline constexpr PicOpcode kDecfsz{"decfsz", 0x2C00, 1, PicFlow::skip};
inline constexpr PicOpcode kRrcf{"rrcf", 0x3000};
inline constexpr PicOpcode kRlcf{"rlcf", 0x3400};
inline constexpr PicOpcode kMovf{"movf", 0x5000};
inline constexpr PicOpcode kClrf{"clrf", 0x6A00};
inline constexpr PicOpcode kMovwf{"movwf", 0x6E00};
inline constexpr PicOpcode kBsf{"bsf", 0x8000};
inline constexpr PicOpcode kBcf{"bcf", 0x9000};
inline constexpr PicOpcode kBtfss{"btfss", 0xA000, 1, PicFlow::skip};
inline constexpr PicOpcode kBtfsc{"btfsc", 0xB000, 1, PicFlow::skip};
inline constexpr PicOpcode kMovlb{"movlb", 0x0100};
inline constexpr PicOpcode kXorlw{"xorlw", 0x0A00};
inline constexpr PicOpcode kAndlw{"andlw", 0x0B00};
inline constexpr PicOpcode kRetlw{"retlw", 0x0C00, 2, PicFlow::ret};
inline constexpr PicOpcode kMovlw{"movlw", 0x0E00};
inline constexpr PicOpcode kAddlw{"addlw", 0x0F00};
inline constexpr PicOpcode kBra{"bra", 0xD000, 2, PicFlow::jump, 1, true};
inline constexpr PicOpcode kBz{"bz", 0xE000, 1, PicFlow::branch, 1, true};
inline constexpr PicOpcode kBnz{"bnz", 0xE100, 1, PicFlow::branch, 1, true};
inline constexpr PicOpcode kBc{"bc", 0xE200, 1, PicFlow::branch, 1, true};
inline constexpr PicOpcode kBnc{"bnc", 0xE300, 1, PicFlow::branch, 1, true};
inline constexpr PicOpcode kCall{"call", 0xEC00, 2, PicFlow::call, 2};
inline constexpr PicOpcode kGoto{"goto", 0xEF00, 2, PicFlow::jump, 2};
inline constexpr PicOpcode kNop{"nop", 0x0000};
inline constexpr PicOpcode kSleep{"sleep", 0x0003, 1, PicFlow::stop};
inline constexpr PicOpcode kTblrd{"tblrd*", 0x0008, 2, PicFlow::next};
inline constexpr PicOpcode kTblrdPostIncrement{"tblrd*+", 0x0009, 2, PicFlow::next};
}  // namespace pic18

}  // namespace ryx
