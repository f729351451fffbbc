#include "PicProgramCheck.h"

#include "FuzzRequire.h"

#include "export/TableLayout.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ryx::fuzz {
namespace {

// Program memory by byte address, as a HEX file holds it.
using ByteImage = std::map<std::uint32_t, std::uint8_t>;

constexpr std::uint16_t kLargestWord = 0x3FFF;  // the mid-range PICs' words have 14 bits
constexpr std::uint32_t kSegmentBytes = 0x10000;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The bytes of ":LLAAAATT...CC", or none when the line is not hex pairs after a colon.
std::optional<std::vector<std::uint8_t>> recordBytes(std::string_view line) {
    if (line.size() < 3 || line[0] != ':' || line.size() % 2 == 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 1; at < line.size(); at += 2) {
        const int high = hexDigit(line[at]);
        const int low = hexDigit(line[at + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

// Every line one valid record of type 00, 01 or 04, LF-ended, the end record
// last; the data placed by the extended linear addresses, each byte once.
ByteImage readIntelHex(std::string_view text) {
    require(!text.empty() && text.back() == '\n');
    ByteImage image;
    std::uint32_t upper = 0;
    bool ended = false;
    for (std::size_t start = 0; start < text.size();) {
        require(!ended);
        const std::size_t end = text.find('\n', start);
        const std::optional<std::vector<std::uint8_t>> record = recordBytes(text.substr(start, end - start));
        start = end + 1;
        require(record.has_value() && record->size() >= 5);
        const std::vector<std::uint8_t>& bytes = *record;
        const std::uint32_t count = bytes[0];
        require(bytes.size() == 5 + count);
        std::uint8_t sum = 0;
        for (const std::uint8_t byte : bytes) sum = static_cast<std::uint8_t>(sum + byte);
        require(sum == 0);
        const std::uint32_t address = std::uint32_t{bytes[1]} << 8 | bytes[2];
        switch (bytes[3]) {
        case 0x00:
            require(address + count <= kSegmentBytes);
            for (std::uint32_t i = 0; i < count; ++i) {
                require(image.emplace((upper << 16) + address + i, bytes[4 + i]).second);
            }
            break;
        case 0x01:
            require(count == 0 && address == 0);
            ended = true;
            break;
        case 0x04:
            require(count == 2 && address == 0);
            upper = std::uint32_t{bytes[4]} << 8 | bytes[5];
            break;
        default:
            require(false);
        }
    }
    require(ended);
    return image;
}

// The words little-endian at twice their address; no two runs overlap.
ByteImage memoryImage(const std::vector<ProgramWords>& memory) {
    ByteImage image;
    for (const ProgramWords& run : memory) {
        for (std::size_t i = 0; i < run.words.size(); ++i) {
            const std::uint32_t at = 2 * (run.address + static_cast<std::uint32_t>(i));
            require(image.emplace(at, static_cast<std::uint8_t>(run.words[i] & 0xFF)).second);
            require(image.emplace(at + 1, static_cast<std::uint8_t>(run.words[i] >> 8)).second);
        }
    }
    return image;
}

// The player below the tables, the tables every encoded sample of the sound, all of it
// in the chip's memory but the config words; every word an instruction's width.
void checkLayout(const ProgramState& state, const PicProgramSettings& settings, const PicProgramPlan& plan,
                 const PicProgram& program) {
    const PicChip& chip = *settings.chip;
    require(program.plan.clockHz == plan.clockHz && program.plan.usedWords == plan.usedWords &&
            program.plan.playerWords == plan.playerWords && program.plan.tableWords == plan.tableWords &&
            program.plan.timing.cyclesPerSample == plan.timing.cyclesPerSample);
    require(plan.totalWords == chip.programWords && plan.usedWords <= plan.totalWords);
    require(plan.playerWords == program.player.size() && plan.playerWords <= kFirstTableAddress);
    // Every encoded sample is played, the last read padded.
    require(plan.storedSamples > 0 && plan.storedSamples == encodedSampleCount(state.encoder));
    if (settings.memory != nullptr) {
        require(plan.tableWords == 0 && plan.usedWords == plan.playerWords);
    } else {
        const std::uint32_t unit = plan.storage == PicStorage::packed14 ? 14 : 8;
        require(plan.usedWords == kTableStartWord + plan.tableWords);
        require(plan.tableReads == (plan.storedSamples + unit - 1) / unit);
    }
    require(plan.timing.cyclesPerSample > 0);
    for (const ProgramWords& run : program.memory) {
        for (const std::uint16_t word : run.words) require(word <= kLargestWord);
        if (run.address != chip.config[0].address) require(run.address + run.words.size() <= plan.usedWords);
    }
}

}  // namespace

bool checkPicProgram(const ProgramState& state, const PicProgramSettings& settings) {
    const Result<PicProgramPlan> plan = planPicProgram(state, settings);
    const Result<PicProgram> program = buildPicProgram(state, settings);
    const Result<std::string> hex = picProgramHex(state, settings);
    require(plan.ok() == program.ok() && program.ok() == hex.ok());
    if (!plan) {
        require(!plan.error().empty() && program.error() == plan.error() && hex.error() == plan.error());
        return false;
    }
    checkLayout(state, settings, *plan, *program);
    require(readIntelHex(*hex) == memoryImage(program->memory));
    return true;
}

}  // namespace ryx::fuzz
