#include "PictureTestSupport.h"

#include "ui/FilterModelPainter.h"
#include "ui/TFilterBox.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace ryx::test {
namespace {

using namespace ryx::ui;

constexpr QRgb kBlue = kPanelOneAndHalfBit;
constexpr QRgb kRed = kPanelOneBit;

std::unique_ptr<ProgramState> stateWithScheme(std::int8_t algorithmType) {
    auto state = startedState();
    state->encoder.algorithmType = algorithmType;
    return state;
}

TEST(FilterPicture, PanelColourAndExtentForBothSchemes) {
    for (const auto& [type, panel] : {std::pair{std::int8_t{15}, kBlue}, std::pair{std::int8_t{1}, kRed}}) {
        const QImage image = paintFilterPicture(*stateWithScheme(type));
        SCOPED_TRACE(::testing::Message() << "scheme " << int{type});
        for (const QPoint p : {QPoint(4, 6), QPoint(245, 6), QPoint(4, 209), QPoint(245, 209), QPoint(30, 200)})
            EXPECT_EQ(colourName(image.pixel(p)), colourName(panel)) << p.x() << "," << p.y();
        for (const QPoint p : {QPoint(3, 6), QPoint(246, 6), QPoint(4, 5), QPoint(4, 210), QPoint(120, 240)})
            EXPECT_EQ(colourName(image.pixel(p)), colourName(kTestFace)) << p.x() << "," << p.y();
        // Only the panel, black and the face colour anywhere.
        for (int y = 0; y < 250; ++y)
            for (int x = 0; x < 250; ++x) {
                const QRgb c = image.pixel(x, y);
                ASSERT_TRUE(c == panel || c == kCircuitBlack || c == kTestFace) << x << "," << y;
            }
    }
}

// Columns (for a vertical wire) or rows (horizontal) that must be black,
// with the panel on both sides, at a point in the wire's middle.
struct WireProbe {
    const char* what;
    QPoint at;
    bool horizontal;
};

void expectWire(const QImage& image, const WireProbe& w, QRgb panel) {
    const QPoint across = w.horizontal ? QPoint(0, 1) : QPoint(1, 0);
    SCOPED_TRACE(w.what);
    // A 2-pixel wire at coordinate c covers c - 1 and c.
    EXPECT_EQ(image.pixel(w.at - across), kCircuitBlack);
    EXPECT_EQ(image.pixel(w.at), kCircuitBlack);
    EXPECT_EQ(image.pixel(w.at - 2 * across), panel);
    EXPECT_EQ(image.pixel(w.at + across), panel);
}

TEST(FilterPicture, CircuitOfBothSchemes) {
    const WireProbe shared[] = {
        {"input wire left of the resistor", {75, 110}, true},
        {"wire between resistor and node", {145, 110}, true},
        {"wire on to the output", {175, 110}, true},
        {"node to capacitor", {160, 125}, false},
        {"upper plate", {155, 135}, true},
        {"lower plate", {155, 144}, true},
        {"down to ground", {160, 160}, false},
        {"widest ground bar", {152, 170}, true},
        {"middle ground bar", {155, 174}, true},
        {"narrowest ground bar", {159, 178}, true},
    };
    const WireProbe upper[] = {
        {"upper input wire", {75, 90}, true},
        {"upper wire right of its resistor", {145, 90}, true},
        {"upper wire down to the node", {160, 100}, false},
    };
    for (const auto& [type, panel] : {std::pair{std::int8_t{15}, kBlue}, std::pair{std::int8_t{1}, kRed}}) {
        SCOPED_TRACE(::testing::Message() << "scheme " << int{type});
        const QImage image = paintFilterPicture(*stateWithScheme(type));
        for (const WireProbe& w : shared) expectWire(image, w, panel);
        if (type == 15) {
            for (const WireProbe& w : upper) expectWire(image, w, panel);
            EXPECT_EQ(countColour(image, QRect(90, 84, 39, 12), kCircuitBlack), 39 * 12);  // upper resistor
            EXPECT_EQ(image.pixel(89, 85), panel);
            EXPECT_EQ(image.pixel(129, 85), panel);
        } else {
            EXPECT_EQ(countColour(image, QRect(60, 70, 110, 30), kCircuitBlack), 0) << "no upper input";
        }
        // The lower resistor's body and the node dot, whole and not larger.
        EXPECT_EQ(countColour(image, QRect(90, 104, 39, 12), kCircuitBlack), 39 * 12);
        EXPECT_EQ(countColour(image, QRect(89, 104, 1, 12), kCircuitBlack), 2);   // only the wire
        EXPECT_EQ(countColour(image, QRect(90, 116, 39, 1), kCircuitBlack), 0);
        EXPECT_EQ(countColour(image, QRect(158, 108, 4, 4), kCircuitBlack), 16);
        EXPECT_EQ(image.pixel(157, 108), panel);
        EXPECT_EQ(image.pixel(158, 112), panel);
        // The capacitor's gap: nothing between the plates.
        EXPECT_EQ(countColour(image, QRect(145, 136, 30, 7), kCircuitBlack), 0);
        // The ground bars shrink: 150-170, 153-167, 157-163 (give or take
        // the wire's ends).
        EXPECT_EQ(image.pixel(147, 170), panel);
        EXPECT_EQ(image.pixel(150, 174), panel);
        EXPECT_EQ(image.pixel(154, 178), panel);
        EXPECT_EQ(countColour(image, QRect(140, 180, 40, 25), kCircuitBlack), 0);
        // Ends of the long wires, to within the wire's width.
        EXPECT_EQ(image.pixel(61, 110), kCircuitBlack);
        EXPECT_EQ(image.pixel(183, 110), kCircuitBlack);
        EXPECT_EQ(image.pixel(186, 110), panel);
    }
}

TEST(FilterPicture, TextsRightAfterStartUp) {
    const QImage image = paintFilterPicture(*startedState());
    struct Text {
        QPoint at;
        const char* text;
    };
    const Text texts[] = {
        {{10, 10}, "Frequency = 15625Hz    Ryx = 16"},
        {{10, 26}, "R Ohms = 4506"},
        {{178, 130}, "C"},
        {{178, 145}, "0.22uF"},
        {{190, 102}, "Audio Out"},
        {{10, 82}, "Digital A"},
        {{10, 102}, "Digital B"},
        {{101, 118}, "2R"},
        {{101, 70}, "2R"},
        {{10, 42}, "(each resistor = 2R = 9012 ohms)"},
    };
    for (const Text& t : texts) EXPECT_TRUE(showsText(image, t.at, QString::fromLatin1(t.text), kCircuitBlack, kBlue));
}

TEST(FilterPicture, OneBitTextsAndNoDoubledValue) {
    auto state = stateWithScheme(1);
    state->encoder.sampleRate = 22050;
    state->encoder.fineness = 32;
    state->encoder.resistorOhms = 14282;
    const QImage image = paintFilterPicture(*state);
    EXPECT_TRUE(showsText(image, {10, 10}, QStringLiteral("Frequency = 22050Hz    Ryx = 32"), kCircuitBlack, kRed));
    EXPECT_TRUE(showsText(image, {10, 26}, QStringLiteral("R Ohms = 14282"), kCircuitBlack, kRed));
    EXPECT_TRUE(showsText(image, {10, 102}, QStringLiteral("Digital In"), kCircuitBlack, kRed));
    EXPECT_TRUE(showsText(image, {105, 118}, QStringLiteral("R"), kCircuitBlack, kRed));
    EXPECT_TRUE(showsText(image, {178, 145}, QStringLiteral("0.22uF"), kCircuitBlack, kRed));
    // No "Digital A", no "2R" above the upper resistor, no doubled value.
    EXPECT_EQ(countColour(image, QRect(4, 40, 242, 55), kCircuitBlack), 0);
}

TEST(FilterPicture, DoubledValueIsResistorPlusItselfIn32Bits) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "(each resistor = 2R = 0 ohms)"},
        {1234567, "(each resistor = 2R = 2469134 ohms)"},
        {0x40000000, "(each resistor = 2R = -2147483648 ohms)"},
    };
    for (const auto& [ohms, text] : cases) {
        auto state = startedState();
        state->encoder.resistorOhms = ohms;
        const QImage image = paintFilterPicture(*state);
        EXPECT_TRUE(showsText(image, {10, 42}, QString::fromLatin1(text), kCircuitBlack, kBlue));
    }
}

TEST(FilterBox, WindowButtonAndResult) {
    auto state = startedState();
    TFilterBox box(*state);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Output Filter Model"));
    EXPECT_EQ(box.size(), QSize(250, 250));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);
    ASSERT_NE(box.OKButton, nullptr);
    EXPECT_EQ(box.objectName(), QStringLiteral("FilterBox"));
    EXPECT_EQ(box.findChild<QPushButton*>(QStringLiteral("OKButton")), box.OKButton);
    EXPECT_EQ(box.OKButton->geometry(), QRect(86, 220, 75, 25));
    EXPECT_EQ(box.OKButton->text(), QStringLiteral("OK"));
    EXPECT_TRUE(box.OKButton->isDefault());

    QTimer::singleShot(0, &box, [&box] { box.OKButton->click(); });
    EXPECT_EQ(box.exec(), 1);
    EXPECT_FALSE(box.isVisible());
    // Enter presses the default button.
    QTimer::singleShot(0, &box, [&box] { QTest::keyClick(&box, Qt::Key_Return); });
    EXPECT_EQ(box.exec(), 1);
}

TEST(FilterBox, PaintsTheCurrentStateCentredOnTheScreen) {
    auto state = startedState();
    // Owned by a main window in the top left corner, it still centres on the screen.
    QWidget mainWindow;
    mainWindow.setGeometry(0, 0, 500, 499);
    mainWindow.show();
    TFilterBox box(*state, &mainWindow);
    box.show();
    const QRect screen = box.screen()->geometry();
    ASSERT_GT(screen.width(), 500);
    EXPECT_LE((box.frameGeometry().center() - screen.center()).manhattanLength(), 1)
        << "centre " << box.frameGeometry().center().x() << "," << box.frameGeometry().center().y();
    // The window paints the picture (the button aside), and a change of
    // scheme shows at the next paint.
    const QRect panelAboveButton(4, 6, 242, 204);
    EXPECT_EQ(box.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(panelAboveButton),
              paintFilterPicture(*state).copy(panelAboveButton));
    state->encoder.algorithmType = 1;
    EXPECT_EQ(box.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(panelAboveButton),
              paintFilterPicture(*state).copy(panelAboveButton));
    box.hide();
}

}  // namespace
}  // namespace ryx::test
