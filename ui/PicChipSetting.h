#pragma once
// The PIC chip last chosen for a program, kept in the user's settings: the
// PIC program and import dialogs both start from it.

#include "firmware/PicChip.h"

namespace ryx::ui {

// The default chip when none is stored or the stored name is unknown.
const PicChip& rememberedPicChip();
void rememberPicChip(const PicChip& chip);

}  // namespace ryx::ui
