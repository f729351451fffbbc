#pragma once
// A PIC program's plan as both PIC dialogs show it: the oscillator, rate,
// cycles, memory and pins (and a serial memory's wiring), or the refusal in red.

#include "core/Result.h"
#include "firmware/PicProgram.h"

class QLabel;

namespace ryx::ui {

void showPicPlan(QLabel& label, const Result<PicProgramPlan>& planned, const PicProgramSettings& settings);

}  // namespace ryx::ui
