#include "export/CHeaderExport.h"

#include "core/ListSelection.h"
#include "core/ProductInfo.h"
#include "export/BitPacking.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>

namespace ryx {
namespace {

constexpr std::size_t kBytesPerLine = 12;

constexpr std::array<std::string_view, 37> kKeywords{
    "auto",     "break",    "case",     "char",   "const",    "continue", "default",  "do",
    "double",   "else",     "enum",     "extern", "float",    "for",      "goto",     "if",
    "inline",   "int",      "long",     "register", "restrict", "return", "short",    "signed",
    "sizeof",   "static",   "struct",   "switch", "typedef",  "union",    "unsigned", "void",
    "volatile", "while",    "_Bool",    "_Complex", "_Imaginary"};

// The binary export's byte count: whole bytes of the encoded samples.
std::uint32_t byteCountOf(const EncoderState& encoder) {
    const std::uint32_t count = std::min(encoder.sampleCount, kMaxSamples);
    return count == 0 ? 0 : (count - 1) / 8;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

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

void writeSound(std::string& out, const CHeaderSound& sound) {
    const EncoderState& encoder = sound.state->encoder;
    const std::uint32_t bytes = byteCountOf(encoder);
    const bool twoPins = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    out += "\n/* " + commentSafe(sound.source) + ": " + std::to_string(encoder.sampleCount) + " samples at " +
           std::to_string(encoder.sampleRate) + " Hz, " + std::string(schemeItemText(encoder.algorithmType)) + ", " +
           std::string(finenessItemText(encoder.fineness)) + ", R = " +
           std::to_string(twoPins ? 2 * std::int64_t{encoder.resistorOhms} : encoder.resistorOhms) +
           (twoPins ? " ohms per pin" : " ohms") + ", C = 0.22 uF. */\n";
    out += "#define " + sound.name + "_SAMPLES " + std::to_string(bytes * 8) + "UL /* bits in the array */\n";
    out += "#define " + sound.name + "_RATE " + std::to_string(encoder.sampleRate) + "UL /* samples a second */\n";
    out += "#define " + sound.name + "_PINS " + (twoPins ? "2 /* \"1.5 bit\": pin B plays the bit before */\n"
                                                         : "1 /* \"1 bit\" */\n");
    out += "#define " + sound.name + "_FINENESS " + std::to_string(encoder.fineness) + " /* \"" +
           std::string(finenessItemText(encoder.fineness)) + "\" */\n";
    out += "static const unsigned char " + sound.name + "[" + std::to_string(bytes) + "] RYX_STORAGE = {";
    const std::uint8_t* bits = sound.state->bitStream.data();
    for (std::uint32_t k = 0; k < bytes; ++k) {
        out += k % kBytesPerLine == 0 ? "\n    " : " ";
        appendHex(out, packEightBits(bits + 8 * k));
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

std::string cIdentifierFor(std::string_view baseName) {
    std::string name;
    for (const char c : baseName) name += std::isalnum(static_cast<unsigned char>(c)) != 0 && c > 0 ? c : '_';
    if (name.empty() || std::all_of(name.begin(), name.end(), [](char c) { return c == '_'; })) return "sound";
    if (std::isdigit(static_cast<unsigned char>(name.front())) != 0) name.insert(0, "sound_");
    if (!isCIdentifier(name)) name += "_sound";
    return name;
}

bool isCIdentifier(std::string_view name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front())) != 0) return false;
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return c > 0 && (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_');
    });
    return plain && std::find(kKeywords.begin(), kKeywords.end(), name) == kKeywords.end();
}

Result<> exportCHeader(std::span<const CHeaderSound> sounds, std::string_view bankName, const OutputTarget& target) {
    std::set<std::string> names;
    for (const CHeaderSound& sound : sounds) {
        if (byteCountOf(sound.state->encoder) == 0) {
            return Result<>::failure("the sound " + sound.name + " is shorter than 9 samples: a C array cannot be empty");
        }
        if (!names.insert(sound.name).second) return Result<>::failure("two sounds are named " + sound.name);
    }
    const std::string guard = upper(sounds.size() == 1 ? sounds.front().name : std::string(bankName)) + "_H";
    std::string out = "/* Made by " + std::string(kProductName) + " " + std::string(kVersionText) +
                      ". Eight samples to a byte, the earliest in the top bit:\n"
                      " * play them in order at the rate, 1 sets the pin high, 0 low. */\n";
    out += "#ifndef " + guard + "\n#define " + guard + "\n\n";
    out += "/* Define RYX_STORAGE before including to place the arrays, e.g. PROGMEM. */\n"
           "#ifndef RYX_STORAGE\n#define RYX_STORAGE\n#endif\n";
    for (const CHeaderSound& sound : sounds) writeSound(out, sound);
    if (sounds.size() > 1) writeTable(out, sounds, std::string(bankName));
    out += "\n#endif\n";
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    writer.write(out);
    return writer.commit();
}

}  // namespace ryx
