#pragma once
// The fixed WAV header of the program's own layout: the reader takes the
// samples from this offset on, and the previews are written behind one.

#include <cstddef>

namespace ryx {

inline constexpr std::size_t kWaveHeaderSize = 46;

}  // namespace ryx
