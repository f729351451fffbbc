#pragma once
// A sound imported whole, as long as it is, for a target that holds more than
// kMaxSamples (a serial memory, a PIC18 program): read piece by piece
// (SoundStream.h), its first kMaxSamples kept for a state to load, and every
// sample encoded as it comes (SoundStreamEncoder.h). Neither the whole sound
// nor its trace is ever held: only its bits, one byte each.

#include "core/Result.h"
#include "core/SoundStreamEncoder.h"
#include "import/ImportOptions.h"
#include "import/SoundStream.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ryx {

// The file to read as it goes, or, with no name, bytes held whole.
struct LongSoundSource {
    std::string fileName;
    std::span<const std::uint8_t> bytes;
};

struct LongImportRequest {
    ImportOptions options;
    std::optional<EncodingSettings> encoding;  // none: no bits (the settings are not known yet)
    std::uint64_t keepAtMost = std::numeric_limits<std::uint64_t>::max();  // bits kept (SoundStreamEncoder)
    bool keepHead = true;                                                  // the first kMaxSamples wanted
};

struct LongImport {
    StreamedSound streamed;
    std::vector<std::uint8_t> head;  // the first kMaxSamples, as loadSamples takes them
    std::vector<std::uint8_t> bits;  // every sample but the last, encoded; none without an encoding
    bool complete = true;            // every bit kept, none past keepAtMost
};

// The refusal is streamSoundFile's or streamSoundBytes's message.
Result<LongImport> importLongSound(const LongSoundSource& source, const LongImportRequest& request);

}  // namespace ryx
