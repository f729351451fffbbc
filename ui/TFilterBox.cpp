#include "ui/TFilterBox.h"

#include "ui/WindowFont.h"

#include <QPainter>
#include <QPushButton>

namespace ryx::ui {

TFilterBox::TFilterBox(const ProgramState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setWindowTitle(QStringLiteral("Output Filter Model"));
    setFont(windowFont());
    setFixedSize(250, 250);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(86, 220, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { done(1); });
}

// Placeholder until the circuit is drawn.
void TFilterBox::paintEvent(QPaintEvent*) {}

}  // namespace ryx::ui
