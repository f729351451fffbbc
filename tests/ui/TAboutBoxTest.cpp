#include "ui/TAboutBox.h"

#include "core/ProductInfo.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace ryx::ui {
namespace {

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

TEST(AboutBox, LaysOutItsPanelPictureTextsAndButton) {
    TAboutBox box;
    EXPECT_EQ(box.size(), QSize(369, 260));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_EQ(box.Panel1->geometry(), QRect(8, 8, 353, 218));
    EXPECT_EQ(box.ProgramIcon->geometry(), QRect(15, 15, 134, 111));
    EXPECT_EQ(box.ProgramIcon->pixmap().size(), QSize(134, 111));
    EXPECT_EQ(box.objectName(), "AboutBox");
    EXPECT_EQ(box.findChild<QPushButton*>("OKButton"), box.OKButton);
    EXPECT_EQ(box.findChild<QFrame*>("Panel1"), box.Panel1);
    EXPECT_EQ(box.OKButton->geometry(), QRect(151, 230, 75, 25));
    EXPECT_TRUE(box.OKButton->isDefault());

    struct Expected {
        QLabel* label;
        QPoint at;
        bool bold;
    };
    const std::vector<Expected> table{
        {box.ProductName, {168, 26}, true},  {box.Version, {168, 60}, false},
        {box.Copyright, {168, 80}, false},   {box.Comments, {13, 134}, true},
        {box.Bullet1, {35, 155}, false},     {box.Bullet2, {35, 175}, false},
        {box.WebAddress, {115, 195}, true},
    };
    const QRect panelInside(1, 1, 351, 216);
    for (const Expected& row : table) {
        SCOPED_TRACE(row.label->text().toStdString());
        EXPECT_EQ(row.label->parentWidget(), box.Panel1);
        EXPECT_EQ(row.label->pos(), row.at);
        EXPECT_EQ(row.label->font().bold(), row.bold);
        // The whole text must fit, inside the panel's bevel.
        EXPECT_TRUE(panelInside.contains(row.label->geometry())) << row.label->geometry().right();
        if (!row.label->wordWrap()) {
            EXPECT_GE(row.label->width(), row.label->sizeHint().width());
        } else {
            EXPECT_GE(row.label->height(), row.label->heightForWidth(row.label->width()));
        }
    }
    EXPECT_EQ(box.ProductName->font().pixelSize(), 13);
    // The names, the version and the notice come from the build, not typed again.
    const std::pair<QString, QString> shown[] = {
        {box.windowTitle(), fromView(kProductName)}, {box.ProductName->text(), fromView(kProductName)},
        {box.Version->text(), fromView(kVersionText)}, {box.Copyright->text(), fromView(kAuthorNotice)},
        {box.WebAddress->text(), fromView(kWebAddress)}};
    for (const auto& [text, expected] : shown) EXPECT_TRUE(text.contains(expected)) << text.toStdString();
}

TEST(AboutBox, OkClosesItWithResultOne) {
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Return);  // OK is the default button
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), 1);
}

}  // namespace
}  // namespace ryx::ui
