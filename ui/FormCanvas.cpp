#include "ui/FormCanvas.h"

#include "ui/WaveformPainter.h"

#include <QMouseEvent>
#include <QPainter>

namespace ryx::ui {

FormCanvas::FormCanvas(const ProgramState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setFixedSize(kWidth, kHeight);
    // Qt fills the area with the button-face colour before every paint.
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
}

void FormCanvas::paintEvent(QPaintEvent*) {
    {
        QPainter painter(this);
        FormDraw(painter, state_);
    }
    emit painted();
}

void FormCanvas::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (onMouseDown) onMouseDown(at.x(), at.y());
    event->accept();
}

}  // namespace ryx::ui
