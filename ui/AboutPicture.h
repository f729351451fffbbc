#pragma once
// The About box's 134 x 111 picture, drawn in code: a sound wave turned into
// bits, on its way into a microcontroller.

#include <QPixmap>

namespace ryx::ui {

inline constexpr int kAboutPictureWidth = 134;
inline constexpr int kAboutPictureHeight = 111;

QPixmap aboutPicture();

}  // namespace ryx::ui
