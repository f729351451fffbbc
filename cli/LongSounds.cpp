#include "cli/LongSounds.h"

#include "cli/EncodeInput.h"
#include "cli/QuietStandardError.h"
#include "core/SoundLoad.h"
#include "core/SoundStreamEncoder.h"
#include "firmware/MemoryImage.h"
#include "firmware/PicProgram.h"
#include "formats/WaveLoad.h"
#include "import/ImportReport.h"
#include "import/LongSoundImport.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <optional>

namespace ryx::cli {
namespace {

// As an import from a pipe: more is refused, a named file is read as it goes.
constexpr std::size_t kLongestPipedInput = std::size_t{256} << 20;
constexpr std::size_t kWaveBlock = 65536;

// The encoded samples worth keeping: past them the target refuses the sound.
std::uint64_t targetCapacity(const CommandLine& options) {
    if (!options.memoryName.empty()) {
        if (const SerialMemory* memory = findMemory(options.memoryName)) return memorySampleCapacity(*memory);
    }
    const PicChip* chip = findPicChip(options.chipName);
    return chip != nullptr ? picSampleCapacity(*chip, options.packing) : 0;
}

}  // namespace

bool playsLongSounds(const CommandLine& options) {
    const PicChip* chip = findPicChip(options.chipName);
    const bool longTarget = !options.memoryName.empty() || (chip != nullptr && chip->family == PicFamily::pic18);
    const bool fixedFormat = !options.asmFile.empty() || !options.binFile.empty() || !options.wavFile.empty() ||
                             !options.originalWavFile.empty() || !options.cHeaderFile.empty() ||
                             !options.cPlayerFolder.empty();
    // A routine's sounds stay whole only in a memory: in the include's own tables they keep the cut.
    const bool include = !options.includeFile.empty();
    const bool program = !options.hexFile.empty() || !options.programFile.empty() || include;
    return longTarget && !fixedFormat && program && (!include || !options.memoryName.empty()) && !options.compare &&
           !options.report;
}

Result<std::vector<std::string>> LongSound::load(ProgramState& state, const CommandLine& options,
                                                 const std::string& input, std::uint32_t rate) {
    using Loaded = Result<std::vector<std::string>>;
    state.encoder.algorithmType = options.algorithmType;
    state.encoder.fineness = options.fineness;
    state.filterModel = options.filterModel;
    state.circuitParts = options.circuitParts;
    state.encoderChoice = options.optimal ? EncoderChoice::optimal : EncoderChoice::greedy;
    if (input_ != input) {
        Result<InputBytes> read = readInputBytes(input, kLongestPipedInput, {}, RegularFileBytes::leftInFile);
        if (!read) {
            return Loaded::failure(std::string(kCannotOpenMessage) + " (" + read.error() + ")", read.systemError());
        }
        input_ = input;
        read_ = std::move(*read);
        wave_ = !options.importRate;
    }
    if (!read_.leftInFile && read_.length > read_.bytes.size()) {
        return Loaded::failure("cannot " + std::string(wave_ ? "read" : "import") + " this sound: more than " +
                               std::to_string(kLongestPipedInput >> 20) +
                               " MiB from a pipe or the standard input; name the file instead");
    }
    rate_ = rate;
    keepAtMost_ = targetCapacity(options);
    bits_.clear();
    bitsFineness_ = 0;
    std::vector<std::string> warnings;
    if (wave_) {
        // The window's reader takes the header and the first kMaxSamples.
        std::vector<std::uint8_t> head;
        if (read_.leftInFile) {
            std::ifstream file(input_, std::ios::binary);
            head.resize(kLongestUsefulWave);
            file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
            head.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
        } else {
            head.assign(read_.bytes.begin(),
                        read_.bytes.begin() + static_cast<std::ptrdiff_t>(std::min(read_.bytes.size(), kLongestUsefulWave)));
        }
        InputBytes first;
        first.bytes = head;
        first.length = read_.length;
        // Its refusals as any WAV input's; nothing is cut.
        if (const Result<Warnings> loaded = loadWaveInput(state, first); !loaded) return loaded.failureDetail();
        rate_ = state.encoder.sampleRate;
        samples_ = read_.length - kWaveHeaderSize;
        if (samples_ > kMaxSamples && !options.autoFineness) {
            const Result<std::uint64_t> streamed = stream(state, options);
            if (!streamed) return streamed.failureDetail();
        }
        return warnings;
    }
    // An import: its first kMaxSamples into the state, all of it to the encoder.
    state.encoder.sampleRate = rate;
    LongImportRequest request{{rate, options.normalize, options.trim}, std::nullopt, keepAtMost_, true};
    if (!options.autoFineness) request.encoding = encodingSettingsOf(state);
    const QuietStandardError quiet;  // the MP3 decoder's own notes
    Result<LongImport> imported = importLongSound(source(), request);
    if (!imported) return Loaded::failure("cannot import this sound: " + imported.error());
    loadSamples(state, imported->head, rate);
    samples_ = imported->streamed.samples;
    if (request.encoding) {
        bits_ = std::move(imported->bits);
        bitsFineness_ = options.fineness;
    }
    return importNotices(ImportReport{.sourceRate = imported->streamed.sourceRate,
                                      .sampleRate = rate,
                                      .nonFiniteSamples = imported->streamed.nonFiniteSamples});
}

LongSoundSource LongSound::source() const {
    return {read_.leftInFile ? input_ : std::string(), read_.bytes};
}

Result<std::uint64_t> LongSound::stream(const ProgramState& state, const CommandLine& options) {
    using Streamed = Result<std::uint64_t>;
    std::uint64_t encoded = 0;
    if (wave_) {
        SoundStreamEncoder encoder(encodingSettingsOf(state), keepAtMost_);
        // Everything after the header is sound.
        if (read_.leftInFile) {
            std::ifstream file(input_, std::ios::binary);
            file.seekg(static_cast<std::streamoff>(kWaveHeaderSize));
            std::vector<std::uint8_t> block(kWaveBlock);
            std::uint64_t left = samples_;
            while (left > 0 && file) {
                const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
                file.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(wanted));
                const auto got = static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0));
                encoder.add(std::span(block).first(got));
                left -= got;
            }
            if (left > 0) return Streamed::failure(std::string(kCannotOpenMessage) + " (it changed while read)");
        } else {
            encoder.add(read_.bytes.subspan(kWaveHeaderSize));
        }
        encoded = encoder.samples();
        bits_ = encoder.finish();
    } else {
        const QuietStandardError quiet;
        const LongImportRequest request{
            {rate_, options.normalize, options.trim}, encodingSettingsOf(state), keepAtMost_, false};
        Result<LongImport> imported = importLongSound(source(), request);
        if (!imported) return Streamed::failure("cannot import this sound: " + imported.error());
        encoded = imported->streamed.samples;
        bits_ = std::move(imported->bits);
    }
    if (encoded != samples_) {
        bits_.clear();
        return Streamed::failure(std::string(kCannotOpenMessage) + " (it changed while read)");
    }
    bitsFineness_ = state.encoder.fineness;
    return encoded;
}

Result<> LongSound::encode(const ProgramState& state, const CommandLine& options) {
    if (samples_ <= kMaxSamples) return {};  // the state holds it whole
    if (bitsFineness_ == state.encoder.fineness) return {};
    const Result<std::uint64_t> streamed = stream(state, options);
    if (!streamed) return streamed.failureDetail();
    return {};
}

EncodedSound LongSound::view(const ProgramState& state) const { return encodedSoundOf(state, samples_, bits_); }

std::vector<EncodedSound> longSoundViews(std::span<const LongSound> sounds, std::span<ProgramState* const> states) {
    std::vector<EncodedSound> views;
    for (std::size_t k = 0; k < sounds.size(); ++k) views.push_back(sounds[k].view(*states[k]));
    return views;
}

}  // namespace ryx::cli
