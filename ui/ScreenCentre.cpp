#include "ui/ScreenCentre.h"

#include <QScreen>
#include <QWidget>

namespace ryx::ui {

void centreOnScreen(QWidget& window) {
    const QWidget* anchor = window.parentWidget() != nullptr ? window.parentWidget() : &window;
    if (const QScreen* screen = anchor->screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->geometry().center());
        window.move(frame.topLeft());
    }
}

}  // namespace ryx::ui
