#pragma once

class QWidget;

namespace ryx::ui {

// Moves a window so that its frame is centred on its screen (the screen of
// its parent, when it has one), whatever window it belongs to.
void centreOnScreen(QWidget& window);

}  // namespace ryx::ui
