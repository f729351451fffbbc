#pragma once
// One row per chip family: the instructions the player is written in (each
// with its words and cycles, from PicAssembly's rows), how a register's bank
// is selected, where the status bits, the wake-up and the pull-ups sit. The
// player's algorithm reads these rows and never asks which family it runs
// on: a new family is a new row.

#include "firmware/PicAssembly.h"
#include "firmware/PicChip.h"

#include <cstdint>
#include <string_view>

namespace ryx {

// How an instruction reaches a register outside the common memory.
enum class PicBankSelect {
    statusBits,  // RP0 and RP1 in STATUS, four banks of 128
    movlb,       // movlb into BSR, 32 banks of 128
    accessBank,  // the access bank, else movlb with BSR's page of 256
};

struct PlayerFamily {
    PicFamily family;
    PicBankSelect banks;
    // The instructions the player uses, by what they do.
    PicOpcode movwf, clrf, movf, addwf, iorwf, andwf, incf, decfsz, incfsz, rotateLeft, rotateRight;
    PicOpcode bcf, bsf, btfsc, btfss, movlw, andlw, xorlw, addlw, retlw, movlb, nop, sleep;
    PicOpcode call;
    PicOpcode farJump;   // reaches every word of the program
    PicOpcode nearJump;  // one word: within the player
    // Where the family has them (an empty mnemonic where not): the add
    // with the carry in, and the branches on the status bits.
    PicOpcode addWithCarry, branchIfZero, branchIfNotZero, branchIfCarry;
    PicRegister status;
    PicRegister intcon;
    PicRegister pullUps;            // the register whose bit 7 turns the pull-ups off
    std::string_view pullUpsOff;    // that bit's name
    bool clearsEdgeFlags;           // wakes on the falling-edge flags (IOCxF), not a port read
    std::uint16_t latchOffset;      // LATx from PORTx; 0: no latch
    bool routineWritesLatch;        // a routine writes the latch rather than the port
    bool clearsLatchFirst;          // the latch clears before the pins drive
    bool namesBankOffsets;          // a routine's source names registers within their bank
    // What a routine gives its caller back: the caller's BSR, saved on
    // entry; or PCLATH at the routine's page, in bank 0.
    bool savesCallerBank;
    PicRegister callerState;
    // After a trigger's first read the program clears `pins` once more
    // before the ramp up clears it again.
    bool clearsPinsAfterTrigger;
};

const PlayerFamily& playerFamily(PicFamily family);

inline constexpr unsigned kCarryBit = 0;
inline constexpr unsigned kZeroBit = 2;

}  // namespace ryx
