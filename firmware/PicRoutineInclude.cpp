#include "firmware/PicRoutineInclude.h"

#include "core/ListSelection.h"
#include "core/ProductInfo.h"
#include "export/TextChunkWriter.h"
#include "firmware/MemoryWiring.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace ryx {
namespace {

constexpr std::uint32_t kPageWords = 2048;
constexpr std::size_t kWordsPerLine = 8;

std::string routineName() { return std::string(kRoutinePrefix) + std::string(kRoutineEntry); }

std::string storageText(PicStorage storage) {
    switch (storage) {
    case PicStorage::retlw: return "8 samples to a word in retlw";
    case PicStorage::packed14: return "14 samples to a word, read back";
    case PicStorage::packed16: return "16 samples to a word, read back";
    }
    return {};
}

bool isPic18(const PicChip& chip) { return chip.family == PicFamily::pic18; }

// A PIC18's addresses count bytes as well: "0x100 (byte 0x200)".
std::string wordText(const PicChip& chip, std::uint32_t word) {
    return formatHexWord(word) + (isPic18(chip) ? " (byte " + formatHexWord(2 * word) + ")" : "");
}

// Where the routine sits and what the caller does about it.
void writeReach(TextChunkWriter& out, const PicProgramSettings& settings, const std::string& name) {
    if (isPic18(*settings.chip)) {
        out.line("; Reach      call " + name + " from anywhere: a PIC18's call reaches all its memory.");
        return;
    }
    const std::uint32_t page = settings.org / kPageWords;
    out.line("; Pages      " + name + " is in page " + std::to_string(page) + " (" +
             formatHexWord(page * kPageWords) + " to " + formatHexWord((page + 1) * kPageWords - 1) +
             ") and returns with PCLATH at its page");
    out.line(";            (high " + name + "). A caller in another page: pagesel " + name +
             " before the call,");
    out.line(";            pagesel $ after it.");
}

// What the caller must know, as the file's first lines.
void writeHeader(TextChunkWriter& out, EncodedBank sounds, const PicProgramSettings& settings,
                 const PicProgram& program) {
    const PicChip& chip = *settings.chip;
    const PicProgramPlan& plan = program.plan;
    const EncoderState& encoder = sounds.front().encoder;
    const bool twoPins = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    const std::string name = routineName();
    const std::string rule = ";=====================================================";
    const bool pic18 = isPic18(chip);
    const std::string last = std::to_string(sounds.size() - 1);
    out.line(rule);
    out.line("; Sound routine made by " + std::string(kProductName) + " " + std::string(kVersionText) +
             " for your own program:");
    out.line("; include this file in its source (gpasm). It holds no reset vector and no");
    out.line("; config word; its names all start with " + std::string(kRoutinePrefix) +
             " and its numbers are in 0x hex.");
    out.line(rule);
    out.line("; Chip       " + std::string(chip.name) + " at " + std::to_string(plan.clockHz) +
             " Hz: your program sets its oscillator up, " + name + " does not");
    out.line("; Sounds     " + std::to_string(sounds.size()) + " at " + std::to_string(encoder.sampleRate) + " Hz, " +
             std::string(schemeItemText(encoder.algorithmType)) + ", " + std::string(finenessItemText(encoder.fineness)));
    out.line("; Playback   " + std::to_string(plan.timing.cyclesPerSample) + " cycles per sample = " +
             formatFixed(plan.timing.playbackRate, 3) + " Hz (pitch " +
             formatFixed(plan.timing.pitchErrorPercent, 3, true) + " %)");
    for (std::size_t k = 0; k < sounds.size(); ++k) {
        std::string label = "; Sound " + std::to_string(k);
        label.resize(13, ' ');
        out.line(label + "W = " + std::to_string(k) + ": " + std::to_string(plan.sounds[k].storedSamples) +
                 (settings.memory != nullptr ? " samples, entry " + std::to_string(k) + " of the memory's index"
                                             : " samples from word " + wordText(chip, plan.sounds[k].firstWord)));
    }
    out.line("; Memory     words " + wordText(chip, settings.org) + " to " +
             wordText(chip, settings.org + plan.usedWords - 1) + ": " + name + " (" + std::to_string(plan.playerWords) +
             (settings.memory != nullptr
                  ? " words); the sounds stream from the " + std::string(settings.memory->name) + "'s image"
                  : " words), then the tables (" + storageText(plan.storage) + ")"));
    out.line("; Registers  " + formatHexWord(settings.ram) + " to " +
             formatHexWord(settings.ram + kRoutineRegisters - 1) + (pic18 ? " in the access bank, " : " in bank 0, ") +
             std::to_string(kRoutineRegisters) +
             " of them: your program must not keep anything there");
    out.line(";");
    out.line("; Call       movlw N / call " + name + ": plays sound N (0 to " + last +
             "): a slow rise, the sound, a slow");
    out.line(";            fall, then " + std::string(twoPins ? "pins A and B" : "pin A") +
             " low; returns when it has played. Another N returns");
    out.line(pic18 ? ";            at once. It returns with W = 0 and BSR as it was."
                   : ";            at once. It returns in bank 0 with W = 0.");
    writeReach(out, settings, name);
    out.line("; Pins       makes " +
             (twoPins ? pinLabel(chip.pinA) + " and " + pinLabel(chip.pinB) + " outputs"
                      : pinLabel(chip.pinA) + " an output") +
             "; the other pins of " + std::string(chip.portName) + " keep");
    out.line(";            their levels and directions" +
             std::string(chip.pinSetup[0].name.empty() ? "." : "; it sets up what makes the pins digital:"));
    for (const RegisterSetting& setting : chip.pinSetup) {
        if (setting.name.empty()) continue;
        if (setting.pinABit == 0) {
            out.line(";            " + std::string(setting.name) + " = " + formatHexWord(setting.value) + ".");
            continue;
        }
        auto bit = [](std::uint8_t mask) { return std::to_string(std::countr_zero(mask)); };
        out.line(";            " + std::string(setting.name) + " bit " + bit(setting.pinABit) + " (pin A)" +
                 (twoPins ? " and bit " + bit(setting.pinBBit) + " (pin B)" : std::string()) +
                 " cleared, its other bits kept.");
    }
    if (settings.memory != nullptr) {
        std::string whole;
        for (const RegisterSetting& setting : chip.memoryPins.setup) {
            if (!setting.name.empty() && !setting.name.starts_with("ANSEL")) {
                whole = " (" + std::string(setting.name) + " = " + formatHexWord(setting.value) + ")";
            }
        }
        out.line(";            The memory's pins are made digital" + whole + ", other analog inputs");
        out.line(";            kept; its lines' port bits are left 0 (low or released).");
        out.line(externalMemoryLine(chip, *settings.memory));
        if (settings.memory->bus == MemoryBus::spi && chip.memoryPins.resetPinConfigMask != 0) {
            out.line("; Reset      " + pinLabel(chip.memoryPins.so.pin) +
                     " is the memory's SO: your config word must clear MCLRE");
        }
    }
    if (pic18) {
        out.line(";            It writes the port through LAT" + std::string(chip.portName.substr(4)) +
                 "; TBLPTR and TABLAT are changed.");
    }
    if (plan.storage == PicStorage::packed14) {
        out.line(";            EECON1 is left reading program memory, EEADR and EEDAT changed.");
    }
    out.line("; Needs      interrupts off (GIE clear) while it plays, the watchdog off, and two");
    out.line(";            free stack levels besides its own return address.");
    out.line(";");
    writePicCircuitComment(out, chip, sounds.front());
    out.line(rule);
    out.line("");
}

// Table words as data, eight to a line, from their first word (a PIC18's org
// counts bytes; its dw puts each word's low byte first).
void writeTable(TextChunkWriter& out, const ProgramWords& words, std::size_t sound, PicStorage storage,
                bool pic18) {
    out.line("");
    std::string what = " words, first sample at bit 13";
    if (storage == PicStorage::retlw) what = " retlw words";
    if (storage == PicStorage::packed16) what = " words, first sample at bit 7 of the low byte";
    out.line("; Sound " + std::to_string(sound) + ", " + std::to_string(words.words.size()) + what);
    out.line("        org     " + formatHexWord(pic18 ? 2 * words.address : words.address));
    for (std::size_t k = 0; k < words.words.size(); k += kWordsPerLine) {
        std::string line = "        dw      ";
        for (std::size_t i = k; i < std::min(words.words.size(), k + kWordsPerLine); ++i) {
            if (i != k) line += ", ";
            line += formatHexWord(words.words[i]);
        }
        out.line(line);
    }
}

}  // namespace

Result<> writePicRoutineInclude(SoundBank sounds, const PicProgramSettings& settings, const OutputTarget& target) {
    return writePicRoutineInclude(encodedSoundsOf(sounds), settings, target);
}

Result<> writePicRoutineInclude(EncodedBank sounds, const PicProgramSettings& settings, const OutputTarget& target) {
    if (settings.form != PlayerForm::routine) throw std::invalid_argument("an include holds the routine form");
    const Result<PicProgram> built = buildPicBank(sounds, settings);
    if (!built) return built.failureDetail();
    const PicProgram& program = *built;
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    {
        TextChunkWriter out(writer);
        writeHeader(out, sounds, settings, program);
        program.player.writeSource(out);
        for (std::size_t k = 0; settings.memory == nullptr && k < sounds.size(); ++k) {
            writeTable(out, program.memory[k + 1], k, program.plan.storage, isPic18(*settings.chip));
        }
    }
    return writer.commit();
}

}  // namespace ryx
