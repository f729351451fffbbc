#include "cli/UsageText.h"

#include "cli/CPlayerOutput.h"
#include "cli/MemoryListText.h"
#include "cli/OptionTable.h"
#include "core/ProgramState.h"
#include "firmware/PicChip.h"
#include "firmware/PicProgram.h"

#include <array>
#include <cstdint>

namespace ryx::cli {

const std::string_view kShortUsageText =
    "Usage: ryxenc [OPTIONS] INPUT.wav [INPUT.wav ...]\n"
    "Try 'ryxenc --help' for more information.\n";

std::string usageText() {
    return "Usage: ryxenc [OPTIONS] INPUT.wav [INPUT.wav ...]\n"
           "Encodes 8-bit mono WAV sounds into a one-bit-per-sample bitstream for a PIC\n"
           "microcontroller. Without an output option, each INPUT gets its PIC assembler\n"
           "source beside it, named after it with the extension .asm.\n"
           "An INPUT of - is the standard input (its assembler source then goes to the\n"
           "standard output); a FILE of - is the standard output.\n"
           "\n" +
           optionHelpText() +
           "\n"
           "The options that name a file take exactly one INPUT. Without --rate, an INPUT\n"
           "must be an 8-bit mono WAV file.\n"
           "\n"
           "The assembler source writes its org addresses in decimal and sets no radix.\n"
           "Include it from a source that selects decimal, for example with gpasm:\n"
           "    list p=16f877a, r=dec\n"
           "    include \"sound.asm\"\n"
           "(the assembler's default radix is hexadecimal).\n"
           "\n"
           "--include writes a routine for your own PIC16 or PIC18 program: movlw N, call\n"
           "ryx_play plays sound N (from 0) between a slow rise and fall and returns; the\n"
           "pins are the chip's pins A and B. It sits at --org with the tables right after\n"
           "it, uses 16 file registers from --ram, and has no reset vector and no config\n"
           "word. Your program sets the clock up (--clock, default the internal\n"
           "oscillator), keeps interrupts off while it plays, and uses pagesel around the\n"
           "call if ryx_play is in another page (see the include's first lines). On a\n"
           "PIC18, --org is a word address too (gpasm's org there counts bytes: byte\n"
           "2 x ORG) and --ram is in the access bank. For example, after\n"
           "    ryxenc --bank --include sounds.inc --chip 16f628a --org 0x400 a.wav b.wav\n"
           "        list    p=16f628a\n"
           "        __config 0x3F30         ; internal oscillator, no watchdog\n"
           "        org     0\n"
           "        goto    start\n"
           "        org     0x10\n"
           "start:  movlw   1\n"
           "        call    ryx_play        ; plays b.wav\n"
           "        movlw   0\n"
           "        call    ryx_play        ; plays a.wav\n"
           "idle:   goto    idle\n"
           "        include \"sounds.inc\"\n"
           "        end\n"
           "\n"
           + cPlayerUsageText() + "\n"
           "No output may be an input, and no two outputs one file, even under two names\n"
           "through links or bind mounts: such a run writes nothing. --compare checks no\n"
           "output file and writes none. A FILE of /dev/stdout, /dev/fd/N or a pipe is\n"
           "written in place, as - is. Replacing a file that someone else owns, in a folder\n"
           "you may write, makes it yours and drops its ACLs and extended attributes (the\n"
           "price of a safe rename).\n"
           "A sound longer than " + std::to_string(kMaxSamples) +
           " samples is cut there, with a warning. A PIC program\n"
           "that cannot be made is refused before anything of its INPUT is written.\n"
           "\n"
           "Exit status: 0 when everything was written, 1 when an input was refused or\n"
           "could not be read or its PIC program cannot be made, 2 for a usage error,\n"
           "3 when an output could not be written; with several inputs the highest of these.\n";
}

namespace {

// The rates --list-chips gives the longest sound at: the low and the high
// rate the PIC programs are usually made for.
constexpr std::array<std::uint32_t, 2> kListedRates{8000, 15625};

std::string rightAligned(std::string text, std::size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

// The trigger pins of each chip, one line each, after the table.
std::string triggerListText() {
    std::string text = "\ntrigger pins (--trigger pins: sound 1 on the first; --trigger select: the first\n"
                       "is the strobe, the others the number's bits 0, 1, 2)\n";
    for (const PicChip& chip : picChips()) {
        std::string row(chip.processor);
        row.resize(12, ' ');
        if (triggerPinCount(chip) == 0) row += "none";
        std::string onCrystal;
        for (std::size_t k = 0; k < triggerPinCount(chip); ++k) {
            const TriggerPin& pin = chip.triggerPins[k];
            row += (k == 0 ? "" : ", ") + pinLabel(pin.pin);
            if (pin.crystalPin) onCrystal += (onCrystal.empty() ? "" : " and ") + std::string(pin.pin.name);
        }
        if (!onCrystal.empty()) row += "; " + onCrystal + " only on the internal oscillator";
        text += row + "\n";
    }
    return text;
}

}  // namespace

std::string chipListText() {
    std::string text = "chip        words  pins                      ";
    for (const std::uint32_t rate : kListedRates) text += rightAligned(std::to_string(rate) + " Hz", 10);
    text += "  stored  clock\n";
    for (const PicChip& chip : picChips()) {
        std::string row(chip.processor);
        row.resize(12, ' ');
        row += std::to_string(chip.programWords);
        row.resize(19, ' ');
        row += pinLabel(chip.pinA) + ", " + pinLabel(chip.pinB);
        row.resize(45, ' ');
        const double samples = picSampleCapacity(chip);
        for (const std::uint32_t rate : kListedRates) row += rightAligned(formatFixed(samples / rate, 2) + " s", 10);
        row += chip.readsProgramMemory ? "  packed  " : "  retlw   ";
        row += chip.internalClockHz != 0
                   ? "internal " + std::to_string(chip.internalClockHz) + " Hz, or a crystal with --clock"
                   : std::string("a crystal: --clock needed");
        text += row + "\n";
    }
    return text + triggerListText() + memoryPinListText();
}

}  // namespace ryx::cli
