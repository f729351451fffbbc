#pragma once
// The player, written once over a family's rows (PlayerFamily) and a way of
// reading the table (PlayerTableRead). Its parts sit in files by job:
// PlayerWriter.cpp the algorithm, PlayerSteps.cpp the small steps every part
// uses, PlayerSymbols.cpp the variables and the names the source defines,
// PlayerRampCode.cpp the ramp, PlayerTriggerCode.cpp the wait for a trigger
// or a number, PlayerPaths.cpp the timing.
//
// Timing is measured, never counted beside the code: every wait and every
// pad is a region that takes what its paths leave of their period (a sample,
// a ramp bit). A first draft leaves the regions empty and its paths are
// walked, instruction row by row, from each timed port write to the next;
// the second build fills each region with what its paths left.

#include "firmware/PicAssembly.h"
#include "firmware/PicPathWalk.h"
#include "firmware/PlayerCode.h"
#include "firmware/PlayerFamily.h"

#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ryx {

class PlayerTableRead;

// The player's variables; PlayerSymbols.cpp places them for each family and form.
enum class PlayerVar {
    current, pins, addressLow, addressHigh, countLow, countHigh, bitsLeft, waitInner, waitOuter,
    levelLow, levelHigh, sumLow, sumHigh, currentHigh, speedLow, speedHigh, stepLow, stepHigh,
    turnLow, turnHigh, rampFlags, rampBits, rampUpdates, otherPins, sound, savedBank, lastBits, countTop,
};

class PlayerWriter {
public:
    // measured: null for the first draft (every region empty).
    PlayerWriter(const PlayerSettings& settings, const PlayerRamp& ramp, const PicPathCycles* measured);
    ~PlayerWriter();
    PlayerWriter(const PlayerWriter&) = delete;
    PlayerWriter& operator=(const PlayerWriter&) = delete;

    PicAssembly build();
    // The cycles of every path through each region of `code`, as this writer built it.
    PicPathCycles measure(const PicAssembly& code) const;
    // The longest path through a wait: the fewest cycles per sample.
    std::uint32_t longestWaitPath(const PicPathCycles& measured) const;

    // What the parts share.
    const PlayerSettings& settings;
    const PlayerFamily& rows;
    const bool routine;
    const PlayerRamp ramp;
    PicAssembly code;

    PicRegister var(PlayerVar v) const;
    PicRegister port() const { return port_; }
    void define(PicRegister reg, std::string_view note = {});  // each name once
    void defineInFull(PicRegister reg);
    void defineBit(std::string_view name, unsigned bit);

    void selectBank(std::uint16_t address);
    void setRegister(PicRegister reg, std::uint8_t value, std::string_view note = {});
    void clearBit(PicRegister reg, std::uint8_t mask, std::string_view note = {});  // mask: one bit
    void loadByte(PicRegister reg, std::uint32_t value, std::string_view note = {});  // clrf for 0
    void loadWord(PicRegister low, PicRegister high, std::uint32_t value);
    // A table address's byte: a routine's length must not depend on where its tables land.
    void loadAddressByte(PicRegister reg, std::uint32_t value, std::string_view note = {});
    void addWord(PicRegister toLow, PicRegister toHigh, PicRegister fromLow, PicRegister fromHigh);
    void goTo(std::string_view label, std::string_view note = {});
    void jumpIfZero(std::string_view label, std::string_view note = {});
    void jumpIfNotZero(std::string_view label, std::string_view note = {});
    // After a read of `bits` samples: that many, or the sound's last read's.
    void setBitsLeft(std::uint32_t bits);
    // Z: the read count at its last read (every bit of it set); W changes.
    void testLastRead(std::string_view note = {});
    // The read count is three bytes (a serial memory's sound may be long).
    bool wideCount() const;
    void shortPad(std::uint32_t cycles);
    // A skip's shorter way catches up with the jump it skipped.
    void balanceSkip();
    // A region of `period` cycles with the paths through it: a wait (two
    // counting loops) or a pad (plain cycles) in its place.
    void wait(std::string_view label);
    void rampPad();
    void rampExitPad();
    void pad(std::uint32_t cycles);  // exactly `cycles` cycles without a loop
    // A sample's port write away from the sample loop, timed as its own.
    void writeSample();

private:
    void defineSymbols();
    void setUpChip();
    void startTable(std::string_view label, PlayerSound sound, bool read);
    void playSamples();
    void finish();
    std::uint32_t writeSampleBit();
    void finishRoutine();
    void enterRoutine();
    void chooseSound();
    void rampUp();
    void callRamp();
    void rampBit();
    void rampRoutine();
    void armRampUp();
    void armRampDown();
    void armRampDownAfterSound();
    void awaitTrigger();
    void setUpTriggers();
    void defineTriggerSymbols();
    void awaitReleased(std::span<const TriggerPin> pins);
    void clearChangeFlags();
    void selectSound(std::span<const TriggerPin> bits);
    std::span<const TriggerPin> usedTriggerPins() const;
    bool bySelect() const { return settings.trigger == PlayTrigger::select; }
    std::vector<RegisterSetting> setupSettings() const;
    PicRegister latch() const;
    std::string_view changeFlagName() const;
    std::string_view pullUpsOffName() const;

    void waitLoops(std::uint32_t cycles, std::string_view label);
    std::uint32_t regionCycles(std::string_view name, std::uint32_t period) const;
    void beginRegion(const std::string& name, std::uint32_t period);
    void endRegion();

    struct Region {
        PicRegion span;
        std::uint32_t period = 0;
        bool isWait = false;
    };

    const PicPathCycles* measured_;
    std::unique_ptr<const PlayerTableRead> read_;
    std::string latchName_;
    PicRegister port_;
    PicRegister tris_;
    unsigned bank_ = 0;
    std::set<std::string, std::less<>> defined_;
    std::vector<Region> regions_;
    std::uint32_t rampPads_ = 0;
    // The timed port writes, and the calls the ramp's paths return through.
    std::uint32_t sampleWrite_ = 0;
    std::vector<std::uint32_t> extraSampleWrites_;
    std::uint32_t rampBitWrite_ = 0;
    std::vector<std::uint32_t> rampExitWrites_;
    std::vector<std::uint32_t> rampBitReturns_;
    std::vector<std::uint32_t> rampReturns_;
};

}  // namespace ryx
