#pragma once
// Text placed by the top-left corner of its character cell, in the picture
// font (no antialiasing), on an opaque cell background: every text pixel has
// exactly the text colour or the background colour.

#include "ui/PictureGeometry.h"

#include <QRgb>

class QPainter;
class QString;

namespace ryx::ui {

class CellTextWriter {
public:
    // Sets the painter's font and opaque background; the caller saves and
    // restores the painter around the writer's use.
    CellTextWriter(QPainter& painter, QRgb background);

    void draw(PixelPoint topLeft, const QString& text, QRgb colour);

private:
    QPainter& painter_;
    int ascent_;
};

}  // namespace ryx::ui
