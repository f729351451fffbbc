#pragma once
// How the player reads its table, one way per kind of storage: a call onto
// the table word's retlw (mid-range), a program-memory read through EECON1
// or PMCON1 (packed 14-bit words), TBLRD*+ (PIC18, bytes). Each leaves the
// next bits in `current` (a packed word's top half in `currenthi`), the first
// on top, and `bitsleft` at the bits it read. A new kind of storage is a new
// class here, not a new player.

#include "firmware/PlayerWriter.h"
#include "firmware/SoundStorage.h"

#include <memory>

namespace ryx {

class PlayerTableRead {
public:
    virtual ~PlayerTableRead() = default;
    virtual void defineSymbols(PlayerWriter& writer) const = 0;
    // With the chip's set-up (program and routine).
    virtual void setUp(PlayerWriter&) const {}
    // The table's address before its count, rather than after.
    virtual bool pointerFirst() const { return false; }
    // Loads the sound's first table address.
    virtual void pointAt(PlayerWriter& writer, PlayerSound sound) const = 0;
    virtual void readNext(PlayerWriter& writer, bool labelled) const = 0;
    // On a path that reads nothing: whatever keeps it as long as one that reads.
    virtual void balance(PlayerWriter&) const {}
    // Code after the ramp's that the reads call.
    virtual void routines(PlayerWriter&) const {}
    // A second register shifts with `current` at every sample.
    virtual bool twoRegisters() const { return false; }
    // A loop's start again that the read times itself (over the sound's
    // last read: see PlayerSerialRead); false: startTable's read after the
    // sound's last sample does.
    virtual bool restartsInStep() const { return false; }
    // A routine's: the sound `sound` names found at run time, rather than
    // a table per sound chosen by jumps; then the first read as readNext.
    virtual bool pointsAtNumber() const { return false; }
    virtual void pointAtNumber(PlayerWriter&) const {}
    // The bits of the port at portAddress that the read's lines use: a
    // routine's writes of the port leave them 0 rather than as they were.
    virtual std::uint8_t linesOnPort(std::uint16_t) const { return 0; }
    // A routine's, after its last port write.
    virtual void leave(PlayerWriter&) const {}
    // The samples of a single sound's last read are found at run time
    // (in `lastbits`), not built in.
    virtual bool lastBitsFound() const { return false; }
    // The read count is 24 bits (`counttop` its top byte), set by the read
    // itself (from the memory's index) rather than startTable's constant.
    virtual bool countsInThreeBytes() const { return false; }
};

std::unique_ptr<const PlayerTableRead> playerTableRead(PicFamily family, PicStorage storage);

}  // namespace ryx
