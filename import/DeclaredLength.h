#pragma once
// What a sound file's own container says about its length, read from its
// first or last bytes. The decoder trusts a length only where it is exact,
// so that a file that ends early can be told from one that is whole.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace ryx {

// How much of a file's start and end the checks below need.
inline constexpr std::size_t kDeclaredLengthHead = std::size_t{256} << 10;
inline constexpr std::size_t kOggTail = 65536;  // more than the longest Ogg page

// The frames an uncompressed WAV or an AIFF header declares. Nothing for
// other formats, for the placeholder sizes of a file written to a pipe, or
// when the chunks before the sound reach past `head`.
std::optional<std::uint64_t> headerDeclaredFrames(std::span<const std::uint8_t> head);

// Whether an MPEG audio file beginning with `head` states its exact length
// (a Xing, Info or VBRI frame first); without one its length is an estimate.
bool statesExactMpegLength(std::span<const std::uint8_t> head);

// Whether an Ogg file ending with `tail` stops in mid-stream: no complete
// page ends the file, or the last one lacks the end-of-stream flag.
bool endsInMidOggStream(std::span<const std::uint8_t> tail);

}  // namespace ryx
