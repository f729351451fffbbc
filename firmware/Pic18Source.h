#pragma once
// The PIC18 parts of a program's source: the processor line and the config
// bytes, and the sounds' tables (the first from byte 0x200, word 256).

#include "export/TextChunkWriter.h"
#include "firmware/PicChip.h"
#include "firmware/SoundStorage.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace ryx {

// "list", the messages the player's source would raise, and each record's
// two config bytes, low byte first, at their byte addresses.
void writePic18Directives(TextChunkWriter& out, const PicChip& chip, std::span<const ConfigRecord> records);

// packed16: db lines, two bytes a word, the first in the low half; retlw: one
// retlw per byte. `tableReads` bytes of eight samples each, from `firstWord`
// (its byte address in the org); `whose` names the sound in the comment.
void writePic18Tables(TextChunkWriter& out, PicStorage storage, const std::uint8_t* bits, std::uint32_t tableReads,
                      std::uint32_t firstWord = kTableStartWord, std::string_view whose = "The sound");

}  // namespace ryx
