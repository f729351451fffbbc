#pragma once
// A PIC program's plan as both PIC dialogs show it: the oscillator, rate,
// cycles, memory and pins, or the refusal in red.

#include "core/Result.h"
#include "firmware/PicProgram.h"

class QLabel;

namespace ryx::ui {

void showPicPlan(QLabel& label, const Result<PicProgramPlan>& planned, const PicChip& chip);

}  // namespace ryx::ui
