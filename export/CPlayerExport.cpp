#include "export/CPlayerExport.h"

namespace ryx {

std::string_view cPlayerFileName(CPlayerFile file) {
    switch (file) {
    case CPlayerFile::header: return "ryx_player.h";
    case CPlayerFile::source: return "ryx_player.c";
    case CPlayerFile::sounds: return "sounds.h";
    case CPlayerFile::main: return "main.c";
    }
    return {};
}

std::vector<CPlayerFile> cPlayerFiles(const CPlayerTarget& target) {
    std::vector<CPlayerFile> files{CPlayerFile::header, CPlayerFile::source, CPlayerFile::sounds};
    if (!target.mcu.empty()) files.push_back(CPlayerFile::main);
    return files;
}

Result<CPlayerSettings> planCPlayer(std::span<const CHeaderSound> sounds, const CPlayerChoice& choice) {
    const CPlayerTarget& target = *choice.target;
    const EncoderState& encoder = sounds.front().state->encoder;
    CPlayerSettings settings{.target = &target,
                             .sampleRate = encoder.sampleRate,
                             .twoPins = encoder.algorithmType == kAlgorithmOneAndHalfBit,
                             .loop = choice.loop,
                             .bank = choice.bank && !target.mcu.empty(),
                             .timer = {}};
    if (target.mcu.empty()) return settings;
    if (settings.bank && sounds.size() > target.triggerPins) {
        return Result<CPlayerSettings>::failure("the " + std::string(target.processor) + " has " +
                                                std::to_string(target.triggerPins) + " trigger pins, not " +
                                                std::to_string(sounds.size()));
    }
    Result<SampleTimer> timer = planSampleTimer(target, choice.clockHz == 0 ? target.defaultClockHz : choice.clockHz,
                                                settings.sampleRate);
    if (!timer) return timer.failureDetail();
    settings.timer = *timer;
    return settings;
}

Result<> exportCPlayerFile(CPlayerFile file, std::span<const CHeaderSound> sounds, std::string_view bankName,
                           const CPlayerSettings& settings, const OutputTarget& target) {
    if (file == CPlayerFile::sounds) return exportCHeader(sounds, bankName, target);
    std::string text;
    if (file == CPlayerFile::header) text = cPlayerHeaderText(settings, sounds.size());
    if (file == CPlayerFile::main) text = cPlayerMainText(settings, sounds.size());
    if (file == CPlayerFile::source) {
        std::vector<CPlayerSound> named;
        for (const CHeaderSound& sound : sounds) {
            named.push_back({sound.name, encodedSampleCount(sound.state->encoder)});
        }
        text = cPlayerSourceText(settings, named);
    }
    AtomicFileWriter writer(target);
    if (Result<> opened = writer.open(); !opened) return opened;
    writer.write(text);
    return writer.commit();
}

}  // namespace ryx
