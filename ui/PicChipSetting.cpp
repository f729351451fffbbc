#include "ui/PicChipSetting.h"

#include "ui/QtText.h"
#include "ui/UserSettings.h"

namespace ryx::ui {
namespace {

const QString kChipKey = QStringLiteral("PicProgram/chip");

}  // namespace

const PicChip& rememberedPicChip() {
    const PicChip* chip = findPicChip(userSettings().value(kChipKey).toString().toStdString());
    return chip != nullptr ? *chip : defaultPicChip();
}

void rememberPicChip(const PicChip& chip) { userSettings().setValue(kChipKey, fromView(chip.processor)); }

}  // namespace ryx::ui
