// The public face of the player: its ramp's shape, the fewest cycles per
// sample, and the two builds that give every wait and pad its cycles.
#include "firmware/PlayerCode.h"

#include "firmware/PlayerSerialRead.h"
#include "firmware/PlayerWriter.h"

#include <algorithm>
#include <stdexcept>

namespace ryx {
namespace {

// The level that stands for pin A always high.
constexpr std::uint32_t kFullLevel = 65536;
constexpr std::uint32_t kLargestUpdates = 128;
constexpr std::uint32_t kSmallestUpdates = 8;

// A ramp whose every byte is loaded with movlw and movwf: the routine's ramp
// down set-up at its longest.
constexpr PlayerRamp kLongestSetUpRamp{.updates = 8, .bitsPerUpdate = 1, .step = 0x0101};

bool validSettings(const PlayerSettings& s) {
    const bool pic18 = s.chip->family == PicFamily::pic18;
    const std::uint32_t whole = s.storage == PicStorage::packed14 ? 14 : 8;
    const bool lastReadsFit = s.lastReadSamples <= whole &&
                              std::all_of(s.bank.begin(), s.bank.end(),
                                          [whole](const PlayerSound& sound) { return sound.lastReadSamples <= whole; });
    return s.cyclesPerSample <= kPlayerMaxCycles && s.tableReads != 0 && s.tableReads <= kMostTableReads && lastReadsFit &&
           s.storage != (pic18 ? PicStorage::packed14 : PicStorage::packed16);
}

bool validRoutine(const PlayerSettings& s) {
    const bool pic18 = s.chip->family == PicFamily::pic18;
    const std::uint16_t lowest = pic18 ? kPic18RoutineRamLowest : kRoutineRamLowest;
    const std::uint16_t end = pic18 ? kPic18RoutineRamEnd : kRoutineRamEnd;
    return !s.bank.empty() && s.bank.size() <= 256 && !s.loop && s.trigger == PlayTrigger::reset && s.ram >= lowest &&
           s.ram + kRoutineRegisters <= end;
}

}  // namespace

PlayerRamp playerRamp(std::uint32_t clockHz, bool twoPins, bool loop) {
    // Cycles in 0.15 s; the most updates whose bits per update, rounded, keep
    // the ramp near it (at 32768 Hz, 8 updates of 2 bits still do).
    const std::uint64_t cycles = std::uint64_t{clockHz} * 3 / 80;
    PlayerRamp ramp;
    for (std::uint32_t updates = kLargestUpdates;; updates /= 2) {
        const std::uint64_t perUpdate = (cycles + updates * kRampCyclesPerBit) / (2 * updates * kRampCyclesPerBit);
        if (perUpdate >= 4 || updates == kSmallestUpdates) {
            ramp.updates = updates;
            ramp.bitsPerUpdate = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(perUpdate, 4, 259) - 3);
            break;
        }
    }
    ramp.step = (twoPins ? kFullLevel : kFullLevel / 2) / (ramp.updates * ramp.updates);
    // Each update is its plain bits and three more (two at the middle, one at the end).
    ramp.bits = 2 * ramp.updates * (ramp.bitsPerUpdate + 3) + 1;
    ramp.upWrites = ramp.bits + (twoPins ? 1 : 0);
    ramp.downWrites = loop ? 0 : ramp.bits;
    return ramp;
}

std::uint32_t playerMinCycles(const PicChip& chip, bool loop, PicStorage storage, PlayerForm form) {
    PlayerSettings probe;
    probe.chip = &chip;
    probe.storage = chip.family == PicFamily::pic18 ? PicStorage::retlw : storage;
    probe.tableReads = 1;
    probe.loop = loop && form == PlayerForm::program;
    probe.form = form;
    if (form == PlayerForm::routine) {
        probe.bank = {{kTableStartWord, 1}};
        probe.org = kDefaultRoutineOrg;
        probe.ram = chip.family == PicFamily::pic18 ? kDefaultPic18RoutineRam : kDefaultRoutineRam;
    }
    PlayerWriter draft(probe, kLongestSetUpRamp, nullptr);
    const PicAssembly code = draft.build();
    return draft.longestWaitPath(draft.measure(code));
}

// The draft's regions are empty; its paths give each region its cycles in
// the second build, whose paths must take the same.
PicAssembly buildPlayer(const PlayerSettings& settings) {
    if (settings.chip == nullptr || !validSettings(settings) ||
        (settings.memory != nullptr && !serialMemoryPlayable(settings)) ||
        settings.cyclesPerSample < (settings.memory != nullptr ? serialMemoryMinCycles(settings)
                                                                : playerMinCycles(*settings.chip, settings.loop,
                                                                                  settings.storage, settings.form))) {
        throw std::invalid_argument("player settings out of range");
    }
    if (settings.form == PlayerForm::routine && !validRoutine(settings)) {
        throw std::invalid_argument("routine settings out of range");
    }
    const PlayerRamp ramp = playerRamp(settings.clockHz, settings.twoPins, settings.loop);
    PlayerWriter draft(settings, ramp, nullptr);
    const PicPathCycles measured = draft.measure(draft.build());
    PlayerWriter writer(settings, ramp, &measured);
    PicAssembly code = writer.build();
    if (writer.measure(code) != measured) throw std::logic_error("the player's paths changed between its builds");
    // A bank's player may outgrow its block: the program moves the tables up.
    if (code.size() > kPlayerMaxWords && settings.bank.empty() && settings.memory == nullptr) throw std::logic_error("player larger than its block");
    return code;
}

}  // namespace ryx
