#include "PictureTestSupport.h"

#include "support/FileBytes.h"
#include "ui/FilterModelPainter.h"
#include "ui/WaveformPainter.h"
#include "ui/WindowFont.h"

#include <QFontMetrics>
#include <QPainter>

namespace ryx::test {

std::unique_ptr<ProgramState> startedState() { return makeStartedState(); }

namespace {

QImage paintOn(int width, int height, void (*draw)(QPainter&, const ProgramState&), const ProgramState& state) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kTestFace);
    QPainter painter(&image);
    draw(painter, state);
    return image;
}

}  // namespace

QImage paintMainPicture(const ProgramState& state) { return paintOn(500, 499, ui::FormDraw, state); }

QImage paintFilterPicture(const ProgramState& state) { return paintOn(250, 250, ui::drawFilterModel, state); }

QRect textCell(QPoint topLeft, const QString& text) {
    const QFontMetrics metrics(ui::pictureFont());
    return {topLeft, QSize(metrics.horizontalAdvance(text), metrics.height())};
}

::testing::AssertionResult showsText(const QImage& image, QPoint topLeft, const QString& text, QRgb textColour,
                                     QRgb background) {
    const QRect cell = textCell(topLeft, text);
    QImage expected(cell.size(), QImage::Format_RGB32);
    expected.fill(background);
    {
        QPainter painter(&expected);
        painter.setFont(ui::pictureFont());
        painter.setPen(QColor::fromRgb(textColour));
        painter.drawText(QRect(QPoint(0, 0), cell.size()), Qt::AlignLeft | Qt::AlignTop, text);
    }
    int textPixels = 0;
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < cell.width(); ++x) {
            const QPoint at = cell.topLeft() + QPoint(x, y);
            if (!image.rect().contains(at)) continue;
            const QRgb want = expected.pixel(x, y);
            const QRgb got = image.pixel(at);
            if (want == textColour) ++textPixels;
            if (got != want)
                return ::testing::AssertionFailure()
                       << "\"" << text.toStdString() << "\" at (" << topLeft.x() << ", " << topLeft.y()
                       << "): pixel (" << at.x() << ", " << at.y() << ") is " << colourName(got)
                       << ", expected " << colourName(want);
        }
    }
    if (textPixels == 0 && !text.trimmed().isEmpty())
        return ::testing::AssertionFailure() << "reference rendering of \"" << text.toStdString() << "\" is empty";
    return ::testing::AssertionSuccess();
}

int countColour(const QImage& image, const QRect& area, QRgb colour) {
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (image.pixel(x, y) == colour) ++count;
    return count;
}

std::string colourName(QRgb colour) {
    return QStringLiteral("(%1, %2, %3)").arg(qRed(colour)).arg(qGreen(colour)).arg(qBlue(colour)).toStdString();
}

}  // namespace ryx::test
