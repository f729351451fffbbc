#include "export/CHeaderExport.h"

#include "core/CircuitLabels.h"
#include "core/ListSelection.h"
#include "core/ProductInfo.h"
#include "export/BitPacking.h"

#include <set>

namespace ryx {
namespace {

constexpr std::size_t kBytesPerLine = 12;

// Every encoded sample, eight to a byte; the last byte may hold fewer.
std::uint32_t byteCountOf(const EncoderState& encoder) { return (encodedSampleCount(encoder) + 7) / 8; }

void appendHex(std::string& out, std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "0x";
    out += kDigits[value >> 4];
    out += kDigits[value & 15];
}

// Keeps the comment a comment whatever the file's name holds.
std::string commentSafe(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F || (text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/')) {
            result += '?';
        } else {
            result += text[i];
        }
    }
    return result;
}

// The parts the bits were chosen for: the circuit model's, or the classic R
// (each 2R under "1.5 bit").
std::string circuitComment(const ProgramState& state) {
    const EncoderState& encoder = state.encoder;
    if (state.filterModel == FilterModelChoice::circuit) return circuitModelText(state);
    const bool twoPins = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    return (twoPins ? "each 2R = " : "R = ") +
           std::to_string(twoPins ? 2 * std::int64_t{encoder.resistorOhms} : encoder.resistorOhms) +
           " ohms, C = 0.22 uF";
}

// The figures of each sound beside its array; the last byte's unused bits 0.
void writeSound(std::string& out, const CHeaderSound& sound) {
    const EncoderState& encoder = sound.state->encoder;
    const std::uint32_t samples = encodedSampleCount(encoder);
    const std::uint32_t bytes = byteCountOf(encoder);
    const bool twoPins = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    out += "\n/* " + commentSafe(sound.source) + ": " + std::to_string(encoder.sampleCount) + " samples at " +
           std::to_string(encoder.sampleRate) + " Hz, " + std::string(schemeItemText(encoder.algorithmType)) + ", " +
           std::string(finenessItemText(encoder.fineness)) + ", " + circuitComment(*sound.state) + ". */\n";
    out += "#define " + sound.name + "_SAMPLES " + std::to_string(samples) + "UL /* samples to play */\n";
    out += "#define " + sound.name + "_RATE " + std::to_string(encoder.sampleRate) + "UL /* samples a second */\n";
    out += "#define " + sound.name + "_PINS " + (twoPins ? "2 /* \"1.5 bit\": pin B plays the bit before */\n"
                                                         : "1 /* \"1 bit\" */\n");
    out += "#define " + sound.name + "_FINENESS " + std::to_string(encoder.fineness) + " /* \"" +
           std::string(finenessItemText(encoder.fineness)) + "\" */\n";
    // Where the declaration's specifiers are, both a keyword (__code) and an attribute (PROGMEM) are taken.
    out += "static const unsigned char RYX_STORAGE " + sound.name + "[" + std::to_string(bytes) + "] = {";
    const std::uint8_t* bits = sound.state->bitStream.data();
    for (std::uint32_t k = 0; k < bytes; ++k) {
        out += k % kBytesPerLine == 0 ? "\n    " : " ";
        const std::uint32_t unused = 8 * (k + 1) > samples ? 8 * (k + 1) - samples : 0;
        appendHex(out, static_cast<std::uint8_t>(packEightBits(bits + 8 * k) >> unused << unused));
        if (k + 1 < bytes) out += ',';
    }
    out += "\n};\n";
}

void writeTable(std::string& out, std::span<const CHeaderSound> sounds, const std::string& bank) {
    out += "\n#define " + bank + "_COUNT " + std::to_string(sounds.size()) + "\n";
    out += "static const unsigned char *const " + bank + "[" + std::to_string(sounds.size()) + "] = {";
    for (std::size_t i = 0; i < sounds.size(); ++i) out += (i == 0 ? "" : ", ") + sounds[i].name;
    out += "};\nstatic const unsigned long " + bank + "_samples[" + std::to_string(sounds.size()) + "] = {";
    for (std::size_t i = 0; i < sounds.size(); ++i) out += (i == 0 ? "" : ", ") + sounds[i].name + "_SAMPLES";
    out += "};\n";
}

}  // namespace

Result<> checkCHeader(std::span<const CHeaderSound> sounds, std::string_view bankName) {
    if (sounds.empty()) return Result<>::failure("a C header needs a sound");
    const std::string guard = cIncludeGuard(bankName.empty() ? std::string_view(sounds.front().name) : bankName);
    std::set<std::string, std::less<>> defined{"RYX_STORAGE", guard};
    const auto define = [&defined](const std::vector<std::string>& names) -> Result<> {
        if (std::string problem = cNameProblem(names.front()); !problem.empty()) {
            return Result<>::failure("the C name " + names.front() + " " + problem);
        }
        for (const std::string& name : names) {
            if (!defined.insert(name).second) return Result<>::failure("the C header would define " + name + " twice");
        }
        return {};
    };
    if (!bankName.empty()) {
        if (Result<> bank = define(cBankIdentifiers(bankName)); !bank) return bank;
    }
    for (const CHeaderSound& sound : sounds) {
        if (byteCountOf(sound.state->encoder) == 0) {
            return Result<>::failure("the sound " + sound.name +
                                     " has fewer than 2 samples, none encoded: a C array cannot be empty");
        }
        if (Result<> named = define(cSoundIdentifiers(sound.name)); !named) return named;
    }
    return {};
}

Result<> exportCHeader(std::span<const CHeaderSound> sounds, std::string_view bankName, const OutputTarget& target) {
    if (Result<> checked = checkCHeader(sounds, bankName); !checked) return checked;
    const std::string guard = cIncludeGuard(bankName.empty() ? std::string_view(sounds.front().name) : bankName);
    std::string out =
        "/* Made by " + std::string(kProductName) + " " + std::string(kVersionText) +
        ". Eight samples to a byte, the earliest in\n"
        " * the top bit: play NAME_SAMPLES of them in order at NAME_RATE, 1 sets the\n"
        " * pin high, 0 low; the last byte's unused bits are 0. Before the first\n"
        " * sample bring the output up to half the supply slowly, and after the last\n"
        " * back down to 0, as the PIC programs do (100 to 200 ms of pulses far faster\n"
        " * than the rate): a sudden step there clicks. */\n";
    out += "#ifndef " + guard + "\n#define " + guard + "\n\n";
    out += "/* Define RYX_STORAGE before including to place the arrays, e.g. PROGMEM,\n"
           " * or __code with SDCC. */\n"
           "#ifndef RYX_STORAGE\n#define RYX_STORAGE\n#endif\n";
    for (const CHeaderSound& sound : sounds) writeSound(out, sound);
    if (!bankName.empty()) writeTable(out, sounds, std::string(bankName));
    out += "\n#endif\n";
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    writer.write(out);
    return writer.commit();
}

}  // namespace ryx
