#include "ui/WindowFont.h"

namespace ryx::ui {

QFont windowFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QFont pictureFont() {
    QFont font = windowFont();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

}  // namespace ryx::ui
