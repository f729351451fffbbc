#include "import/LongSoundImport.h"

#include "core/ProgramState.h"

#include <algorithm>

namespace ryx {

Result<LongImport> importLongSound(const LongSoundSource& source, const LongImportRequest& request) {
    LongImport sound;
    std::optional<SoundStreamEncoder> encoder;
    if (request.encoding) encoder.emplace(*request.encoding, request.keepAtMost);
    const SampleSink sink = [&](std::span<const std::uint8_t> block) {
        if (request.keepHead) {
            const std::size_t room = kMaxSamples - std::min<std::size_t>(sound.head.size(), kMaxSamples);
            const std::size_t taken = std::min(block.size(), room);
            sound.head.insert(sound.head.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(taken));
        }
        if (encoder) encoder->add(block);
    };
    Result<StreamedSound> streamed = source.fileName.empty()
                                         ? streamSoundBytes(source.bytes, request.options, sink)
                                         : streamSoundFile(source.fileName, request.options, sink);
    if (!streamed) return streamed.failureDetail();
    sound.streamed = *streamed;
    if (encoder) {
        sound.complete = encoder->complete();
        sound.bits = encoder->finish();
    }
    return sound;
}

}  // namespace ryx
