#pragma once
// The program's window icon, drawn in code to match the installed SVG icon.

#include <QIcon>

namespace ryx::ui {

QIcon appIcon();

}  // namespace ryx::ui
