#pragma once
// --memory and --image: the serial memory's image of a program's sounds,
// and the summary's line for it.

#include "cli/OutputPlan.h"
#include "core/Result.h"
#include "firmware/PicProgram.h"
#include "io/AtomicFileWriter.h"

#include <ostream>
#include <string>

namespace ryx::cli {

// The image of every sound the program plays (its played samples), as
// writeMemoryImage writes it; the settings name the memory.
Result<> writeImageFile(EncodedBank sounds, const PicProgramSettings& settings, const OutputTarget& target);

// "  24LC256 image sound.hex: 1 sound, 2.50 s of the 32.76 s it holds at 8000 Hz"
void printImageSummary(std::ostream& out, EncodedBank sounds, const PicProgramSettings& settings,
                       const PicProgramPlan& plan, const std::string& imageName);

// The planned output of that kind as the summary shows it; empty when none.
std::string targetName(const PlannedInput& input, OutputKind kind);

// What --fit fitted the sounds to: the memory, else the chip.
std::string fitTargetName(const PicProgramSettings& settings);

}  // namespace ryx::cli
