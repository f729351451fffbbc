#pragma once
// A sound of any kind and any length imported piece by piece: the samples
// convertSound gives the whole sound (the same values), without its cut at
// kMaxSamples or the decoder's six-minute limit, handed to a sink a block at
// a time. The file is decoded up to three times (its mean, its peak after
// the rate change, then its samples) so that no more than a block of it is
// held at once; only a silence is held until the sound goes on after it.

#include "core/Result.h"
#include "import/ImportOptions.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace ryx {

using SampleSink = std::function<void(std::span<const std::uint8_t>)>;

struct StreamedSound {
    std::uint64_t samples = 0;  // handed to the sink
    std::uint32_t sourceRate = 0;
    std::uint64_t nonFiniteSamples = 0;  // NaN or infinite, taken as 0
};

// A refusal may come after samples went to the sink: they are no sound then.
Result<StreamedSound> streamSoundFile(const std::string& fileName, const ImportOptions& options,
                                      const SampleSink& sink);
Result<StreamedSound> streamSoundBytes(std::span<const std::uint8_t> bytes, const ImportOptions& options,
                                       const SampleSink& sink);

}  // namespace ryx
