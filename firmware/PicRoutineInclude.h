#pragma once
// An assembler include for the user's own PIC16 or PIC18 program: the routine
// ryx_play (W: the sound's number from 0) at the settings' org, the sounds'
// tables right after it, its variables from the settings' ram; no reset
// vector, no config word, every name prefixed ryx_ and every number in 0x
// hex, so that it fits any source in any radix.

#include "core/Result.h"
#include "firmware/PicProgram.h"
#include "io/AtomicFileWriter.h"

namespace ryx {

// settings.form must be PlayerForm::routine. A refused plan writes nothing.
Result<> writePicRoutineInclude(SoundBank sounds, const PicProgramSettings& settings, const OutputTarget& target);
// The same for sounds of any length (from a serial memory, as long as it holds).
Result<> writePicRoutineInclude(EncodedBank sounds, const PicProgramSettings& settings, const OutputTarget& target);

}  // namespace ryx
