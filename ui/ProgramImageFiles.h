#pragma once
// Saving a PIC program whose sounds are in a serial memory: the program and
// the memory's image go together, both planned before either is written, and
// either both are written or neither is.

#include "core/Result.h"
#include "firmware/PicProgram.h"
#include "firmware/SerialMemory.h"

#include <filesystem>
#include <functional>

namespace ryx::ui {

// The image beside the program: NAME-MEMORY.hex for NAME.hex or NAME.asm
// (the memory in lower case), Intel HEX.
std::filesystem::path memoryImagePath(const std::filesystem::path& program, const SerialMemory& memory);

// Writes the program file at the path it is given, whole or not at all.
using ProgramFileWriter = std::function<Result<>(const std::filesystem::path&)>;

// Without a memory in `settings`: writeProgram(program). With one: the plan
// and the image's bytes first (a refusal writes nothing), then the image
// into a temporary file, the program, and the image put in place; when the
// image cannot be put in place the program is removed again.
Result<> writeProgramAndImage(SoundBank sounds, const PicProgramSettings& settings,
                              const std::filesystem::path& program, const ProgramFileWriter& writeProgram);
// The same for sounds of any length, each image sound as long as its bits.
Result<> writeProgramAndImage(EncodedBank sounds, const PicProgramSettings& settings,
                              const std::filesystem::path& program, const ProgramFileWriter& writeProgram);

}  // namespace ryx::ui
