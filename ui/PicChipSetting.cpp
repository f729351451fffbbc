#include "ui/PicChipSetting.h"

#include "ui/QtText.h"
#include "ui/UserSettings.h"

namespace ryx::ui {
namespace {

const QString kChipKey = QStringLiteral("PicProgram/chip");
const QString kMemoryKey = QStringLiteral("PicProgram/memory");

}  // namespace

const PicChip& rememberedPicChip() {
    const PicChip* chip = findPicChip(userSettings().value(kChipKey).toString().toStdString());
    return chip != nullptr ? *chip : defaultPicChip();
}

void rememberPicChip(const PicChip& chip) { userSettings().setValue(kChipKey, fromView(chip.processor)); }

const SerialMemory* rememberedMemory() {
    return findMemory(userSettings().value(kMemoryKey).toString().toStdString());
}

void rememberMemory(const SerialMemory* memory) {
    userSettings().setValue(kMemoryKey, memory != nullptr ? fromView(memory->name) : QString());
}

}  // namespace ryx::ui
