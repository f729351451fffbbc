#pragma once

#include <QFont>

namespace ryx::ui {

// The windows' font: a plain sans-serif face, 11 pixels high.
QFont windowFont();
// The same font drawn without antialiasing, so that text pixels are exact.
QFont pictureFont();

}  // namespace ryx::ui
