#include "ui/UserSettings.h"

namespace ryx::ui {

QSettings userSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("ryx-encoder"),
                     QStringLiteral("ryx-encoder"));
}

}  // namespace ryx::ui
