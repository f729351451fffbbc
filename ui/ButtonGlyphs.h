#pragma once
// The 32 x 16 pictures of the three sound buttons, drawn in code.

#include <QPixmap>

namespace ryx::ui {

inline constexpr int kGlyphWidth = 32;
inline constexpr int kGlyphHeight = 16;

// A green play triangle beside a small loudspeaker; the Ryx variant shows
// a row of bits instead of the loudspeaker.
QPixmap playOriginalGlyph();
QPixmap playRyxGlyph();
// A red stop square.
QPixmap stopGlyph();

}  // namespace ryx::ui
