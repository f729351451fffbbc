#pragma once
// The import dialog's remembered choices and the last folder a sound was
// imported from, kept in the user's settings between runs.

#include "import/ImportOptions.h"

#include <QString>

namespace ryx::ui {

// Any value that is missing or out of range reads as its default.
ImportOptions rememberedImportOptions();
void rememberImportOptions(const ImportOptions& options);

QString rememberedImportFolder();
void rememberImportFolder(const QString& folder);

}  // namespace ryx::ui
