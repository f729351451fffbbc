#pragma once
// Painting the pictures into images and reading them back, for pixel tests.

#include "core/ProgramState.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ryx::test {

// A face colour that neither picture uses.
inline constexpr QRgb kTestFace = qRgb(236, 233, 216);

// The state after start-up: 490 silent samples, message empty.
std::unique_ptr<ProgramState> startedState();

// The main window's picture on a 500 x 499 image filled with kTestFace.
QImage paintMainPicture(const ProgramState& state);
// The filter dialog's picture on a 250 x 250 image filled with kTestFace.
QImage paintFilterPicture(const ProgramState& state);

// The character cell of text in the picture font with its top left at topLeft.
QRect textCell(QPoint topLeft, const QString& text);

// Whether the cell at topLeft shows exactly text in textColour on
// background, as the toolkit renders the picture font aligned to a box's
// top left corner.
::testing::AssertionResult showsText(const QImage& image, QPoint topLeft, const QString& text, QRgb textColour,
                                     QRgb background);

// Pixels of the given colour inside area.
int countColour(const QImage& image, const QRect& area, QRgb colour);

// A colour as "(r, g, b)", for comparisons with readable failure messages.
std::string colourName(QRgb colour);

}  // namespace ryx::test
