#include "ui/TFilterBox.h"

#include "ui/FilterModelPainter.h"
#include "ui/ScreenCentre.h"
#include "ui/WindowFont.h"

#include <QPainter>
#include <QPushButton>

namespace ryx::ui {

TFilterBox::TFilterBox(const ProgramState& state, QWidget* parent) : QDialog(parent), state_(state) {
    // A fixed dialog frame: title and close box, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Output Filter Model"));
    setFont(windowFont());
    setFixedSize(250, 250);
    setBackgroundRole(QPalette::Button);  // the button-face colour around the panel
    setObjectName(QStringLiteral("FilterBox"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(86, 220, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { done(1); });
}

void TFilterBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFilterModel(painter, state_);
}

void TFilterBox::showEvent(QShowEvent* event) {
    // Centred on the screen, not on the main window, at every showing.
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

}  // namespace ryx::ui
