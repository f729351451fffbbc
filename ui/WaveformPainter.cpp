#include "ui/WaveformPainter.h"

#include <QPainter>

namespace ryx::ui {

// Placeholder until the picture is drawn: the two black regions only.
void FormDraw(QPainter& painter, const ProgramState&) {
    painter.fillRect(QRect(5, 6, 489, 359), Qt::black);
    painter.fillRect(QRect(5, 371, 489, 36), Qt::black);
}

}  // namespace ryx::ui
