#pragma once
// The PIC chip and serial memory last chosen for a program, kept in the
// user's settings: the PIC program, sound bank and import dialogs start from them.

#include "firmware/PicChip.h"
#include "firmware/SerialMemory.h"

namespace ryx::ui {

// The default chip when none is stored or the stored name is unknown.
const PicChip& rememberedPicChip();
void rememberPicChip(const PicChip& chip);

// Null (the sounds in the chip) when none is stored or the name is unknown.
const SerialMemory* rememberedMemory();
void rememberMemory(const SerialMemory* memory);

}  // namespace ryx::ui
