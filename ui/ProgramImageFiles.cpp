#include "ui/ProgramImageFiles.h"

#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"
#include "io/AtomicFileWriter.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>
#include <vector>

namespace ryx::ui {

std::filesystem::path memoryImagePath(const std::filesystem::path& program, const SerialMemory& memory) {
    std::string name(memory.name);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    std::filesystem::path image = program;
    image.replace_filename(program.stem().string() + "-" + name + ".hex");
    return image;
}

Result<> writeProgramAndImage(SoundBank sounds, const PicProgramSettings& settings,
                              const std::filesystem::path& program, const ProgramFileWriter& writeProgram) {
    return writeProgramAndImage(encodedSoundsOf(sounds), settings, program, writeProgram);
}

Result<> writeProgramAndImage(EncodedBank sounds, const PicProgramSettings& settings,
                              const std::filesystem::path& program, const ProgramFileWriter& writeProgram) {
    if (settings.memory == nullptr) return writeProgram(program);
    if (Result<PicProgramPlan> plan = planPicBank(sounds, settings); !plan) return plan.failureDetail();
    // Every sample the program plays, as the command line's --image holds them.
    std::vector<SoundBits> bits;
    for (const EncodedSound& sound : sounds) {
        if (sound.bits.size() < sound.playedSamples()) return Result<>::failure("a sound too long to be kept whole");
        bits.push_back(sound.bits.first(sound.playedSamples()));
    }
    const Result<std::vector<std::uint8_t>> bytes =
        memoryImage(*settings.memory, bits, sounds.front().encoder.sampleRate, imagePlacementOf(settings));
    if (!bytes) return bytes.failureDetail();

    const std::filesystem::path imagePath = memoryImagePath(program, *settings.memory);
    AtomicFileWriter image(imagePath);
    if (Result<> opened = image.open(); !opened) return opened;
    image.write(formatIntelHexBytes(0, *bytes));
    if (Result<> written = writeProgram(program); !written) return written;  // the image's temporary goes too
    if (Result<> placed = image.commit(); !placed) {
        std::error_code ignored;
        std::filesystem::remove(program, ignored);
        return placed;
    }
    return {};
}

}  // namespace ryx::ui
