#pragma once
// A small mid-range PIC assembler: every instruction is kept both as its
// 14-bit word and as the source line that gpasm turns into that same word,
// so the program text and the program memory come from one list.

#include "export/TextChunkWriter.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ryx {

// A register operand: the name the source defines and its address.
struct PicRegister {
    std::string_view name;
    std::uint16_t address;
};

class PicAssembly {
public:
    enum class Destination { w = 0, f = 1 };

    // NAME equ VALUE, written before the code.
    void define(std::string_view name, std::uint32_t value, std::string_view note = {});
    void label(std::string_view name);
    void comment(std::string_view text);

    // Byte-oriented: movf, rlf, incf, decfsz, iorwf...
    void byteOp(std::string_view mnemonic, std::uint16_t opcode, PicRegister reg, Destination destination,
                std::string_view note = {});
    // movwf and clrf.
    void fileOp(std::string_view mnemonic, std::uint16_t opcode, PicRegister reg, std::string_view note = {});
    // bcf, bsf, btfsc, btfss with a named bit.
    void bitOp(std::string_view mnemonic, std::uint16_t opcode, PicRegister reg, std::string_view bitName,
               unsigned bit, std::string_view note = {});
    // movlw, andlw, retlw.
    void literalOp(std::string_view mnemonic, std::uint16_t opcode, std::uint8_t value, std::string_view note = {});
    // goto and call to a label of this assembly.
    void jump(std::string_view mnemonic, std::uint16_t opcode, std::string_view target, std::string_view note = {});
    // goto $+1: two cycles in one word.
    void skipToNext(std::string_view note = {});
    // nop, sleep.
    void plain(std::string_view mnemonic, std::uint16_t word, std::string_view note = {});

    // Words from address 0, with every jump resolved.
    std::vector<std::uint16_t> words() const;
    std::uint32_t size() const { return static_cast<std::uint32_t>(instructions_.size()); }
    std::uint32_t addressOf(std::string_view label) const;
    // The definitions, "org 0" and the code, each line ending in CR LF.
    void writeSource(TextChunkWriter& out) const;

private:
    struct Instruction {
        std::uint16_t word;
        std::string target;  // a label whose address is added to word
    };
    struct SourceLine {
        std::string text;
        std::string note;
        bool isLabel = false;
    };

    void add(std::uint16_t word, std::string source, std::string_view note, std::string target = {});

    std::vector<Instruction> instructions_;
    std::vector<SourceLine> definitions_;
    std::vector<SourceLine> lines_;
    std::map<std::string, std::uint32_t, std::less<>> labels_;
};

// Opcodes of the mid-range instruction set (operand bits zero).
namespace pic {
inline constexpr std::uint16_t kMovwf = 0x0080;
inline constexpr std::uint16_t kClrf = 0x0180;
inline constexpr std::uint16_t kAddwf = 0x0700;
inline constexpr std::uint16_t kMovf = 0x0800;
inline constexpr std::uint16_t kIncf = 0x0A00;
inline constexpr std::uint16_t kDecfsz = 0x0B00;
inline constexpr std::uint16_t kRlf = 0x0D00;
inline constexpr std::uint16_t kIncfsz = 0x0F00;
inline constexpr std::uint16_t kBcf = 0x1000;
inline constexpr std::uint16_t kBsf = 0x1400;
inline constexpr std::uint16_t kBtfsc = 0x1800;
inline constexpr std::uint16_t kBtfss = 0x1C00;
inline constexpr std::uint16_t kCall = 0x2000;
inline constexpr std::uint16_t kGoto = 0x2800;
inline constexpr std::uint16_t kMovlw = 0x3000;
inline constexpr std::uint16_t kRetlw = 0x3400;
inline constexpr std::uint16_t kAndlw = 0x3900;
inline constexpr std::uint16_t kNop = 0x0000;
inline constexpr std::uint16_t kSleep = 0x0063;
}  // namespace pic

}  // namespace ryx
