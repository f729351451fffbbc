#pragma once
// The user's settings file, shared by every dialog that remembers a choice.

#include <QSettings>

namespace ryx::ui {

// An INI file in the user's configuration folder (QSettings::setPath moves it).
QSettings userSettings();

}  // namespace ryx::ui
