#include "cli/CPlayerOutput.h"

#include "cli/CHeaderPlan.h"
#include "cli/OptionTable.h"
#include "export/CPlayerExport.h"
#include "firmware/PicProgram.h"

#include <filesystem>

namespace ryx::cli {
namespace {

const CPlayerTarget& targetOf(const CommandLine& options) {
    const CPlayerTarget* target = findCPlayerTarget(options.cPlayerTarget);
    return target != nullptr ? *target : genericCPlayerTarget();
}

// The names sounds.h gives, as --c gives them: the same checks, the same changes.
std::vector<CHeaderSound> namedSounds(std::span<const ProgramState* const> sounds, const CommandLine& options) {
    return cHeaderSounds(planCHeaderNames(options), sounds, options);
}

Result<CPlayerSettings> settingsOf(std::span<const CHeaderSound> sounds, const CommandLine& options) {
    return planCPlayer(sounds, {.target = &targetOf(options),
                                .clockHz = options.clockHz,
                                .loop = options.loop,
                                .bank = options.bank});
}

constexpr OutputKind kindOf(CPlayerFile file) {
    switch (file) {
    case CPlayerFile::header: return OutputKind::cPlayerHeader;
    case CPlayerFile::source: return OutputKind::cPlayerSource;
    case CPlayerFile::sounds: return OutputKind::cPlayerSounds;
    case CPlayerFile::main: return OutputKind::cPlayerMain;
    }
    return OutputKind::cPlayerHeader;
}

}  // namespace

Result<> checkCPlayerOptions(const CommandLine& options) {
    const std::string player = optionName(OptionId::cPlayerFolder);
    if (options.cPlayerFolder.empty()) {
        if (options.cPlayerTarget.empty()) return {};
        return Result<>::failure(optionName(OptionId::cPlayerTarget) + " names the chip of " + player + "'s main.c");
    }
    if (options.cPlayerFolder == "-") return Result<>::failure(player + " writes files into a folder, not '-'");
    return {};
}

std::vector<PlannedOutput> planCPlayerOutputs(const CommandLine& options) {
    std::vector<PlannedOutput> outputs;
    if (options.cPlayerFolder.empty()) return outputs;
    for (const CPlayerFile file : cPlayerFiles(targetOf(options))) {
        outputs.push_back({kindOf(file), std::filesystem::path(options.cPlayerFolder) / cPlayerFileName(file),
                           optionName(OptionId::cPlayerFolder)});
    }
    return outputs;
}

Result<> checkCPlayerSounds(std::span<const ProgramState* const> sounds, const CommandLine& options) {
    if (options.cPlayerFolder.empty()) return {};
    const std::vector<CHeaderSound> named = namedSounds(sounds, options);
    const Result<CPlayerSettings> settings = settingsOf(named, options);
    if (!settings) return settings.failureDetail();
    // sounds.h is written last: its refusal must come before the player's files.
    return checkCHeader(named, planCHeaderNames(options).bank);
}

Result<> writeCPlayerOutput(std::span<const ProgramState* const> sounds, const CommandLine& options,
                            const PlannedOutput& output) {
    const std::vector<CHeaderSound> named = namedSounds(sounds, options);
    const Result<CPlayerSettings> settings = settingsOf(named, options);
    if (!settings) return settings.failureDetail();
    std::error_code error;
    std::filesystem::create_directories(options.cPlayerFolder, error);
    if (error) {
        return Result<>::failure("cannot make the folder " + options.cPlayerFolder + " (" + error.message() + ")",
                                 error.value());
    }
    for (const CPlayerFile file : cPlayerFiles(*settings->target)) {
        if (kindOf(file) == output.kind) return exportCPlayerFile(file, named, planCHeaderNames(options).bank, *settings, output.target);
    }
    return Result<>::failure("the C player has no such file");
}

std::string cPlayerUsageText() {
    return "--c-player DIR writes a player in C99 for any microcontroller into DIR (made\n"
           "if missing): ryx_player.h and ryx_player.c (integer only, no heap, no library\n"
           "calls), sounds.h as --c writes it, and with --target atmega328p or attiny85 a\n"
           "main.c for that chip (--clock its clock, default 16 or 8 MHz; pin A on PB0,\n"
           "pin B on PB1; with --bank sound k plays when PD2+k, on the ATtiny85 PB2+k, is\n"
           "pulled low). ryx_player_start(&p, n) starts sound n; ryx_player_tick(&p), once\n"
           "a sample, gives the pins (bit 0 pin A, bit 1 pin B) and RYX_PLAYER_OVER when\n"
           "done. Write the pins first thing in the timer interrupt, from the tick before.\n"
           "With XC8 on a PIC16 (Timer2 at the rate, pins A and B on RB0 and RB1):\n"
           "    static ryx_player player;\n"
           "    static volatile unsigned char pins;\n"
           "    void __interrupt() isr(void) {\n"
           "        if (TMR2IF) {\n"
           "            PORTB = pins;               /* first: on the sample grid */\n"
           "            TMR2IF = 0;\n"
           "            pins = (unsigned char)(ryx_player_tick(&player) & 3);\n"
           "        }\n"
           "    }\n"
           "    /* main: ryx_player_start(&player, 0); then Timer2, TMR2IE, PEIE, GIE on */\n"
           "On any other chip:\n"
           "    static ryx_player player;\n"
           "    static volatile int next;\n"
           "    void sample_interrupt(void) {       /* RYX_PLAYER_RATE times a second */\n"
           "        set_pins(next & 3);             /* first: on the sample grid */\n"
           "        if (next & RYX_PLAYER_OVER) stop_timer();\n"
           "        else next = ryx_player_tick(&player);\n"
           "    }\n"
           "    void play(unsigned n) {\n"
           "        ryx_player_start(&player, n); next = ryx_player_tick(&player); start_timer();\n"
           "    }\n";
}

void printCPlayerSummary(std::ostream& out, std::span<const ProgramState* const> sounds, const CommandLine& options) {
    const Result<CPlayerSettings> settings = settingsOf(namedSounds(sounds, options), options);
    if (!settings) return;
    const CPlayerTarget& target = *settings->target;
    if (target.mcu.empty()) {
        out << "  C player for " << target.processor << ": a tick " << settings->sampleRate
            << " times a second (see --help)\n";
        return;
    }
    const SampleTimer& timer = settings->timer;
    out << "  " << target.processor << " at " << timer.clockHz << " Hz: " << target.timer << " every "
        << timer.cyclesPerSample << " cycles, " << formatFixed(timer.playbackRate, 3) << " Hz (pitch "
        << formatFixed(timer.pitchErrorPercent, 3, true) << " %); the player takes at most " << target.playerFlashBytes
        << " bytes of flash, a tick at most " << target.tickCycles << " cycles"
        << (cPlayerFineRamp(target, timer).stopCount > 0
                ? "; fine bits between the ramp's samples\n"
                : "; a sample too short for fine ramp bits\n");
}

}  // namespace ryx::cli
