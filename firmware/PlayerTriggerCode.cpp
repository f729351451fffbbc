// Waiting for a trigger pin or for a number on the select pins: the pins set
// up as inputs with pull-ups that wake the chip, asleep until one is pulled
// low, then that sound's table.
#include "firmware/PlayerTableRead.h"
#include "firmware/PlayerWriter.h"

#include <algorithm>
#include <set>
#include <string>

namespace ryx {
namespace {

using Destination = PicAssembly::Destination;

constexpr unsigned kPortChangeFlagBit = 0;    // RBIF, GPIF
constexpr unsigned kPortChangeEnableBit = 3;  // RBIE, GPIE, IOCIE
constexpr unsigned kPullUpsOffBit = 7;        // NOT_RBPU, NOT_GPPU, NOT_WPUEN

PicRegister portOf(const TriggerPin& pin) { return {pin.portName, pin.portAddress}; }

bool onGpio(const PicChip& chip) { return chip.triggerPins[0].portName == "GPIO"; }

}  // namespace

// The pins the program reads: one per sound; or the strobe and every bit of
// the number, so that a number past the bank is seen as such.
std::span<const TriggerPin> PlayerWriter::usedTriggerPins() const {
    const std::span<const TriggerPin> all(settings.chip->triggerPins);
    return all.first(bySelect() ? triggerPinCount(*settings.chip) : settings.bank.size());
}

std::string_view PlayerWriter::pullUpsOffName() const {
    return onGpio(*settings.chip) && !rows.clearsEdgeFlags ? "NOT_GPPU" : rows.pullUpsOff;
}

std::string_view PlayerWriter::changeFlagName() const { return onGpio(*settings.chip) ? "GPIF" : "RBIF"; }

// Each name once: trigger pins share ports and flag registers, and the
// sound's port may read them too.
void PlayerWriter::defineTriggerSymbols() {
    for (const RegisterSetting& setting : settings.chip->triggerSetup) define({setting.name, setting.address});
    define(rows.intcon);
    define(rows.pullUps);
    if (!rows.clearsEdgeFlags) defineBit(changeFlagName(), kPortChangeFlagBit);
    defineBit(pullUpsOffName(), kPullUpsOffBit);
    for (const TriggerPin& pin : usedTriggerPins()) {
        defineBit(pin.pin.name, pin.bit);
        define(portOf(pin));
        define({pin.changeFlagsName, pin.changeFlagsAddress});
    }
}

// Digital inputs with pull-ups whose change wakes the chip, with the
// interrupts off: the chip goes on after its sleep.
void PlayerWriter::setUpTriggers() {
    for (const RegisterSetting& setting : settings.chip->triggerSetup) {
        if (!setting.name.empty()) setRegister({setting.name, setting.address}, setting.value, "trigger pins");
    }
    selectBank(rows.pullUps.address);
    code.bitOp(rows.bcf, rows.pullUps, pullUpsOffName(), kPullUpsOffBit, "pull-ups on the trigger pins");
    selectBank(0);
    code.literalOp(rows.movlw, 1u << kPortChangeEnableBit);
    code.fileOp(rows.movwf, rows.intcon, "a port change wakes the chip, no interrupt");
}

// Loops until all the pins read high, port by port.
void PlayerWriter::awaitReleased(std::span<const TriggerPin> pins) {
    for (std::size_t first = 0; first < pins.size(); ++first) {
        const bool seen = std::any_of(pins.begin(), pins.begin() + static_cast<std::ptrdiff_t>(first),
                                      [&](const TriggerPin& pin) { return pin.portName == pins[first].portName; });
        if (seen) continue;
        std::uint8_t mask = 0;
        for (const TriggerPin& pin : pins) {
            if (pin.portName == pins[first].portName) mask = static_cast<std::uint8_t>(mask | 1u << pin.bit);
        }
        code.byteOp(rows.movf, portOf(pins[first]), Destination::w);
        code.literalOp(rows.andlw, mask, "the trigger pins");
        code.literalOp(rows.xorlw, mask);
        jumpIfNotZero("released", "one still held");
    }
}

// A port read ends the change, then its flag clears; or the falling-edge
// flags of each port clear.
void PlayerWriter::clearChangeFlags() {
    std::set<std::string_view> cleared;
    for (const TriggerPin& pin : usedTriggerPins()) {
        if (rows.clearsEdgeFlags) {
            if (!cleared.insert(pin.changeFlagsName).second) continue;
            selectBank(pin.changeFlagsAddress);
            code.fileOp(rows.clrf, {pin.changeFlagsName, pin.changeFlagsAddress}, "no falling edge seen");
        } else if (cleared.insert(pin.portName).second) {
            code.byteOp(rows.movf, portOf(pin), Destination::w, "the port read ends the change");
        }
    }
    selectBank(0);
    if (!rows.clearsEdgeFlags) code.bitOp(rows.bcf, rows.intcon, changeFlagName(), kPortChangeFlagBit);
}

// Sleeps until a trigger pin is pulled low, once every one is released (a
// pin held through a sound does not play it again); the pins are read once
// more after the flags clear, so a press just before the sleep is not lost.
// A pin low then starts its sound from a slow rise, as after a reset. By
// number: the strobe alone is watched, the number read then.
void PlayerWriter::awaitTrigger() {
    const std::span<const TriggerPin> pins = usedTriggerPins();
    code.comment(bySelect() ? "Wait for the strobe: released, then asleep until it is pulled low."
                            : "Wait for a trigger pin: all released, then asleep until one changes.");
    code.label("released");
    awaitReleased(bySelect() ? pins.first(1) : pins);
    code.label("armed");
    clearChangeFlags();
    if (bySelect()) {
        code.bitOp(rows.btfss, portOf(pins[0]), pins[0].pin.name, pins[0].bit, "the strobe pulled low");
        goTo("select");
    } else {
        for (std::size_t k = 0; k < pins.size(); ++k) {
            code.bitOp(rows.btfss, portOf(pins[k]), pins[k].pin.name, pins[k].bit,
                       "pulled low: sound " + std::to_string(k + 1));
            goTo("sound" + std::to_string(k + 1));
        }
    }
    code.plain(rows.sleep, "until a trigger pin changes");
    code.plain(rows.nop);
    goTo("armed", "nothing pulled low: back to sleep");
    if (bySelect()) selectSound(pins.subspan(1));
    // Each sound sets its count and address; one read serves them all.
    for (std::size_t k = 0; k < settings.bank.size(); ++k) {
        startTable("sound" + std::to_string(k + 1), settings.bank[k], false);
        if (k + 1 < settings.bank.size()) goTo("firstread");
    }
    code.label("firstread");
    read_->readNext(*this, false);
    if (rows.clearsPinsAfterTrigger) code.fileOp(rows.clrf, var(PlayerVar::pins), "the ramp up sets up the rest");
}

// The number on the select pins (bit 0 first) picks the sound: 0 is sound 1;
// a number past the bank plays nothing. The byte being played holds it until
// its sound's first read.
void PlayerWriter::selectSound(std::span<const TriggerPin> bits) {
    code.label("select");
    code.fileOp(rows.clrf, var(PlayerVar::current), "the number, read from the select pins");
    for (std::size_t i = 0; i < bits.size(); ++i) {
        code.bitOp(rows.btfsc, portOf(bits[i]), bits[i].pin.name, bits[i].bit);
        code.bitOp(rows.bsf, var(PlayerVar::current), std::to_string(i), static_cast<unsigned>(i),
                   i == 0 ? "a high pin is a 1" : "");
    }
    for (std::size_t k = 0; k < settings.bank.size(); ++k) {
        code.byteOp(rows.movf, var(PlayerVar::current), Destination::w);
        code.literalOp(rows.xorlw, static_cast<std::uint8_t>(k));
        jumpIfZero("sound" + std::to_string(k + 1), "number " + std::to_string(k));
    }
    goTo("released", "no such sound: wait for the next strobe");
}

}  // namespace ryx
