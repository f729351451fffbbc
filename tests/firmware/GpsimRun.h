#pragma once
// Runs a program's Intel HEX on the gpsim simulator and records what the
// player's two pins did, cycle by cycle.

#include "firmware/PicChip.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ryx::test {

struct PinRecording {
    std::vector<std::uint64_t> portWrites;  // cycle of every write to the port
    std::vector<std::uint8_t> portValues;   // the value of each, bits the simulator cannot tell 0
    std::vector<bool> portWriteBitOps;      // whether each was a bsf or bcf (of the port or its latch)
    std::vector<std::pair<std::uint64_t, int>> pinA;  // (cycle, level) at each change
    std::vector<std::pair<std::uint64_t, int>> pinB;
    std::vector<std::uint64_t> watchedWrites;  // cycle of every write to the watched register
    std::vector<std::uint8_t> watchedValues;   // and the value of each
    bool reachedEnd = false;  // the simulator stopped at the cycle break
    std::string output;       // the simulator's own messages, for a failure report
};

bool gpsimAvailable();

// An input pin driven from outside: its port bit ("portb5") and its levels
// from given cycles on; high before the first.
struct PinStimulus {
    std::string pin;
    std::vector<std::pair<std::uint64_t, int>> levels;
};

// Writes the hex and a command file into `directory`, runs the chip for
// `cycles` cycles (at most two minutes of wall time) and reads the records;
// a watched register ("intcon") has its writes recorded as well. The
// simulator's own module library is loaded; `wiring` (command lines: more
// modules, nodes, attachments) comes after it, run in `directory`.
PinRecording runOnGpsim(const std::filesystem::path& directory, const PicChip& chip, const std::string& hex,
                        std::uint64_t cycles, const std::vector<PinStimulus>& stimuli = {},
                        const std::string& watched = {}, const std::string& wiring = {});

// The simulator's own account of the config word it loaded from the hex
// ("$f21", then its fields such as "FOSC=1 - Clk source = XT"), for chips
// whose config word gpsim names CONFIG; on a PIC18, CONFIG1H and CONFIG2H.
std::string describeConfigOnGpsim(const std::filesystem::path& directory, const PicChip& chip, const std::string& hex);

// What the player must have done, sample by sample.
struct ExpectedPlayback {
    std::vector<std::uint8_t> pinA;  // the bitstream bit of each sample
    std::vector<std::uint8_t> pinB;  // the bit before it (0 before the first)
    std::uint32_t cyclesPerSample = 0;
    // Port writes of the ramps before the first sample and after the last:
    // each rampCycles after the one before, pin A free, pin B low. The first
    // sample may come any time after the ramp; the ramp down starts one
    // sample after the last.
    std::uint32_t rampUp = 0;
    std::uint32_t rampDown = 0;
    std::uint32_t rampCycles = 0;
    bool endsLow = true;  // after the ramp down both pins go low, one ramp bit later
    // The simulator's read of a packed word may take fewer cycles than the
    // chip's: the sound samples starting a new word come that much early.
    std::uint32_t samplesPerRead = 0;  // 0: no such reads
    std::uint32_t readShortfall = 0;
};

// How the simulator reads the chip's program memory: whether it reads at
// all, and how many cycles fewer than the chip's datasheet a read through
// EECON1 (RD and its two forced NOPs) takes there.
struct ProgramReadOnGpsim {
    bool reads = false;
    std::uint32_t shortfall = 0;
};
ProgramReadOnGpsim probeProgramRead(const std::filesystem::path& directory, const PicChip& chip);

struct PlaybackCheck {
    std::string fault;  // empty when the recording matches
    std::vector<std::uint8_t> pinA;  // the levels at the sample instants
    std::vector<std::uint8_t> pinB;
    std::vector<std::uint8_t> rampUpA;  // pin A at each ramp instant
    std::vector<std::uint8_t> rampDownA;
};

// Instants are the port writes after the first (which clears the pins at
// start-up): the ramp up's, the samples', the ramp down's; each level is read
// one cycle after its write.
PlaybackCheck checkPlayback(const PinRecording& recording, const ExpectedPlayback& expected);

}  // namespace ryx::test
