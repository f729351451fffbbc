#include "firmware/PicProgram.h"

#include "io/AtomicFileWriter.h"
#include "core/CircuitLabels.h"
#include "core/ListSelection.h"
#include "core/ProductInfo.h"
#include "export/RetlwTables.h"
#include "export/TableLayout.h"
#include "export/TextChunkWriter.h"
#include "firmware/MemoryImage.h"
#include "firmware/MemoryWiring.h"
#include "firmware/Pic18Source.h"
#include "firmware/PlayerCode.h"
#include "firmware/PlayerSerialRead.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <stdexcept>

namespace ryx {
namespace {

// A sound's bits for its tables: a plan needs none, a built program all it plays.
const std::uint8_t* bitsOf(const EncodedSound& sound) {
    if (sound.bits.size() < sound.playedSamples()) throw std::invalid_argument("a sound without the bits it plays");
    return sound.bits.data();
}

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

// ", or a sample rate of at most 6400 Hz": the rate at which the sounds would fit,
// made again at it; empty when none from kLowestFitRate would.
std::string fittingRateText(EncodedBank sounds, const PicProgramSettings& settings, std::string_view lead) {
    const std::uint32_t rate = highestBankRate(sounds, settings);
    if (rate == 0) return {};
    return std::string(lead) + std::to_string(rate) + " Hz";
}

// The first sound whose table runs past the chip's memory.
std::string bankFitError(EncodedBank sounds, const PicProgramSettings& settings, const PicProgramPlan& plan) {
    const PicChip& chip = *settings.chip;
    std::size_t over = 0;
    while (over + 1 < plan.sounds.size() &&
           plan.sounds[over].firstWord + plan.sounds[over].tableWords <= chip.programWords) {
        ++over;
    }
    return "the bank does not fit the " + std::string(chip.name) + ": sound " + std::to_string(over + 1) +
           " runs past its " + std::to_string(chip.programWords) + " words; the sounds need " +
           std::to_string(plan.usedWords) + " words" +
           fittingRateText(sounds, settings, "; they fit at a sample rate of at most ");
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
    const bool fits = isPic18(chip) ? settings.ram >= kPic18RoutineRamLowest && settings.ram + kRoutineRegisters <= kPic18RoutineRamEnd
                                    : settings.ram >= kRoutineRamLowest && settings.ram + kRoutineRegisters <= kRoutineRamEnd;
    if (fits) return {};
    return Result<>::failure(routineRamRefusal(chip, settings.ram));
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

// The routine at its org, the tables right after it, the routine within one page.
Result<> placeRoutine(const PicChip& chip, const PicProgramSettings& settings, PicProgramPlan& plan) {
    const std::uint32_t org = settings.org;
    const std::uint32_t end = org + plan.playerWords;
    // A serial memory's sounds keep their numbers in its index.
    if (settings.memory == nullptr) {
        for (PlannedSound& sound : plan.sounds) sound.firstWord += end;
    }
    plan.usedWords = plan.playerWords + plan.tableWords;
    // A PIC18's goto and call reach all its memory.
    const std::uint32_t pageEnd = (org / kPageWords + 1) * kPageWords;
    if (isPic18(chip) || end <= pageEnd || pageEnd >= chip.programWords) return {};
    return Result<>::failure("the routine, " + std::to_string(plan.playerWords) + " words from org " +
                             formatHexWord(org) + ", would cross the page boundary at " + formatHexWord(pageEnd) +
                             " that its goto and call cannot: choose an org of at most " +
                             formatHexWord(pageEnd - plan.playerWords) + " or from " + formatHexWord(pageEnd));
}

// The routine and its tables past the chip's memory from its org.
std::string routineFitError(EncodedBank sounds, const PicProgramSettings& settings, const PicProgramPlan& plan) {
    const PicChip& chip = *settings.chip;
    const std::uint32_t org = settings.org;
    std::string text = "the sounds do not fit the " + std::string(chip.name) + " from org " + orgText(chip, org) +
                       ": the routine's " + std::to_string(plan.playerWords) + " words and the tables' " +
                       std::to_string(plan.tableWords) + " run to word " + formatHexWord(org + plan.usedWords - 1) +
                       ", past its " + std::to_string(chip.programWords) + " words";
    if (plan.usedWords + lowestRoutineOrg(chip) <= chip.programWords) {
        return text + ": choose an org of at most " + orgText(chip, chip.programWords - plan.usedWords) +
               fittingRateText(sounds, settings, ", or a sample rate of at most ");
    }
    const std::string rate = fittingRateText(sounds, settings, "a sample rate of at most ");
    return text + " from any org; use " + (rate.empty() ? "a lower sample rate" : rate + " (from this org)") +
           ", shorter sounds or a larger chip";
}

// What the serial memory's player cannot play, said before it is built.
Result<> checkMemory(const PicChip& chip, const PicProgramSettings& settings, std::size_t soundCount) {
    const SerialMemory& memory = *settings.memory;
    if (soundCount > kMaxImageSounds) {
        return Result<>::failure("a memory's index holds at most " + std::to_string(kMaxImageSounds) + " sounds, not " +
                                 std::to_string(soundCount));
    }
    return checkMemoryPins(chip, memory, settings.trigger, soundCount, settings.oscillator);
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

PlayerSettings playerSettings(const EncodedSound& state, const PicProgramSettings& settings,
                              const PicProgramPlan& plan) {
    PlayerSettings player;
    player.chip = settings.chip;
    player.clockHz = plan.clockHz;
    player.cyclesPerSample = plan.timing.cyclesPerSample;
    player.storage = plan.storage;
    // A count the player cannot hold is only measured here, for a plan the fit
    // refuses: the code is the same for every count.
    player.tableReads = std::min(plan.tableReads, kMostTableReads);
    player.lastReadSamples = plan.sounds.front().lastReadSamples;
    player.twoPins = state.encoder.algorithmType == kAlgorithmOneAndHalfBit;
    player.loop = settings.loop;
    player.oscillator = plan.oscillator;
    player.trigger = settings.trigger;
    player.form = settings.form;
    player.org = settings.org;
    player.ram = settings.ram;
    player.memory = settings.memory;
    if (settings.trigger != PlayTrigger::reset || settings.form == PlayerForm::routine) {
        for (const PlannedSound& sound : plan.sounds) {
            player.bank.push_back({sound.firstWord, std::min(sound.tableReads, kMostTableReads), sound.lastReadSamples});
        }
    }
    return player;
}

PicAssembly chipPlayer(const EncodedSound& state, const PicProgramSettings& settings, const PicProgramPlan& plan) {
    const PlayerSettings player = playerSettings(state, settings, plan);
    return buildPlayer(player);
}

// An SPI memory's SO on the chip's reset pin: its config word clears the MCLR enable.
bool memoryOnResetPin(const PicProgramSettings& settings) {
    return settings.memory != nullptr && settings.memory->bus == MemoryBus::spi &&
           settings.chip->memoryPins.resetPinConfigMask != 0;
}

std::vector<ProgramWords> programMemory(EncodedBank sounds, const PicProgramSettings& settings,
                                        const PicProgramPlan& plan, const PicAssembly& player) {
    std::vector<ProgramWords> memory;
    memory.push_back({player.origin(), player.words()});
    for (std::size_t k = 0; settings.memory == nullptr && k < sounds.size(); ++k) {
        const PlannedSound& sound = plan.sounds[k];
        memory.push_back({sound.firstWord, tableWords(plan.storage, settings.chip->family,
                                                      bitsOf(sounds[k]), sound.storedSamples)});
    }
    if (settings.form == PlayerForm::routine) return memory;  // the user's program has its own config
    for (const ConfigRecord& record :
         configRecordsFor(*settings.chip, plan.oscillator, plan.clockHz, memoryOnResetPin(settings))) {
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
// "800 samples from word 256", or the sound's entry in the memory's index.
std::string soundPlaceText(const PicProgramSettings& settings, const PlannedSound& sound) {
    const std::string samples = std::to_string(sound.storedSamples) + " samples";
    if (settings.memory != nullptr) return samples + ", entry " + std::to_string(sound.firstWord + 1) + " of the index";
    return samples + " from word " + std::to_string(sound.firstWord);
}

void writeSelectLines(TextChunkWriter& out, const PicProgramSettings& settings, const PicProgramPlan& plan) {
    const PicChip& chip = *settings.chip;
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
                 soundPlaceText(settings, plan.sounds[k]));
    }
}

void writeHeader(TextChunkWriter& out, const EncodedSound& state, const PicProgramSettings& settings,
                 const PicProgramPlan& plan) {
    const PicChip& chip = *settings.chip;
    const EncoderState& encoder = state.encoder;
    const std::string rule = ";=====================================================";
    out.line(rule);
    out.line("; PIC program made by " + std::string(kProductName) + " " + std::string(kVersionText));
    if (settings.memory != nullptr) {
        out.line("; The player is at address 0; it reads the sounds from the " + std::string(settings.memory->name) + ";");
    } else {
        out.line("; The player is at address 0 and the sound's tables from word " +
                 std::to_string(plan.sounds.front().firstWord) + ";");
    }
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
    if (settings.memory != nullptr) {
        out.line("; Memory     " + std::to_string(plan.usedWords) + " of " + std::to_string(plan.totalWords) +
                 " words (the player); the sounds in the " + std::string(settings.memory->name) +
                 "'s image, found by its index");
    } else {
        out.line("; Memory     " + std::to_string(plan.usedWords) + " of " + std::to_string(plan.totalWords) +
                 " words (player " + std::to_string(plan.playerWords) + ", tables " +
                 std::to_string(plan.tableWords) + ", " + storageText(plan.storage) + ")");
    }
    if (settings.trigger == PlayTrigger::pins) {
        out.line("; Plays      sound k when its pin is pulled low, between a slow rise and fall; asleep between");
        for (std::size_t k = 0; k < plan.sounds.size(); ++k) {
            out.line("; Sound " + std::to_string(k + 1) + "    " + pinLabel(chip.triggerPins[k].pin) + ": " +
                     soundPlaceText(settings, plan.sounds[k]));
        }
    } else if (settings.trigger == PlayTrigger::select) {
        writeSelectLines(out, settings, plan);
    } else {
        out.line(playsText(settings.loop));
    }
    out.line(";");
    writePicCircuitComment(out, chip, state);
    if (settings.memory != nullptr) out.line(externalMemoryLine(chip, *settings.memory));
    if (memoryOnResetPin(settings)) {
        out.line("; Reset      MCLR off in the config word: " + pinLabel(chip.memoryPins.so.pin) +
                 " is the memory's SO; the chip resets at power-up only");
    }
    out.line(rule);
    out.line("");
    if (isPic18(chip)) {
        writePic18Directives(out, chip, configRecordsFor(chip, plan.oscillator, plan.clockHz));
        out.line("");
        return;
    }
    out.line("        list    p=" + std::string(chip.processor) + ", r=dec");
    out.line("        errorlevel -302         ; other banks are reached through RP0 and RP1");
    for (const ConfigRecord& record : configRecordsFor(chip, plan.oscillator, plan.clockHz, memoryOnResetPin(settings))) {
        out.line("        __config " + hexWord(record.address) + ", " + hexWord(record.value));
    }
    out.line("");
}

static_assert(kMostSerialSoundSamples == 8 * kMostSerialReads);

std::string serialSoundTooLong(std::size_t count, std::size_t k, const PlannedSound& sound, std::uint32_t rate) {
    return std::string(count > 1 ? "sound " + std::to_string(k + 1) : "the sound") + " is too long for the player: " +
           "from a serial memory it plays at most " + std::to_string(kMostSerialSoundSamples) + " samples of one sound (" +
           formatFixed(rate == 0 ? 0.0 : static_cast<double>(kMostSerialSoundSamples) / rate, 2) + " s at " +
           std::to_string(rate) + " Hz), not " + std::to_string(sound.storedSamples) +
           "; make it a bank of shorter sounds or use a lower sample rate";
}

// A plan that streams from settings.memory: no tables, a sound's "reads"
// its bytes, the serial player's fewest cycles.
Result<PicProgramPlan> layOutFromMemory(EncodedBank sounds, const PicProgramSettings& settings, std::uint32_t rate,
                                        PicProgramPlan plan) {
    using Refusal = Result<PicProgramPlan>;
    plan.storage = PicStorage::retlw;
    for (std::size_t k = 0; k < sounds.size(); ++k) {
        PlannedSound sound;
        sound.firstWord = static_cast<std::uint32_t>(k);
        sound.storedSamples = sounds[k].playedSamples();
        sound.tableReads = (sound.storedSamples + 7) / 8;
        sound.lastReadSamples = sound.storedSamples - 8 * (sound.tableReads - 1);
        if (sound.storedSamples == 0) {
            return Refusal::failure(std::string(sounds.size() > 1 ? "sound " + std::to_string(k + 1) : "the sound") +
                                    " is shorter than 2 samples: there is nothing to play");
        }
        if (settings.loop && sound.tableReads < 2) {
            return Refusal::failure("the sound's " + std::to_string(sound.storedSamples) +
                                    " samples fill one byte: a loop from a memory needs 9 or more");
        }
        plan.sounds.push_back(sound);
    }
    plan.storedSamples = plan.sounds.front().storedSamples;
    plan.tableReads = plan.sounds.front().tableReads;
    PlayerSettings probe = playerSettings(sounds.front(), settings, plan);
    plan.minCycles = serialMemoryMinCycles(probe);
    Result<PlaybackTiming> timing =
        computePlaybackTiming(plan.clockHz, rate, plan.minCycles, playerMaxCyclesFor(*settings.chip));
    if (!timing) return timing.failureDetail();
    plan.timing = *timing;
    plan.playerWords = chipPlayer(sounds.front(), settings, plan).size();
    plan.usedWords = plan.playerWords;
    if (settings.form == PlayerForm::routine) {
        if (Result<> placed = placeRoutine(*settings.chip, settings, plan); !placed) return placed.failureDetail();
    }
    return plan;
}

// Everything of the plan but its fit: the tables one after another from
// the first table word (a routine's right after it at its org), the player
// and its timing at `rate`.
Result<PicProgramPlan> layOutBank(EncodedBank sounds, const PicProgramSettings& settings, std::uint32_t rate) {
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
    if (settings.memory != nullptr) {
        if (Result<> memory = checkMemory(chip, settings, sounds.size()); !memory) return memory.failureDetail();
    }
    const EncoderState& first = sounds.front().encoder;
    for (std::size_t k = 1; k < sounds.size(); ++k) {
        const EncoderState& other = sounds[k].encoder;
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
    if (settings.memory != nullptr) return layOutFromMemory(sounds, settings, rate, std::move(plan));
    // A routine's tables are placed once its length is known.
    const std::uint32_t firstTableWord = routine ? 0 : kTableStartWord;
    std::uint32_t nextWord = firstTableWord;
    for (std::size_t k = 0; k < sounds.size(); ++k) {
        PlannedSound sound;
        sound.firstWord = nextWord;
        sound.storedSamples = sounds[k].playedSamples();
        sound.tableReads = tableReadCount(plan.storage, sound.storedSamples);
        sound.lastReadSamples = lastReadSamples(plan.storage, sound.storedSamples);
        sound.tableWords = tableWordCount(plan.storage, sound.storedSamples);
        if (sound.tableReads == 0) {
            return Refusal::failure(std::string(bank ? "sound " + std::to_string(k + 1) : "the sound") +
                                    " is shorter than 2 samples: there is nothing to play");
        }
        nextWord += sound.tableWords;
        plan.sounds.push_back(sound);
    }
    plan.storedSamples = plan.sounds.front().storedSamples;
    plan.tableReads = plan.sounds.front().tableReads;
    plan.tableWords = nextWord - firstTableWord;
    plan.minCycles = playerMinCyclesFor(chip, settings.loop, plan.storage, settings.form);
    Result<PlaybackTiming> timing =
        computePlaybackTiming(plan.clockHz, rate, plan.minCycles, playerMaxCyclesFor(chip));
    if (!timing) return timing.failureDetail();
    plan.timing = *timing;
    if (routine) {
        // Its length does not depend on where the tables land.
        plan.playerWords = chipPlayer(sounds.front(), settings, plan).size();
        if (Result<> placed = placeRoutine(chip, settings, plan); !placed) return placed.failureDetail();
        return plan;
    }
    plan.usedWords = nextWord;
    plan.playerWords = chipPlayer(sounds.front(), settings, plan).size();
    // A player that outgrows words 0 to 255 (four sounds on their pins) moves the tables up.
    if (plan.playerWords > kTableStartWord) {
        const std::uint32_t shift = plan.playerWords - kTableStartWord + kPlayerGrowthRoom;
        for (PlannedSound& sound : plan.sounds) sound.firstWord += shift;
        plan.usedWords += shift;
        plan.playerWords = chipPlayer(sounds.front(), settings, plan).size();
        if (plan.playerWords > plan.sounds.front().firstWord) {
            return Refusal::failure("the player for " + std::to_string(sounds.size()) +
                                    " sounds outgrows its room before the tables");
        }
    }
    return plan;
}

// The last word of the plan's block within the chip's memory.
bool fitsChip(const PicProgramSettings& settings, const PicProgramPlan& plan) {
    const std::uint32_t start = settings.form == PlayerForm::routine ? settings.org : 0;
    return std::uint64_t{start} + plan.usedWords <= settings.chip->programWords;
}

// Samples the plan's tables have room for: see picBankCapacity.
std::uint32_t tableCapacity(const PicChip& chip, const PicProgramPlan& plan) {
    const std::uint32_t first = plan.sounds.front().firstWord;
    if (first >= chip.programWords) return 0;
    const std::uint64_t bits = bitsPerTableWord(plan.storage);
    const std::uint64_t room = std::uint64_t{chip.programWords - first} * bits;
    const std::uint64_t lost = (plan.sounds.size() - 1) * (bits - 1);
    return static_cast<std::uint32_t>(room > lost ? room - lost : 0);
}

}  // namespace

Result<std::uint32_t> picBankCapacity(EncodedBank sounds, const PicProgramSettings& settings, std::uint32_t rate) {
    const Result<PicProgramPlan> plan = layOutBank(sounds, settings, rate);
    if (!plan) return plan.failureDetail();
    if (settings.memory != nullptr) {
        const std::uint64_t room = memorySampleCapacity(*settings.memory, sounds.size(), imagePlacementOf(settings));
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(room, std::numeric_limits<std::uint32_t>::max()));
    }
    return tableCapacity(*settings.chip, *plan);
}

std::uint32_t highestFittingRate(std::uint64_t capacity, std::uint64_t frames, std::uint32_t frameRate) {
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
    if (frames == 0) return static_cast<std::uint32_t>(kLargest);
    // Whole numbers: capacity x frameRate stays below 2^64 for any chip and rate.
    const std::uint64_t rate = capacity * frameRate / frames;
    return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(rate, kLowestFitRate, kLargest));
}

std::uint32_t highestBankRate(EncodedBank sounds, const PicProgramSettings& settings) {
    if (sounds.empty() || settings.chip == nullptr) return 0;
    const std::uint32_t rate = sounds.front().encoder.sampleRate;
    std::uint64_t samples = 0;
    for (const EncodedSound& sound : sounds) samples += sound.samples;
    // Each try at the rate the room at the last one allows; a routine's
    // length, and so its room, changes a little with the rate.
    std::uint32_t tried = rate;
    for (int attempt = 0; attempt < 8 && tried >= kLowestFitRate; ++attempt) {
        const Result<std::uint32_t> capacity = picBankCapacity(sounds, settings, tried);
        if (!capacity) return 0;
        // Each sound made again at the rate tried: its length scaled, rounded up.
        std::uint64_t needed = 0;
        for (const EncodedSound& sound : sounds) {
            needed += (std::uint64_t{sound.samples} * tried + rate - 1) / rate;
        }
        if (needed <= *capacity) return tried;
        if (samples == 0) return 0;
        tried = static_cast<std::uint32_t>(std::min<std::uint64_t>(tried - 1, std::uint64_t{*capacity} * rate / samples));
    }
    return 0;
}

namespace {

std::vector<const PicChip*> smallestChipsOf(EncodedBank sounds, const PicProgramSettings& settings,
                                            std::uint64_t samples, std::uint32_t rate) {
    std::vector<const PicChip*> smallest;
    for (const PicChip& chip : picChips()) {
        PicProgramSettings other = settings;
        other.chip = &chip;
        other.oscillator = defaultOscillator(chip, settings.clockHz);
        if (settings.form == PlayerForm::routine) other.ram = defaultRoutineRam(chip);
        // A chip these settings make no program for: its whole table room.
        const Result<std::uint32_t> capacity = picBankCapacity(sounds, other, rate);
        if ((capacity ? *capacity : picSampleCapacity(chip, settings.packing)) < samples) continue;
        if (!smallest.empty() && chip.programWords > smallest.front()->programWords) continue;
        if (!smallest.empty() && chip.programWords < smallest.front()->programWords) smallest.clear();
        smallest.push_back(&chip);
    }
    return smallest;
}

}  // namespace

std::string lowRateNoticeOf(EncodedBank sounds, const PicProgramSettings& settings, std::uint32_t rate,
                            std::uint64_t speechRateSamples) {
    const bool bank = sounds.size() > 1;
    std::string text = std::string(bank ? "the sounds fit" : "the sound fits") + " the " +
                       std::string(settings.memory != nullptr ? settings.memory->name : settings.chip->name) +
                       " only at " + std::to_string(rate) + " Hz, below the " + std::to_string(kLowestSpeechRate) +
                       " Hz that speech needs to stay clear: nothing above " + std::to_string(rate / 2) +
                       " Hz survives; ";
    if (settings.memory != nullptr) {
        return text + "a larger memory (ryxenc --list-memories) holds " + (bank ? "them" : "it") + " at " +
               std::to_string(kLowestSpeechRate) + " Hz";
    }
    const std::vector<const PicChip*> chips = smallestChipsOf(sounds, settings, speechRateSamples, kLowestSpeechRate);
    if (chips.empty()) {
        return text + "no chip holds " + (bank ? "them" : "it") + " at " + std::to_string(kLowestSpeechRate) +
               " Hz: make " + (bank ? "them" : "it") + " shorter";
    }
    text += "at " + std::to_string(kLowestSpeechRate) + " Hz " + (bank ? "they fit" : "it fits") + " the ";
    for (std::size_t k = 0; k < chips.size(); ++k) {
        if (k > 0) text += k + 1 == chips.size() ? " or the " : ", the ";
        text += chips[k]->name;
    }
    return text + " (" + std::to_string(chips.front()->programWords) + " words)";
}

ImagePlacement imagePlacementOf(const PicProgramSettings& settings) {
    return settings.loop || settings.form == PlayerForm::routine ? ImagePlacement::withinBlocks
                                                                 : ImagePlacement::acrossBlocks;
}

Result<PicProgramPlan> planPicBank(EncodedBank sounds, const PicProgramSettings& settings) {
    if (settings.chip == nullptr) return Result<PicProgramPlan>::failure("no chip chosen");
    if (sounds.empty()) return Result<PicProgramPlan>::failure("no sound to play");
    Result<PicProgramPlan> plan = layOutBank(sounds, settings, sounds.front().encoder.sampleRate);
    if (plan && settings.memory != nullptr) {
        std::vector<std::uint32_t> counts;
        for (const PlannedSound& sound : plan->sounds) counts.push_back(sound.storedSamples);
        const Result<MemoryImagePlan> image =
            planMemoryImage(*settings.memory, counts, sounds.front().encoder.sampleRate, imagePlacementOf(settings));
        if (!image) return image.failureDetail();
        for (std::size_t k = 0; k < plan->sounds.size(); ++k) {
            if (plan->sounds[k].tableReads <= kMostSerialReads) continue;
            return Result<PicProgramPlan>::failure(
                serialSoundTooLong(sounds.size(), k, plan->sounds[k], sounds.front().encoder.sampleRate));
        }
        return plan;
    }
    if (!plan || fitsChip(settings, *plan)) return plan;
    if (settings.form == PlayerForm::routine) return Result<PicProgramPlan>::failure(routineFitError(sounds, settings, *plan));
    if (sounds.size() == 1) {
        return Result<PicProgramPlan>::failure(
            fitError(*settings.chip, *plan, sounds.front().encoder.sampleRate, settings.packing));
    }
    return Result<PicProgramPlan>::failure(bankFitError(sounds, settings, *plan));
}



void writePicCircuitComment(TextChunkWriter& out, const PicChip& chip, const ProgramState& state) {
    writePicCircuitComment(out, chip, encodedSoundOf(state));
}

void writePicCircuitComment(TextChunkWriter& out, const PicChip& chip, const EncodedSound& state) {
    const EncoderState& encoder = state.encoder;
    const bool twoPins = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    const std::string ohms = std::to_string(twoPins ? 2 * std::int64_t{encoder.resistorOhms} : encoder.resistorOhms);
    // The circuit model names the parts its bits were chosen for.
    const bool circuitModel = state.filterModel == FilterModelChoice::circuit;
    const CircuitLabels labels = circuitModel ? circuitLabels(encoder, state.circuitParts) : CircuitLabels{};
    std::string pinA = pinLabel(chip.pinA);
    std::string pinB = pinLabel(chip.pinB);
    const std::size_t width = std::max(pinA.size(), pinB.size());
    pinA.resize(width, ' ');
    pinB.resize(width, ' ');
    // The capacitor's lines stay under the junction whatever the labels' width.
    const std::string shift(7 + width, ' ');
    if (twoPins) {
        out.line("; Pin A " + pinA + " ---- 2R ----*---- audio out    " +
                 (circuitModel ? labels.resistors : "each 2R = " + ohms + " ohms"));
        out.line("; Pin B " + pinB + " ---- 2R ----'");
    } else {
        out.line("; Pin A " + pinA + " ---- R -----*---- audio out    " +
                 (circuitModel ? labels.resistors : "R = " + ohms + " ohms"));
    }
    out.line(";" + shift + "              |");
    out.line(";" + shift + "           " + (circuitModel ? labels.capacitor : std::string("C = 0.22 uF")) +
             " to ground");
    if (!labels.load.empty()) out.line(";" + shift + "           " + labels.load + " to ground");
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

std::string routineRamRefusal(const PicChip& chip, std::uint32_t ram) {
    const std::string count = std::to_string(kRoutineRegisters);
    if (isPic18(chip)) {
        return "the routine's " + count + " file registers from " + formatHexWord(ram) +
               " are not all in the access bank's general-purpose memory: choose " +
               formatHexWord(kPic18RoutineRamLowest) + " to " + formatHexWord(kPic18RoutineRamEnd - kRoutineRegisters) +
               " (" + formatHexWord(kDefaultPic18RoutineRam) + ": its top 16 bytes)";
    }
    return "the routine's " + count + " file registers from " + formatHexWord(ram) +
           " are not all in bank 0's general-purpose memory: choose " + formatHexWord(kRoutineRamLowest) + " to " +
           formatHexWord(kRoutineRamEnd - kRoutineRegisters) + " (" + formatHexWord(kDefaultRoutineRam) +
           ": the bank every bank shares)";
}

std::uint32_t playerMaxCyclesFor(const PicChip&) { return kPlayerMaxCycles; }

std::uint32_t picSampleCapacity(const PicChip& chip, PicPacking packing) {
    return storageSampleCapacity(chip, storageFor(chip, packing));
}

std::uint32_t highestFittingRate(const PicChip& chip, std::uint64_t frames, std::uint32_t frameRate,
                                 PicPacking packing) {
    return highestFittingRate(std::uint64_t{picSampleCapacity(chip, packing)}, frames, frameRate);
}

Result<PicProgramPlan> planPicProgram(const ProgramState& state, const PicProgramSettings& settings) {
    const EncodedSound sounds[] = {encodedSoundOf(state)};
    return planPicBank(sounds, settings);
}

Result<PicProgram> buildPicProgram(const ProgramState& state, const PicProgramSettings& settings) {
    const EncodedSound sounds[] = {encodedSoundOf(state)};
    return buildPicBank(sounds, settings);
}

Result<PicProgram> buildPicBank(EncodedBank sounds, const PicProgramSettings& settings) {
    Result<PicProgramPlan> plan = planPicBank(sounds, settings);
    if (!plan) return plan.failureDetail();
    PicProgram program;
    program.plan = *plan;
    program.player = chipPlayer(sounds.front(), settings, program.plan);
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
    const EncodedSound sounds[] = {encodedSoundOf(state)};
    return writePicBankHex(sounds, settings, target);
}

Result<> writePicBankHex(EncodedBank sounds, const PicProgramSettings& settings, const OutputTarget& target) {
    const Result<PicProgram> program = buildPicBank(sounds, settings);
    if (!program) return program.failureDetail();
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    writer.write(formatIntelHex(program->memory));
    return writer.commit();
}

Result<> writePicAssembler(const ProgramState& state, const PicProgramSettings& settings,
                                  const OutputTarget& target) {
    const EncodedSound sounds[] = {encodedSoundOf(state)};
    return writePicBankAssembler(sounds, settings, target);
}

Result<> writePicBankAssembler(EncodedBank sounds, const PicProgramSettings& settings, const OutputTarget& target) {
    const Result<PicProgram> built = buildPicBank(sounds, settings);
    if (!built) return built.failureDetail();
    const PicProgram& program = *built;
    const EncodedSound& state = sounds.front();
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    {
        TextChunkWriter out(writer);
        writeHeader(out, state, settings, program.plan);
        program.player.writeSource(out);
        if (settings.memory != nullptr) {
            // The sounds are in the memory's image.
        } else if (isPic18(*settings.chip)) {
            for (std::size_t k = 0; k < sounds.size(); ++k) {
                const PlannedSound& sound = program.plan.sounds[k];
                const std::vector<std::uint8_t> bits =
                    paddedTableBits(program.plan.storage, bitsOf(sounds[k]), sound.storedSamples);
                writePic18Tables(out, program.plan.storage, bits.data(), sound.tableReads,
                                 sound.firstWord, sounds.size() == 1 ? "The sound" : "Sound " + std::to_string(k + 1));
            }
        } else if (program.plan.storage == PicStorage::retlw && sounds.size() == 1) {
            const std::vector<std::uint8_t> bits =
                paddedTableBits(program.plan.storage, bitsOf(state), program.plan.storedSamples);
            writeRetlwTables(out, bits.data(), program.plan.tableReads);
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


// A bank of the window's states: each sound's bits stay in its state.
Result<std::uint32_t> picBankCapacity(SoundBank sounds, const PicProgramSettings& settings, std::uint32_t rate) {
    return picBankCapacity(encodedSoundsOf(sounds), settings, rate);
}

std::uint32_t highestBankRate(SoundBank sounds, const PicProgramSettings& settings) {
    return highestBankRate(encodedSoundsOf(sounds), settings);
}

std::vector<const PicChip*> smallestChipsFor(SoundBank sounds, const PicProgramSettings& settings,
                                             std::uint64_t samples, std::uint32_t rate) {
    return smallestChipsOf(encodedSoundsOf(sounds), settings, samples, rate);
}

std::string lowRateNotice(SoundBank sounds, const PicProgramSettings& settings, std::uint32_t rate,
                          std::uint64_t speechRateSamples) {
    return lowRateNoticeOf(encodedSoundsOf(sounds), settings, rate, speechRateSamples);
}

Result<PicProgramPlan> planPicBank(SoundBank sounds, const PicProgramSettings& settings) {
    return planPicBank(encodedSoundsOf(sounds), settings);
}

Result<PicProgram> buildPicBank(SoundBank sounds, const PicProgramSettings& settings) {
    return buildPicBank(encodedSoundsOf(sounds), settings);
}

Result<> writePicBankHex(SoundBank sounds, const PicProgramSettings& settings, const OutputTarget& target) {
    return writePicBankHex(encodedSoundsOf(sounds), settings, target);
}

Result<> writePicBankAssembler(SoundBank sounds, const PicProgramSettings& settings, const OutputTarget& target) {
    return writePicBankAssembler(encodedSoundsOf(sounds), settings, target);
}

}  // namespace ryx
