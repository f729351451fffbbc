#pragma once
// The main window's picture above its controls: zoomed view, overview strip,
// marker, digits, status line and traces, drawn from the state alone.

#include "core/ProgramState.h"

class QPainter;

namespace ryx::ui {

// Paints the whole picture; the caller has filled the area with the face colour.
void FormDraw(QPainter& painter, const ProgramState& state);

}  // namespace ryx::ui
