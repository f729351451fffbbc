#include "ui/TAboutBox.h"

#include "ui/QtText.h"

#include "core/ProductInfo.h"
#include "ui/AboutPicture.h"
#include "ui/ScreenCentre.h"
#include "ui/WindowFont.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <utility>

namespace ryx::ui {
namespace {

QLabel* addLabel(QWidget* parent, const QString& text, int left, int top, bool bold = false, int pixelSize = 0) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(bold);
    if (pixelSize > 0) font.setPixelSize(pixelSize);
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About ") + fromView(kProductName));
    setFont(windowFont());
    setFixedSize(kWidth, kHeight);

    // Raised outside, lowered inside.
    Panel1 = new QFrame(this);
    Panel1->setGeometry(8, 8, 353, 218);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* inner = new QFrame(Panel1);
    inner->setGeometry(1, 1, 351, 216);
    inner->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setPixmap(aboutPicture());
    ProgramIcon->setGeometry(15, 15, kAboutPictureWidth, kAboutPictureHeight);

    ProductName = addLabel(Panel1, QLatin1Char(' ') + fromView(kProductName) + QLatin1Char(' '), 168, 26, true, 13);
    Version = addLabel(Panel1, QStringLiteral("Version  ") + fromView(kVersionText) + QLatin1Char(' '), 168, 60);
    // Two lines, so that it stays inside the panel.
    Copyright = new QLabel(fromView(kAuthorNotice), Panel1);
    Copyright->setWordWrap(true);
    Copyright->setGeometry(168, 80, 175, 30);
    Copyright->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Comments = addLabel(Panel1, QStringLiteral("This program is free software:"), 13, 134, true);
    Bullet1 = addLabel(Panel1, QStringLiteral("\u2022 use it, copy it and pass it on freely;"), 35, 155);
    Bullet2 = addLabel(Panel1, QStringLiteral("\u2022 a voluntary payment is welcome if it serves you."), 35, 175);
    WebAddress = addLabel(Panel1, fromView(kWebAddress), 115, 195, true);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(151, 230, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { done(1); });

    setObjectName(QStringLiteral("AboutBox"));
    const std::pair<QObject*, const char*> parts[] = {
        {Panel1, "Panel1"},   {ProgramIcon, "ProgramIcon"}, {ProductName, "ProductName"},
        {Version, "Version"}, {Copyright, "Copyright"},     {Comments, "Comments"},
        {Bullet1, "Bullet1"}, {Bullet2, "Bullet2"},         {WebAddress, "WebAddress"},
        {OKButton, "OKButton"},
    };
    for (const auto& [part, name] : parts) part->setObjectName(QLatin1String(name));
}

void TAboutBox::showEvent(QShowEvent* event) {
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

}  // namespace ryx::ui
