#include "firmware/PlayerTableRead.h"

#include <string>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

constexpr PicRegister kPcl{"PCL", 0x02};
constexpr PicRegister kPclath{"PCLATH", 0x0A};

// A call to "fetch" jumps to the table word, whose retlw returns with the
// byte in W and PCLATH at the table's page: PCLATH goes back at once.
class RetlwCall : public PlayerTableRead {
public:
    void defineSymbols(PlayerWriter& w) const override {
        w.define(kPcl);
        w.define(kPclath);
    }

    void pointAt(PlayerWriter& w, PlayerSound sound) const override {
        w.loadAddressByte(w.var(PlayerVar::addressLow), sound.firstWord & 0xFF, "the first table byte");
        w.loadAddressByte(w.var(PlayerVar::addressHigh), sound.firstWord >> 8);
    }

    void readNext(PlayerWriter& w, bool labelled) const override {
        const PlayerFamily& r = w.rows;
        w.code.jump(r.call, "fetch");
        if (labelled) w.code.label(kRestorePageLabel);
        if (w.routine) {
            w.code.fileOp(r.movwf, w.var(PlayerVar::current));
            w.code.literalOp(r.movlw, routinePage(w), "back to the routine's page for goto and call");
            w.code.fileOp(r.movwf, kPclath);
        } else {
            w.code.fileOp(r.clrf, kPclath, "back to page 0 for goto and call");
            w.code.fileOp(r.movwf, w.var(PlayerVar::current));
        }
        w.code.byteOp(r.incf, w.var(PlayerVar::addressLow), Destination::f);
        w.code.bitOp(r.btfsc, r.status, "Z", kZeroBit);
        w.code.byteOp(r.incf, w.var(PlayerVar::addressHigh), Destination::f, "the same 2 cycles either way");
        w.setBitsLeft(8);
    }

    void routines(PlayerWriter& w) const override {
        const PlayerFamily& r = w.rows;
        w.code.label("fetch");
        w.code.byteOp(r.movf, w.var(PlayerVar::addressHigh), Destination::w);
        w.code.fileOp(r.movwf, kPclath);
        w.code.byteOp(r.movf, w.var(PlayerVar::addressLow), Destination::w);
        w.code.tableJump(kPcl, "on to the retlw");
    }

private:
    static std::uint8_t routinePage(const PlayerWriter& w) { return static_cast<std::uint8_t>(w.settings.org >> 8); }
};

// Reading program memory: mid-range EECON1 in bank 3, the rest in bank 2;
// enhanced mid-range all in bank 3.
struct ProgramReadRegisters {
    PicRegister data;
    PicRegister dataHigh;
    PicRegister address;
    PicRegister addressHigh;
    PicRegister control;
};
constexpr ProgramReadRegisters kMidRangeRead{
    {"EEDATA", 0x10C}, {"EEDATH", 0x10E}, {"EEADR", 0x10D}, {"EEADRH", 0x10F}, {"EECON1", 0x18C}};
constexpr ProgramReadRegisters kEnhancedRead{
    {"EEDATL", 0x193}, {"EEDATH", 0x194}, {"EEADRL", 0x191}, {"EEADRH", 0x192}, {"EECON1", 0x195}};
constexpr unsigned kReadBit = 0;          // RD
constexpr unsigned kConfigSpaceBit = 6;   // CFGS
constexpr unsigned kProgramSpaceBit = 7;  // EEPGD

// 14 bits a word, its first moved to the top of currenthi.
class ProgramMemoryRead : public PlayerTableRead {
public:
    explicit ProgramMemoryRead(bool enhanced) : enhanced_(enhanced), r_(enhanced ? kEnhancedRead : kMidRangeRead) {}

    void defineSymbols(PlayerWriter& w) const override {
        // The enhanced data registers sit at bank 3's 0x13 and 0x14, unimplemented in a small chip's bank 0.
        for (PicRegister reg : {r_.data, r_.dataHigh}) enhanced_ ? w.defineInFull(reg) : w.define(reg);
        for (PicRegister reg : {r_.address, r_.addressHigh, r_.control}) w.define(reg);
        w.defineBit("RD", kReadBit);
        w.defineBit("CFGS", kConfigSpaceBit);
        w.defineBit("EEPGD", kProgramSpaceBit);
    }

    void setUp(PlayerWriter& w) const override {
        w.selectBank(r_.control.address);
        w.code.bitOp(w.rows.bsf, r_.control, "EEPGD", kProgramSpaceBit, "reads from program memory");
        if (enhanced_) w.code.bitOp(w.rows.bcf, r_.control, "CFGS", kConfigSpaceBit);
    }

    void pointAt(PlayerWriter& w, PlayerSound sound) const override {
        w.selectBank(r_.address.address);
        w.loadAddressByte(r_.address, sound.firstWord & 0xFF, "the first table word");
        w.loadAddressByte(r_.addressHigh, sound.firstWord >> 8);
        w.selectBank(0);
    }

    // Starts and ends in bank 0; as long on either family.
    void readNext(PlayerWriter& w, bool) const override {
        const PlayerFamily& r = w.rows;
        w.selectBank(r_.control.address);
        w.code.bitOp(r.bsf, r_.control, "RD", kReadBit, "read the word");
        w.code.plain(r.nop, "the read takes two cycles");
        w.code.plain(r.nop);
        if (enhanced_) w.code.skipToNext("as long as on a mid-range chip");
        w.selectBank(r_.data.address);
        w.code.byteOp(r.movf, r_.data, Destination::w);
        w.selectBank(0);
        w.code.fileOp(r.movwf, w.var(PlayerVar::current));
        w.selectBank(r_.dataHigh.address);
        w.code.byteOp(r.movf, r_.dataHigh, Destination::w);
        w.code.byteOp(r.incf, r_.address, Destination::f);
        w.code.bitOp(r.btfsc, r.status, "Z", kZeroBit);
        w.code.byteOp(r.incf, r_.addressHigh, Destination::f, "the same 2 cycles either way");
        w.selectBank(0);
        w.code.fileOp(r.movwf, w.var(PlayerVar::currentHigh));
        for (int shift = 0; shift < 2; ++shift) {
            w.code.byteOp(r.rotateLeft, w.var(PlayerVar::current), Destination::f, shift == 0 ? "bit 13 to the top" : "");
            w.code.byteOp(r.rotateLeft, w.var(PlayerVar::currentHigh), Destination::f);
        }
        w.setBitsLeft(14);
    }

    bool twoRegisters() const override { return true; }

private:
    bool enhanced_;
    ProgramReadRegisters r_;
};

constexpr PicRegister kTablat{"TABLAT", 0xFF5};
constexpr PicRegister kTblptrLow{"TBLPTRL", 0xFF6};
constexpr PicRegister kTblptrHigh{"TBLPTRH", 0xFF7};
constexpr PicRegister kTblptrUpper{"TBLPTRU", 0xFF8};

// TBLRD*+ reads the bytes in order; a retlw table's every other byte is its
// opcode, read past. Every path between two samples makes as many reads (a
// TBLRD* that leaves the pointer alone where there is no byte), so the
// spacing never depends on what a read costs: two cycles on the chip, one
// in gpsim 0.31.
class TableRead : public PlayerTableRead {
public:
    explicit TableRead(PicStorage storage) : readsPerByte_(storage == PicStorage::retlw ? 2 : 1) {}

    void defineSymbols(PlayerWriter& w) const override {
        for (PicRegister reg : {kTablat, kTblptrLow, kTblptrHigh, kTblptrUpper}) w.define(reg);
    }

    bool pointerFirst() const override { return true; }

    // The upper byte is cleared: a table ending at the last byte of memory
    // carries into it. A bank's sounds load every byte.
    void pointAt(PlayerWriter& w, PlayerSound sound) const override {
        const std::uint32_t byteAddress = 2 * sound.firstWord;
        w.code.fileOp(w.rows.clrf, kTblptrUpper, "the table at word " + std::to_string(sound.firstWord));
        for (PicRegister reg : {kTblptrHigh, kTblptrLow}) {
            const std::uint32_t value = byteAddress >> (reg.address == kTblptrHigh.address ? 8 : 0) & 0xFF;
            if (w.settings.bank.empty()) {
                w.loadByte(reg, value);
            } else {
                w.code.literalOp(w.rows.movlw, static_cast<std::uint8_t>(value));
                w.code.fileOp(w.rows.movwf, reg);
            }
        }
    }

    void readNext(PlayerWriter& w, bool labelled) const override {
        if (labelled) w.code.label(kPic18TableReadLabel);
        w.code.plain(pic18::kTblrdPostIncrement, "the next table byte");
        w.code.byteOp(w.rows.movf, kTablat, Destination::w);
        if (readsPerByte_ == 2) w.code.plain(pic18::kTblrdPostIncrement, "past the retlw's high byte");
        w.code.fileOp(w.rows.movwf, w.var(PlayerVar::current));
        w.setBitsLeft(8);
    }

    void balance(PlayerWriter& w) const override {
        for (std::uint32_t read = 0; read < readsPerByte_; ++read) {
            w.code.plain(pic18::kTblrd, "as many table reads as a byte's path");
        }
    }

private:
    std::uint32_t readsPerByte_;
};

}  // namespace

std::unique_ptr<const PlayerTableRead> playerTableRead(PicFamily family, PicStorage storage) {
    if (family == PicFamily::pic18) return std::make_unique<TableRead>(storage);
    if (storage == PicStorage::packed14) {
        return std::make_unique<ProgramMemoryRead>(family == PicFamily::enhancedMidRange);
    }
    return std::make_unique<RetlwCall>();
}

}  // namespace ryx
