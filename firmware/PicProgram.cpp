#include "firmware/PicProgram.h"

#include "io/AtomicFileWriter.h"
#include "core/ListSelection.h"
#include "core/ProductInfo.h"
#include "export/RetlwTables.h"
#include "export/TableLayout.h"
#include "export/TextChunkWriter.h"
#include "firmware/Pic18Source.h"
#include "firmware/PlayerCode.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace ryx {
namespace {

// The smallest chip of the table that holds the sound, if any is larger.
const PicChip* largerChipFor(const PicChip& chip, std::uint32_t samples, PicPacking packing) {
    const PicChip* best = nullptr;
    for (const PicChip& other : picChips()) {
        if (other.programWords <= chip.programWords || picSampleCapacity(other, packing) < samples) continue;
        if (best == nullptr || other.programWords < best->programWords) best = &other;
    }
    return best;
}

std::string fitError(const PicChip& chip, const PicProgramPlan& plan, std::uint32_t sampleRate,
                     PicPacking packing) {
    const std::uint32_t fitSamples = picSampleCapacity(chip, packing);
    std::string text = "the sound does not fit the " + std::string(chip.name) + ": its " +
                       std::to_string(plan.storedSamples) + " samples need " + std::to_string(plan.usedWords) +
                       " words of " + std::to_string(chip.programWords) + ". " + std::to_string(fitSamples) +
                       " samples fit, " +
                       formatFixed(sampleRate == 0 ? 0.0 : static_cast<double>(fitSamples) / sampleRate, 2) +
                       " s at " + std::to_string(sampleRate) + " Hz; use a lower sample rate, a shorter sound";
    if (const PicChip* larger = largerChipFor(chip, plan.storedSamples, packing)) {
        text += ", or a larger chip such as the " + std::string(larger->name) + " (" +
                std::to_string(larger->programWords) + " words)";
    }
    return text;
}

// Moved tables give the player a little more than it took at word 256: its
// address loads may take a word more each.
constexpr std::uint32_t kPlayerGrowthRoom = 8;

// Pins start sounds on a chip that has them, one pin per sound or a number
// on the select pins, never for ever; a crystal takes its pins from them.
Result<> checkTrigger(const PicChip& chip, const PicProgramSettings& settings, std::size_t soundCount) {
    if (settings.trigger == PlayTrigger::reset) return {};
    const std::string name(chip.name);
    const std::size_t pins = triggerPinCount(chip);
    if (pins == 0) return Result<>::failure("the " + name + " has no trigger pins");
    std::size_t used = soundCount;
    if (settings.trigger == PlayTrigger::pins && soundCount > pins) {
        return Result<>::failure("the " + name + " has " + std::to_string(pins) +
                                 " trigger pins, one for each sound: " + std::to_string(soundCount) +
                                 " sounds are too many");
    }
    if (settings.trigger == PlayTrigger::select) {
        used = pins;
        const std::size_t numbers = std::size_t{1} << (pins - 1);
        if (soundCount > numbers) {
            return Result<>::failure("the " + name + " selects one of at most " + std::to_string(numbers) +
                                     " sounds by its " + std::to_string(pins - 1) + " select pins: " +
                                     std::to_string(soundCount) + " sounds are too many");
        }
    }
    if (settings.loop) return Result<>::failure("sounds started by their pins play once each, not for ever");
    if (settings.oscillator == PicOscillator::crystal) {
        for (std::size_t k = 0; k < used; ++k) {
            if (!chip.triggerPins[k].crystalPin) continue;
            return Result<>::failure("the " + name + "'s trigger pin " + pinLabel(chip.triggerPins[k].pin) +
                                     " holds the crystal: use the internal oscillator" +
                                     (settings.trigger == PlayTrigger::pins ? " or fewer sounds" : ""));
        }
    }
    return {};
}

// The first sound whose table runs past the chip's memory.
std::string bankFitError(const PicChip& chip, const PicProgramPlan& plan) {
    std::size_t over = 0;
    while (over + 1 < plan.sounds.size() &&
           plan.sounds[over].firstWord + plan.sounds[over].tableWords <= chip.programWords) {
        ++over;
    }
    return "the bank does not fit the " + std::string(chip.name) + ": sound " + std::to_string(over + 1) +
           " runs past its " + std::to_string(chip.programWords) + " words; the sounds need " +
           std::to_string(plan.usedWords) + " words";
}

// Words 0 to 4 hold the user's reset and interrupt vectors; on a PIC18
// words 0 to 13 (bytes 0x00 to 0x1B), a goto at each of its three vectors.
constexpr std::uint32_t kLowestRoutineOrg = 5;
constexpr std::uint32_t kLowestPic18RoutineOrg = 14;
// Mid-range goto and call reach within one page of 2048 words.
constexpr std::uint32_t kPageWords = 2048;

bool isPic18(const PicChip& chip) { return chip.family == PicFamily::pic18; }

std::uint32_t lowestRoutineOrg(const PicChip& chip) {
    return isPic18(chip) ? kLowestPic18RoutineOrg : kLowestRoutineOrg;
}

// "0x100", and on a PIC18 its byte address too: "0x100 (byte 0x200)".
std::string orgText(const PicChip& chip, std::uint32_t word) {
    if (!isPic18(chip)) return formatHexWord(word);
    return formatHexWord(word) + " (byte " + formatHexWord(2 * word) + ")";
}

Result<> checkRoutineRam(const PicChip& chip, const PicProgramSettings& settings) {
    const std::string count = std::to_string(kRoutineRegisters);
    if (isPic18(chip)) {
        if (settings.ram >= kPic18RoutineRamLowest && settings.ram + kRoutineRegisters <= kPic18RoutineRamEnd) return {};
        return Result<>::failure("the routine's " + count + " file registers from " + formatHexWord(settings.ram) +
                                 " are not all in the access bank's general-purpose memory: choose " +
                                 formatHexWord(kPic18RoutineRamLowest) + " to " +
                                 formatHexWord(kPic18RoutineRamEnd - kRoutineRegisters) + " (" +
                                 formatHexWord(kDefaultPic18RoutineRam) + ": its top 16 bytes)");
    }
    if (settings.ram >= kRoutineRamLowest && settings.ram + kRoutineRegisters <= kRoutineRamEnd) return {};
    return Result<>::failure("the routine's " + count + " file registers from " + formatHexWord(settings.ram) +
                             " are not all in bank 0's general-purpose memory: choose " +
                             formatHexWord(kRoutineRamLowest) + " to " +
                             formatHexWord(kRoutineRamEnd - kRoutineRegisters) + " (" +
                             formatHexWord(kDefaultRoutineRam) + ": the bank every bank shares)");
}

// What a routine for the user's own program cannot be, before any sound is placed.
Result<> checkRoutine(const PicChip& chip, const PicProgramSettings& settings) {
    const std::string name(chip.name);
    if (settings.loop) return Result<>::failure("the routine plays its sound once for each call, not for ever");
    if (settings.trigger == PlayTrigger::pins) {
        return Result<>::failure("the routine plays the sound W names, not the sound of a trigger pin");
    }
    const std::uint32_t lowest = lowestRoutineOrg(chip);
    if (settings.org < lowest || settings.org >= chip.programWords) {
        return Result<>::failure("the routine's org " + formatHexWord(settings.org) + " is outside the " + name +
                                 "'s program memory for it: choose " + formatHexWord(lowest) + " to " +
                                 formatHexWord(chip.programWords - 1) + " (words 0 to " +
                                 std::to_string(lowest - 1) + " are your program's vectors)");
    }
    return checkRoutineRam(chip, settings);
}

// The routine at its org, the tables right after it: within the chip, the
// routine within one page.
Result<> placeRoutine(const PicChip& chip, const PicProgramSettings& settings, PicProgramPlan& plan) {
    const std::uint32_t org = settings.org;
    const std::uint32_t end = org + plan.playerWords;
    for (PlannedSound& sound : plan.sounds) sound.firstWord += end;
    plan.usedWords = plan.playerWords + plan.tableWords;
    const std::string words = std::to_string(plan.playerWords) + " words";
    // A PIC18's goto and call reach all its memory.
    const std::uint32_t pageEnd = (org / kPageWords + 1) * kPageWords;
    if (!isPic18(chip) && end > pageEnd && pageEnd < chip.programWords) {
        return Result<>::failure("the routine, " + words + " from org " + formatHexWord(org) +
                                 ", would cross the page boundary at " + formatHexWord(pageEnd) +
                                 " that its goto and call cannot: choose an org of at most " +
                                 formatHexWord(pageEnd - plan.playerWords) + " or from " + formatHexWord(pageEnd));
    }
    if (org + plan.usedWords <= chip.programWords) return {};
    std::string text = "the sounds do not fit the " + std::string(chip.name) + " from org " + orgText(chip, org) +
                       ": the routine's " + words + " and the tables' " + std::to_string(plan.tableWords) +
                       " run to word " + formatHexWord(org + plan.usedWords - 1) + ", past its " +
                       std::to_string(chip.programWords) + " words";
    if (plan.usedWords + lowestRoutineOrg(chip) <= chip.programWords) {
        text += ": choose an org of at most " + orgText(chip, chip.programWords - plan.usedWords);
    } else {
        text += " from any org; use a lower sample rate, shorter sounds or a larger chip";
    }
    return Result<>::failure(text);
}

// The clock the program runs at, or why the oscillator cannot give it.
Result<std::uint32_t> programClock(const PicChip& chip, const PicProgramSettings& settings) {
    using Refusal = Result<std::uint32_t>;
    const std::string name(chip.name);
    if (settings.oscillator == PicOscillator::crystal) {
        if (settings.clockHz != 0) return settings.clockHz;
        if (chip.internalClockHz == 0) {
            return Refusal::failure("the " + name + " has no internal oscillator: give its crystal's frequency");
        }
        return Refusal::failure("a crystal needs a clock: give the frequency of the " + name + "'s crystal");
    }
    if (chip.internalClockHz == 0) {
        return Refusal::failure("the " + name + " has no internal oscillator: choose a crystal and give its frequency");
    }
    if (settings.clockHz != 0 && settings.clockHz != chip.internalClockHz) {
        return Refusal::failure("the " + name + "'s internal oscillator runs at " +
                                std::to_string(chip.internalClockHz) + " Hz, not " +
                                std::to_string(settings.clockHz) + " Hz: choose a crystal for that clock");
    }
    return chip.internalClockHz;
}

PlayerSettings playerSettings(const ProgramState& state, const PicProgramSettings& settings,
                              const PicProgramPlan& plan) {
    PlayerSettings player;
    player.chip = settings.chip;
    player.clockHz = plan.clockHz;
    player.cyclesPerSample = plan.timing.cyclesPerSample;
    player.storage = plan.storage;
    player.tableReads = plan.tableReads;
    player.twoPins = state.encoder.algorithmType == kAlgorithmOneAndHalfBit;
    player.loop = settings.loop;
    player.oscillator = plan.oscillator;
    player.trigger = settings.trigger;
    player.form = settings.form;
    player.org = settings.org;
    player.ram = settings.ram;
    if (settings.trigger != PlayTrigger::reset || settings.form == PlayerForm::routine) {
        for (const PlannedSound& sound : plan.sounds) player.bank.push_back({sound.firstWord, sound.tableReads});
    }
    return player;
}

PicAssembly chipPlayer(const ProgramState& state, const PicProgramSettings& settings, const PicProgramPlan& plan) {
    const PlayerSettings player = playerSettings(state, settings, plan);
    return buildPlayer(player);
}

std::vector<ProgramWords> programMemory(SoundBank sounds, const PicProgramSettings& settings,
                                        const PicProgramPlan& plan, const PicAssembly& player) {
    std::vector<ProgramWords> memory;
    memory.push_back({player.origin(), player.words()});
    for (std::size_t k = 0; k < sounds.size(); ++k) {
        const PlannedSound& sound = plan.sounds[k];
        memory.push_back({sound.firstWord, tableWords(plan.storage, settings.chip->family,
                                                      sounds[k]->bitStream.data(), sound.storedSamples)});
    }
    if (settings.form == PlayerForm::routine) return memory;  // the user's program has its own config
    for (const ConfigRecord& record : configRecordsFor(*settings.chip, plan.oscillator, plan.clockHz)) {
        if (!memory.back().words.empty() && memory.back().address + memory.back().words.size() == record.address) {
            memory.back().words.push_back(record.value);
        } else {
            memory.push_back({record.address, {record.value}});
        }
    }
    return memory;
}

std::string_view playsText(bool loop) {
    return loop ? "; Plays      for ever, from power-up or reset, after a slow rise to half the supply"
                : "; Plays      once after every reset between a slow rise and fall, then sleeps";
}

std::string hexWord(std::uint32_t value) { return formatHexWord(value); }

std::string storageText(PicStorage storage) {
    switch (storage) {
    case PicStorage::retlw: return "8 samples per word in retlw";
    case PicStorage::packed14: return "14 samples per word, read back";
    case PicStorage::packed16: return "16 samples per word, read back";
    }
    return {};
}

// Packed words as data, eight to a line, from their first word.
void writePackedTables(TextChunkWriter& out, const ProgramWords& words, std::string_view what) {
    out.line("");
    out.line("; " + std::string(what) + ", " + std::to_string(words.words.size()) + " words from word " +
             std::to_string(words.address));
    out.line("        org     " + std::to_string(words.address));
    const std::vector<std::uint16_t>& values = words.words;
    for (std::size_t k = 0; k < values.size(); k += 8) {
        std::string line = "        dw      ";
        for (std::size_t i = k; i < std::min(values.size(), k + 8); ++i) {
            if (i != k) line += ", ";
            line += hexWord(values[i]);
        }
        out.line(line);
    }
}

// The strobe, the select pins with their bits, and each sound's number.
void writeSelectLines(TextChunkWriter& out, const PicChip& chip, const PicProgramPlan& plan) {
    out.line("; Plays      the sound whose number (0 for sound 1) is on the select pins when the strobe");
    out.line(";            is pulled low, between a slow rise and fall; asleep between");
    out.line("; Strobe     " + pinLabel(chip.triggerPins[0].pin));
    std::string bits;
    for (std::size_t k = 1; k < triggerPinCount(chip); ++k) {
        bits += (k == 1 ? "" : ", ") + pinLabel(chip.triggerPins[k].pin) + " bit " + std::to_string(k - 1);
    }
    out.line("; Select     " + bits);
    for (std::size_t k = 0; k < plan.sounds.size(); ++k) {
        out.line("; Sound " + std::to_string(k + 1) + "    number " + std::to_string(k) + ": " +
                 std::to_string(plan.sounds[k].storedSamples) + " samples from word " +
                 std::to_string(plan.sounds[k].firstWord));
    }
}

void writeHeader(TextChunkWriter& out, const ProgramState& state, const PicProgramSettings& settings,
                 const PicProgramPlan& plan) {
    const PicChip& chip = *settings.chip;
    const EncoderState& encoder = state.encoder;
    const std::string rule = ";=====================================================";
    out.line(rule);
    out.line("; PIC program made by " + std::string(kProductName) + " " + std::string(kVersionText));
    out.line("; The player is at address 0 and the sound's tables from word " +
             std::to_string(plan.sounds.front().firstWord) + ";");
    out.line("; gpasm assembles this file on its own.");
    out.line(rule);
    out.line("; Chip       " + std::string(chip.name) + ", " +
             (plan.oscillator == PicOscillator::internal ? "internal oscillator" : "crystal") + " at " +
             std::to_string(plan.clockHz) + " Hz");
    out.line("; Sound      " + std::to_string(encoder.sampleCount) + " samples at " +
             std::to_string(encoder.sampleRate) + " Hz, " + std::string(schemeItemText(encoder.algorithmType)) +
             ", " + std::string(finenessItemText(encoder.fineness)) + "; " + std::to_string(plan.storedSamples) + " samples played");
    out.line("; Playback   " + std::to_string(plan.timing.cyclesPerSample) + " cycles per sample = " +
             formatFixed(plan.timing.playbackRate, 3) + " Hz (pitch " +
             formatFixed(plan.timing.pitchErrorPercent, 3, true) + " %)");
    out.line("; Memory     " + std::to_string(plan.usedWords) + " of " + std::to_string(plan.totalWords) +
             " words (player " + std::to_string(plan.playerWords) + ", tables " + std::to_string(plan.tableWords) +
             ", " + storageText(plan.storage) + ")");
    if (settings.trigger == PlayTrigger::pins) {
        out.line("; Plays      sound k when its pin is pulled low, between a slow rise and fall; asleep between");
        for (std::size_t k = 0; k < plan.sounds.size(); ++k) {
            out.line("; Sound " + std::to_string(k + 1) + "    " + pinLabel(chip.triggerPins[k].pin) + ": " +
                     std::to_string(plan.sounds[k].storedSamples) + " samples from word " +
                     std::to_string(plan.sounds[k].firstWord));
        }
    } else if (settings.trigger == PlayTrigger::select) {
        writeSelectLines(out, chip, plan);
    } else {
        out.line(playsText(settings.loop));
    }
    out.line(";");
    writePicCircuitComment(out, chip, encoder);
    out.line(rule);
    out.line("");
    if (isPic18(chip)) {
        writePic18Directives(out, chip, configRecordsFor(chip, plan.oscillator, plan.clockHz));
        out.line("");
        return;
    }
    out.line("        list    p=" + std::string(chip.processor) + ", r=dec");
    out.line("        errorlevel -302         ; other banks are reached through RP0 and RP1");
    for (const ConfigRecord& record : configRecordsFor(chip, plan.oscillator, plan.clockHz)) {
        out.line("        __config " + hexWord(record.address) + ", " + hexWord(record.value));
    }
    out.line("");
}

}  // namespace

void writePicCircuitComment(TextChunkWriter& out, const PicChip& chip, const EncoderState& encoder) {
    const bool twoPins = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    const std::string ohms = std::to_string(twoPins ? 2 * std::int64_t{encoder.resistorOhms} : encoder.resistorOhms);
    std::string pinA = pinLabel(chip.pinA);
    std::string pinB = pinLabel(chip.pinB);
    const std::size_t width = std::max(pinA.size(), pinB.size());
    pinA.resize(width, ' ');
    pinB.resize(width, ' ');
    // The capacitor's lines stay under the junction whatever the labels' width.
    const std::string shift(7 + width, ' ');
    if (twoPins) {
        out.line("; Pin A " + pinA + " ---- 2R ----*---- audio out    each 2R = " + ohms + " ohms");
        out.line("; Pin B " + pinB + " ---- 2R ----'");
    } else {
        out.line("; Pin A " + pinA + " ---- R -----*---- audio out    R = " + ohms + " ohms");
    }
    out.line(";" + shift + "              |");
    out.line(";" + shift + "           C = 0.22 uF to ground");
}

PicProgramSettings::PicProgramSettings(const PicChip* forChip, std::uint32_t clock, bool forEver)
    : PicProgramSettings(forChip, clock, forEver,
                         forChip != nullptr ? defaultOscillator(*forChip, clock) : PicOscillator::internal) {}

PicProgramSettings::PicProgramSettings(const PicChip* forChip, std::uint32_t clock, bool forEver,
                                       PicOscillator chosen)
    : chip(forChip), clockHz(clock), loop(forEver), oscillator(chosen) {}

PicProgramSettings::PicProgramSettings(const PicChip* forChip, std::uint32_t clock, bool forEver,
                                       PicOscillator chosen, PicPacking packed)
    : chip(forChip), clockHz(clock), loop(forEver), oscillator(chosen), packing(packed) {}

std::string formatHexWord(std::uint32_t value) {
    std::array<char, 8> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value, 16).ptr;
    std::string text(digits.data(), end);
    for (char& c : text) c = static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    return "0x" + text;
}

std::string formatFixed(double value, int decimals, bool withSign) {
    std::array<char, 64> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed,
                                   decimals).ptr;
    std::string text(digits.data(), end);
    if (withSign && value >= 0) text.insert(text.begin(), '+');
    return text;
}

std::uint32_t playerMinCyclesFor(const PicChip& chip, bool loop, PicStorage storage, PlayerForm form) {
    return playerMinCycles(chip, loop, storage, form);
}

std::uint16_t defaultRoutineRam(const PicChip& chip) {
    return isPic18(chip) ? kDefaultPic18RoutineRam : kDefaultRoutineRam;
}

std::uint32_t playerMaxCyclesFor(const PicChip&) { return kPlayerMaxCycles; }

std::uint32_t picSampleCapacity(const PicChip& chip, PicPacking packing) {
    return storageSampleCapacity(chip, storageFor(chip, packing));
}

std::uint32_t highestFittingRate(const PicChip& chip, std::uint64_t frames, std::uint32_t frameRate,
                                 PicPacking packing) {
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
    if (frames == 0) return static_cast<std::uint32_t>(kLargest);
    // Whole numbers: capacity x frameRate stays below 2^64 for any chip and rate.
    const std::uint64_t rate = std::uint64_t{picSampleCapacity(chip, packing)} * frameRate / frames;
    return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(rate, kLowestFitRate, kLargest));
}

Result<PicProgramPlan> planPicProgram(const ProgramState& state, const PicProgramSettings& settings) {
    const ProgramState* const sounds[] = {&state};
    return planPicBank(sounds, settings);
}

Result<PicProgramPlan> planPicBank(SoundBank sounds, const PicProgramSettings& settings) {
    using Refusal = Result<PicProgramPlan>;
    if (settings.chip == nullptr) return Refusal::failure("no chip chosen");
    if (sounds.empty()) return Refusal::failure("no sound to play");
    const PicChip& chip = *settings.chip;
    const bool bank = sounds.size() > 1;
    const bool routine = settings.form == PlayerForm::routine;
    if (routine) {
        if (Result<> usable = checkRoutine(chip, settings); !usable) return usable.failureDetail();
        if (sounds.size() > 256) return Refusal::failure("W names at most 256 sounds, not " + std::to_string(sounds.size()));
    }
    if (Result<> trigger = checkTrigger(chip, settings, sounds.size()); !trigger) return trigger.failureDetail();
    const EncoderState& first = sounds.front()->encoder;
    for (std::size_t k = 1; k < sounds.size(); ++k) {
        const EncoderState& other = sounds[k]->encoder;
        if (other.sampleRate != first.sampleRate) {
            return Refusal::failure("the sounds of a bank share one rate, but sound " + std::to_string(k + 1) +
                                    " has " + std::to_string(other.sampleRate) + " Hz and sound 1 " +
                                    std::to_string(first.sampleRate) + " Hz: import them at one rate with -r");
        }
        if (other.algorithmType != first.algorithmType || other.fineness != first.fineness) {
            return Refusal::failure("the sounds of a bank share one scheme and fineness, but sound " +
                                    std::to_string(k + 1) + " differs from sound 1");
        }
    }
    PicProgramPlan plan;
    plan.totalWords = chip.programWords;
    const Result<std::uint32_t> clock = programClock(chip, settings);
    if (!clock) return clock.failureDetail();
    plan.clockHz = *clock;
    plan.oscillator = settings.oscillator;
    plan.storage = storageFor(chip, settings.packing);
    // A routine's tables are placed once its length is known.
    const std::uint32_t firstTableWord = routine ? 0 : kTableStartWord;
    std::uint32_t nextWord = firstTableWord;
    for (std::size_t k = 0; k < sounds.size(); ++k) {
        PlannedSound sound;
        sound.firstWord = nextWord;
        sound.storedSamples = storedSampleCount(plan.storage, sounds[k]->encoder.sampleCount);
        sound.tableReads = tableReadCount(plan.storage, sound.storedSamples);
        sound.tableWords = tableWordCount(plan.storage, sound.storedSamples);
        if (sound.tableReads == 0) {
            return Refusal::failure(std::string(bank ? "sound " + std::to_string(k + 1) : "the sound") +
                                    " is shorter than " +
                                    std::to_string(bitsPerTableWord(plan.storage) == 14 ? 14 : 8) +
                                    " samples: there is nothing to play");
        }
        nextWord += sound.tableWords;
        plan.sounds.push_back(sound);
    }
    plan.storedSamples = plan.sounds.front().storedSamples;
    plan.tableReads = plan.sounds.front().tableReads;
    plan.tableWords = nextWord - firstTableWord;
    Result<PlaybackTiming> timing =
        computePlaybackTiming(plan.clockHz, first.sampleRate,
                              playerMinCyclesFor(chip, settings.loop, plan.storage, settings.form),
                              playerMaxCyclesFor(chip));
    if (!timing) return timing.failureDetail();
    plan.timing = *timing;
    if (routine) {
        // Its length does not depend on where the tables land.
        plan.playerWords = chipPlayer(*sounds.front(), settings, plan).size();
        if (Result<> placed = placeRoutine(chip, settings, plan); !placed) return placed.failureDetail();
        return plan;
    }
    plan.usedWords = nextWord;
    if (plan.usedWords > chip.programWords) {
        if (!bank) return Refusal::failure(fitError(chip, plan, first.sampleRate, settings.packing));
        return Refusal::failure(bankFitError(chip, plan));
    }
    plan.playerWords = chipPlayer(*sounds.front(), settings, plan).size();
    // A player that outgrows words 0 to 255 (four sounds on their pins) moves the tables up.
    if (plan.playerWords > kTableStartWord) {
        const std::uint32_t shift = plan.playerWords - kTableStartWord + kPlayerGrowthRoom;
        for (PlannedSound& sound : plan.sounds) sound.firstWord += shift;
        plan.usedWords += shift;
        plan.playerWords = chipPlayer(*sounds.front(), settings, plan).size();
        if (plan.playerWords > plan.sounds.front().firstWord) {
            return Refusal::failure("the player for " + std::to_string(sounds.size()) +
                                    " sounds outgrows its room before the tables");
        }
        if (plan.usedWords > chip.programWords) return Refusal::failure(bankFitError(chip, plan));
    }
    return plan;
}

Result<PicProgram> buildPicProgram(const ProgramState& state, const PicProgramSettings& settings) {
    const ProgramState* const sounds[] = {&state};
    return buildPicBank(sounds, settings);
}

Result<PicProgram> buildPicBank(SoundBank sounds, const PicProgramSettings& settings) {
    Result<PicProgramPlan> plan = planPicBank(sounds, settings);
    if (!plan) return plan.failureDetail();
    PicProgram program;
    program.plan = *plan;
    program.player = chipPlayer(*sounds.front(), settings, program.plan);
    program.memory = programMemory(sounds, settings, program.plan, program.player);
    return program;
}

Result<std::string> picProgramHex(const ProgramState& state, const PicProgramSettings& settings) {
    const Result<PicProgram> program = buildPicProgram(state, settings);
    if (!program) return program.failureDetail();
    return formatIntelHex(program->memory);
}

Result<> writePicHex(const ProgramState& state, const PicProgramSettings& settings,
                            const OutputTarget& target) {
    const ProgramState* const sounds[] = {&state};
    return writePicBankHex(sounds, settings, target);
}

Result<> writePicBankHex(SoundBank sounds, const PicProgramSettings& settings, const OutputTarget& target) {
    const Result<PicProgram> program = buildPicBank(sounds, settings);
    if (!program) return program.failureDetail();
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    writer.write(formatIntelHex(program->memory));
    return writer.commit();
}

Result<> writePicAssembler(const ProgramState& state, const PicProgramSettings& settings,
                                  const OutputTarget& target) {
    const ProgramState* const sounds[] = {&state};
    return writePicBankAssembler(sounds, settings, target);
}

Result<> writePicBankAssembler(SoundBank sounds, const PicProgramSettings& settings, const OutputTarget& target) {
    const Result<PicProgram> built = buildPicBank(sounds, settings);
    if (!built) return built.failureDetail();
    const PicProgram& program = *built;
    const ProgramState& state = *sounds.front();
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    {
        TextChunkWriter out(writer);
        writeHeader(out, state, settings, program.plan);
        program.player.writeSource(out);
        if (isPic18(*settings.chip)) {
            for (std::size_t k = 0; k < sounds.size(); ++k) {
                const PlannedSound& sound = program.plan.sounds[k];
                writePic18Tables(out, program.plan.storage, sounds[k]->bitStream.data(), sound.tableReads,
                                 sound.firstWord, sounds.size() == 1 ? "The sound" : "Sound " + std::to_string(k + 1));
            }
        } else if (program.plan.storage == PicStorage::retlw && sounds.size() == 1) {
            writeRetlwTables(out, state.bitStream.data(), program.plan.tableReads);
        } else {
            for (std::size_t k = 0; k < sounds.size(); ++k) {
                const std::string what = sounds.size() == 1 ? std::string("The sound, first sample at bit 13")
                                         : "Sound " + std::to_string(k + 1) +
                                               (program.plan.storage == PicStorage::retlw ? ", retlw words"
                                                                                         : ", first sample at bit 13");
                writePackedTables(out, program.memory[k + 1], what);
            }
        }
        out.line("");
        out.line("        end");
    }
    return writer.commit();
}

}  // namespace ryx
