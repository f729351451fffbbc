#include "cli/MemoryImageOutput.h"

#include "firmware/MemoryImage.h"

#include <vector>

namespace ryx::cli {

Result<> writeImageFile(EncodedBank sounds, const PicProgramSettings& settings, const OutputTarget& target) {
    if (settings.memory == nullptr || sounds.empty()) return Result<>::failure("no serial memory for the image");
    std::vector<SoundBits> bits;
    for (const EncodedSound& sound : sounds) {
        if (sound.bits.size() < sound.playedSamples()) return Result<>::failure("a sound too long to be kept whole");
        bits.push_back(sound.bits.first(sound.playedSamples()));
    }
    return writeMemoryImage(*settings.memory, bits, sounds.front().encoder.sampleRate, target,
                            imagePlacementOf(settings));
}

void printImageSummary(std::ostream& out, EncodedBank sounds, const PicProgramSettings& settings,
                       const PicProgramPlan& plan, const std::string& imageName) {
    const std::uint32_t rate = sounds.front().encoder.sampleRate;
    std::uint64_t samples = 0;
    for (const PlannedSound& sound : plan.sounds) samples += sound.storedSamples;
    const double held = static_cast<double>(samples) / rate;
    const double room = static_cast<double>(memorySampleCapacity(*settings.memory, sounds.size(), imagePlacementOf(settings))) / rate;
    out << "  " << settings.memory->name << " image " << imageName << ": " << sounds.size()
        << (sounds.size() == 1 ? " sound, " : " sounds, ") << formatFixed(held, 2) << " s of the "
        << formatFixed(room, 2) << " s it holds at " << rate << " Hz\n";
}

std::string targetName(const PlannedInput& input, OutputKind kind) {
    for (const PlannedOutput& output : input.outputs) {
        if (output.kind == kind) return output.target.shownName();
    }
    return {};
}

std::string fitTargetName(const PicProgramSettings& settings) {
    return std::string(settings.memory != nullptr ? settings.memory->name : settings.chip->processor);
}

}  // namespace ryx::cli
