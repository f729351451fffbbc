#include "GpsimRun.h"

#include "firmware/IntelHex.h"
#include "firmware/PicAssembly.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace ryx::test {
namespace {

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The recorder writes two lines per change: the cycle with 0 or 1, then the
// cycle with the voltage.
std::vector<std::pair<std::uint64_t, int>> readPinRecord(const std::filesystem::path& path) {
    std::vector<std::pair<std::uint64_t, int>> changes;
    std::ifstream in(path);
    std::string line;
    for (bool digital = true; std::getline(in, line); digital = !digital) {
        if (!digital) continue;
        std::istringstream fields(line);
        std::uint64_t cycle = 0;
        int level = 0;
        if (fields >> cycle >> level) changes.emplace_back(cycle, level);
    }
    return changes;
}

// "0x00000000000000A0 p16f628a ..." starts an instruction; its writes follow,
// "  Wrote: 0x0001 to portb(0x0006) was 0x0000", a digit the simulator cannot
// tell (an input pin nothing drives) as "?", read here as 0.
void readPortWrites(const std::filesystem::path& path, const std::string& port, PinRecording& recording) {
    std::vector<std::uint64_t>& writes = recording.portWrites;
    std::ifstream in(path);
    std::string line;
    std::uint64_t cycle = 0;
    std::string instruction;
    const std::string written = " to " + port + "(";
    while (std::getline(in, line)) {
        if (line.rfind("0x", 0) == 0) {
            cycle = std::stoull(line.substr(2, 16), nullptr, 16);
            instruction = line;
        } else if (const std::size_t at = line.find("Wrote: 0x");
                   at != std::string::npos && line.find(written) != std::string::npos) {
            writes.push_back(cycle);
            std::string digits = line.substr(at + 9, 4);
            std::replace(digits.begin(), digits.end(), '?', '0');
            recording.portValues.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
            recording.portWriteBitOps.push_back(instruction.find(" bsf") != std::string::npos ||
                                                instruction.find(" bcf") != std::string::npos);
        }
    }
}

// A pin's level at rising cycles, read in one pass over its changes.
class LevelCursor {
public:
    explicit LevelCursor(const std::vector<std::pair<std::uint64_t, int>>& changes) : changes_(changes) {}
    int at(std::uint64_t cycle) {
        while (next_ < changes_.size() && changes_[next_].first <= cycle) level_ = changes_[next_++].second;
        return level_;
    }

private:
    const std::vector<std::pair<std::uint64_t, int>>& changes_;
    std::size_t next_ = 0;
    int level_ = -1;
};

}  // namespace

bool gpsimAvailable() { return std::system("command -v gpsim >/dev/null 2>&1") == 0; }

PinRecording runOnGpsim(const std::filesystem::path& directory, const PicChip& chip, const std::string& hex,
                        std::uint64_t cycles, const std::vector<PinStimulus>& stimuli, const std::string& watched,
                        const std::string& wiring) {
    const std::string port = lower(chip.portName);
    {
        std::ofstream(directory / "program.hex") << hex;
        std::ofstream script(directory / "run.stc");
        script << "load p" << chip.processor << " program.hex\n"
               << "module lib libgpsim_modules.so\n";
        for (int pin = 0; pin < 2; ++pin) {
            script << "module load FileRecorder rec" << pin << "\n"
                   << "rec" << pin << ".file = \"pin" << pin << ".txt\"\n"
                   << "rec" << pin << ".digital = true\n"
                   << "node n" << pin << "\n"
                   << "attach n" << pin << " " << port << pin << " rec" << pin << ".pin\n";
        }
        script << wiring;
        for (std::size_t k = 0; k < stimuli.size(); ++k) {
            script << "stimulus asynchronous_stimulus\ninitial_state 1\nstart_cycle 0\n{ ";
            const char* separator = "";
            for (const auto& [cycle, level] : stimuli[k].levels) {
                script << separator << cycle << ", " << level;
                separator = ", ";
            }
            script << " }\nname press" << k << "\nend\n"
                   << "node s" << k << "\nattach s" << k << " press" << k << " p" << chip.processor << "."
                   << stimuli[k].pin << "\n";
        }
        // Flushing the recorders needs a new file name for each.
        script << "log on port.log\n"
               << "log w " << port << "\n"
               << (watched.empty() ? "" : "log w " + watched + "\n")
               << "break c " << cycles << "\n"
               << "run\n"
               << "log off\n"
               << "rec0.file = \"/dev/null\"\n"
               << "rec1.file = \"/dev/null\"\n"
               << "quit\n";
    }
    const std::string command = "cd '" + directory.string() +
                                "' && timeout 120 gpsim -i -S disable -c run.stc </dev/null >gpsim.out 2>&1";
    PinRecording recording;
    if (std::system(command.c_str()) != 0) recording.output = "gpsim failed or timed out\n";
    recording.output += readText(directory / "gpsim.out");
    recording.reachedEnd = recording.output.find("cycle break") != std::string::npos;
    readPortWrites(directory / "port.log", port, recording);
    if (!watched.empty()) {
        PinRecording other;
        readPortWrites(directory / "port.log", watched, other);
        recording.watchedWrites = std::move(other.portWrites);
        recording.watchedValues = std::move(other.portValues);
    }
    recording.pinA = readPinRecord(directory / "pin0.txt");
    recording.pinB = readPinRecord(directory / "pin1.txt");
    return recording;
}

std::string describeConfigOnGpsim(const std::filesystem::path& directory, const PicChip& chip, const std::string& hex) {
    std::ofstream(directory / "config.hex") << hex;
    std::ofstream script(directory / "config.stc");
    script << "load p" << chip.processor << " config.hex\n";
    // A PIC18 names its config bytes; the oscillator and the watchdog are in these two.
    for (const char* name : chip.family == PicFamily::pic18 ? std::vector<const char*>{"CONFIG1H", "CONFIG2H"}
                                                             : std::vector<const char*>{"CONFIG"}) {
        script << "p" << chip.processor << "." << name << "\n";
    }
    script << "quit\n";
    script.close();
    const std::string command = "cd '" + directory.string() +
                                "' && timeout 60 gpsim -i -S disable -c config.stc </dev/null >config.out 2>&1";
    std::string output = std::system(command.c_str()) != 0 ? "gpsim failed or timed out\n" : "";
    return output + readText(directory / "config.out");
}

ProgramReadOnGpsim probeProgramRead(const std::filesystem::path& directory, const PicChip& chip) {
    // Word 256 holds 0x205, whose low byte puts pin A high and pin B low. Two
    // port writes frame the read, every instruction between one cycle on the
    // chip, the NOPs after RD included.
    const bool enhanced = chip.family == PicFamily::enhancedMidRange;
    const PicRegister control{"EECON1", static_cast<std::uint16_t>(enhanced ? 0x195 : 0x18C)};
    const PicRegister addressHigh{"EEADRH", static_cast<std::uint16_t>(enhanced ? 0x192 : 0x10F)};
    const PicRegister data{"EEDATA", static_cast<std::uint16_t>(enhanced ? 0x193 : 0x10C)};
    const PicRegister port{"PORT", chip.portAddress};
    const PicRegister status{"STATUS", 3};
    PicAssembly probe;
    unsigned current = 0;
    auto bank = [&](std::uint16_t address) {
        const unsigned wanted = (address >> 7) & (enhanced ? 31u : 3u);
        if (enhanced && wanted != current) probe.literalOp(pic::kMovlb, static_cast<std::uint8_t>(wanted));
        for (unsigned bit = 0; !enhanced && bit < 2; ++bit) {
            if (((wanted ^ current) >> bit & 1u) == 0) continue;
            probe.bitOp((wanted >> bit & 1u) != 0 ? pic::kBsf : pic::kBcf, status, bit == 0 ? "RP0" : "RP1", 5 + bit);
        }
        current = wanted;
    };
    for (const RegisterSetting& setting : chip.pinSetup) {
        if (setting.name.empty()) continue;
        bank(setting.address);
        probe.literalOp(pic::kMovlw, setting.value);
        probe.fileOp(pic::kMovwf, {setting.name, setting.address});
    }
    bank(chip.trisAddress);
    probe.literalOp(pic::kMovlw, 0xFC);
    probe.fileOp(pic::kMovwf, {"TRIS", chip.trisAddress});
    bank(control.address);
    probe.bitOp(pic::kBsf, control, "EEPGD", 7);
    bank(addressHigh.address);
    probe.literalOp(pic::kMovlw, 1);
    probe.fileOp(pic::kMovwf, addressHigh);
    bank(0);
    probe.fileOp(pic::kClrf, port);
    const std::uint32_t framed = probe.size();
    bank(control.address);
    probe.bitOp(pic::kBsf, control, "RD", 0);
    probe.plain(pic::kNop);
    probe.plain(pic::kNop);
    // As the player does on an enhanced chip, where the data comes a cycle later in the simulator.
    if (enhanced) probe.skipToNext();
    bank(data.address);
    probe.byteOp(pic::kMovf, data, PicAssembly::Destination::w);
    bank(0);
    probe.fileOp(pic::kMovwf, port);
    const std::uint32_t chipCycles = probe.size() - framed + (enhanced ? 1 : 0);
    probe.label("idle");
    probe.jump(pic::kGoto, "idle");

    std::vector<ProgramWords> memory{{0, probe.words()}, {256, {0x205}}};
    const PicOscillator oscillator = chip.internalClockHz != 0 ? PicOscillator::internal : PicOscillator::crystal;
    for (const ConfigRecord& record : configRecordsFor(chip, oscillator, 4000000)) {
        memory.push_back({record.address, {record.value}});
    }
    const PinRecording recording = runOnGpsim(directory, chip, formatIntelHex(memory), 200);
    ProgramReadOnGpsim result;
    if (recording.portWrites.size() < 2) return result;
    // The port log names the value the last write took from W.
    result.reads = readText(directory / "port.log").find("Read: 0x0005 from W") != std::string::npos;
    const std::uint64_t spacing = recording.portWrites[1] - recording.portWrites[0];
    result.shortfall = spacing < chipCycles ? static_cast<std::uint32_t>(chipCycles - spacing) : 0;
    return result;
}

PlaybackCheck checkPlayback(const PinRecording& recording, const ExpectedPlayback& expected) {
    PlaybackCheck check;
    auto fail = [&check](std::string fault) {
        check.fault = std::move(fault);
        return check;
    };
    if (!recording.reachedEnd) return fail("the simulator did not reach the end: " + recording.output);
    const std::size_t samples = expected.pinA.size();
    const std::size_t first = expected.rampUp;         // the sound's first instant
    const std::size_t last = first + samples;          // the first instant after the sound
    const std::size_t low = last + expected.rampDown;  // both pins low, with endsLow
    const std::vector<std::uint64_t>& writes = recording.portWrites;
    // Instant i is writes[i + 1]; with endsLow one more instant holds both pins low.
    const std::size_t wanted = low + (expected.endsLow ? 1 : 0);
    if (writes.size() < 2) return fail("the pins were never played");
    // Timing and levels first, over what was played, then the count.
    const std::size_t instants = std::min(wanted, writes.size() - 1);
    for (std::size_t i = 1; i < instants; ++i) {
        if (i == first) continue;  // from the ramp to the sound: any time
        const std::uint64_t spacing = writes[i + 1] - writes[i];
        const bool ramp = i < first || i > last;
        const bool startsWord = expected.samplesPerRead != 0 && i > first && i < last &&
                                (i - first) % expected.samplesPerRead == 0;
        const std::uint64_t due = ramp ? expected.rampCycles
                                       : expected.cyclesPerSample - (startsWord ? expected.readShortfall : 0);
        if (spacing != due) {
            return fail(std::string(ramp ? "ramp write " : "sample ") + std::to_string(i) + " comes " +
                        std::to_string(spacing) + " cycles after the write before, not " + std::to_string(due));
        }
    }
    // Pins change only one cycle after a port write, and never between.
    std::set<std::uint64_t> changeCycles;
    for (std::size_t i = 1; i <= instants; ++i) changeCycles.insert(writes[i] + 1);
    for (const auto* changes : {&recording.pinA, &recording.pinB}) {
        for (const auto& [cycle, level] : *changes) {
            if (cycle > writes[1] && cycle <= writes[instants] + 1 && changeCycles.count(cycle) == 0) {
                return fail("a pin changes at cycle " + std::to_string(cycle) + ", between two sample instants");
            }
        }
    }
    LevelCursor levelA(recording.pinA);
    LevelCursor levelB(recording.pinB);
    for (std::size_t i = 0; i < instants; ++i) {
        const std::uint64_t at = writes[i + 1] + 1;
        const int a = levelA.at(at);
        const int b = levelB.at(at);
        const bool inSound = i >= first && i < last;
        const bool inRamp = !inSound && i < low;
        const int wantA = inSound ? expected.pinA[i - first] : inRamp ? a : 0;
        const int wantB = inSound ? expected.pinB[i - first] : 0;
        if (inRamp && a != 0 && a != 1) return fail("ramp instant " + std::to_string(i) + " has no level");
        if (a != wantA || b != wantB) {
            return fail(std::string(inSound ? "sample " : "ramp instant ") + std::to_string(i) + " at cycle " +
                        std::to_string(at) + ": pins A, B = " + std::to_string(a) + ", " + std::to_string(b) +
                        " instead of " + std::to_string(wantA) + ", " + std::to_string(wantB));
        }
        if (inSound) {
            check.pinA.push_back(static_cast<std::uint8_t>(a));
            check.pinB.push_back(static_cast<std::uint8_t>(b));
        } else if (inRamp) {
            (i < first ? check.rampUpA : check.rampDownA).push_back(static_cast<std::uint8_t>(a));
        }
    }
    if (writes.size() - 1 < wanted) {
        return fail("only " + std::to_string(writes.size() - 1) + " sample writes, " + std::to_string(wanted) +
                    " expected");
    }
    if (expected.endsLow && writes.size() - 1 != wanted) {
        return fail("the port is written again after the end: " + std::to_string(writes.size() - 1 - wanted) +
                    " more writes");
    }
    return check;
}

}  // namespace ryx::test
