#include "firmware/PlayerFamily.h"

namespace ryx {
namespace {

constexpr PicOpcode kNone{"", 0};

constexpr PlayerFamily kMidRange{
    .family = PicFamily::midRange,
    .banks = PicBankSelect::statusBits,
    .movwf = pic::kMovwf, .clrf = pic::kClrf, .movf = pic::kMovf, .addwf = pic::kAddwf, .iorwf = pic::kIorwf,
    .andwf = pic::kAndwf, .incf = pic::kIncf, .decfsz = pic::kDecfsz, .incfsz = pic::kIncfsz, .rotateLeft = pic::kRlf,
    .rotateRight = pic::kRrf, .bcf = pic::kBcf, .bsf = pic::kBsf, .btfsc = pic::kBtfsc, .btfss = pic::kBtfss,
    .movlw = pic::kMovlw, .andlw = pic::kAndlw, .xorlw = pic::kXorlw, .addlw = pic::kAddlw, .retlw = pic::kRetlw,
    .movlb = kNone, .nop = pic::kNop, .sleep = pic::kSleep, .call = pic::kCall, .farJump = pic::kGoto,
    .nearJump = pic::kGoto,
    .addWithCarry = kNone, .branchIfZero = kNone, .branchIfNotZero = kNone, .branchIfCarry = kNone,
    .status = {"STATUS", 0x03},
    .intcon = {"INTCON", 0x0B},
    .pullUps = {"OPTION_REG", 0x81},
    .pullUpsOff = "NOT_RBPU",
    .clearsEdgeFlags = false,
    .latchOffset = 0,
    .routineWritesLatch = false,
    .clearsLatchFirst = false,
    .namesBankOffsets = true,
    .savesCallerBank = false,
    .callerState = {"PCLATH", 0x0A},
    .clearsPinsAfterTrigger = true,
};

constexpr PlayerFamily kEnhancedMidRange = [] {
    PlayerFamily row = kMidRange;
    row.family = PicFamily::enhancedMidRange;
    row.banks = PicBankSelect::movlb;
    row.movlb = pic::kMovlb;
    row.pullUps = {"OPTION_REG", 0x95};
    row.pullUpsOff = "NOT_WPUEN";
    row.clearsEdgeFlags = true;
    row.latchOffset = 0x100;
    return row;
}();

constexpr PlayerFamily kPic18{
    .family = PicFamily::pic18,
    .banks = PicBankSelect::accessBank,
    .movwf = pic18::kMovwf, .clrf = pic18::kClrf, .movf = pic18::kMovf, .addwf = pic18::kAddwf,
    .iorwf = pic18::kIorwf, .andwf = pic18::kAndwf, .incf = pic18::kIncf, .decfsz = pic18::kDecfsz, .incfsz = kNone,
    .rotateLeft = pic18::kRlcf, .rotateRight = pic18::kRrcf, .bcf = pic18::kBcf, .bsf = pic18::kBsf,
    .btfsc = pic18::kBtfsc, .btfss = pic18::kBtfss, .movlw = pic18::kMovlw, .andlw = pic18::kAndlw,
    .xorlw = pic18::kXorlw, .addlw = pic18::kAddlw, .retlw = pic18::kRetlw, .movlb = pic18::kMovlb,
    .nop = pic18::kNop, .sleep = pic18::kSleep, .call = pic18::kCall, .farJump = pic18::kGoto,
    .nearJump = pic18::kBra,
    .addWithCarry = pic18::kAddwfc, .branchIfZero = pic18::kBz, .branchIfNotZero = pic18::kBnz,
    .branchIfCarry = pic18::kBc,
    .status = {"STATUS", 0xFD8},
    .intcon = {"INTCON", 0xFF2},
    .pullUps = {"INTCON2", 0xFF1},
    .pullUpsOff = "NOT_RBPU",
    .clearsEdgeFlags = false,
    .latchOffset = 9,
    .routineWritesLatch = true,
    .clearsLatchFirst = true,
    .namesBankOffsets = false,
    .savesCallerBank = true,
    .callerState = {"BSR", 0xFE0},
    .clearsPinsAfterTrigger = false,
};

}  // namespace

const PlayerFamily& playerFamily(PicFamily family) {
    switch (family) {
    case PicFamily::midRange: return kMidRange;
    case PicFamily::enhancedMidRange: return kEnhancedMidRange;
    case PicFamily::pic18: return kPic18;
    }
    return kMidRange;
}

}  // namespace ryx
