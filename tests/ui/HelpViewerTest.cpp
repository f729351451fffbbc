#include "ui/HelpViewer.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"

#include <QImage>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

namespace ryx::ui {
namespace {

TEST(HelpViewer, ListsTheTopicsOfTheShippedHelpAndJumpsToThem) {
    HelpViewer viewer({QStringLiteral("/nonexistent/first"), QStringLiteral(RYX_HELP_SOURCE_DIR)});
    viewer.showTopics();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_FALSE(viewer.isModal());
    EXPECT_EQ(viewer.helpFile(), QStringLiteral(RYX_HELP_SOURCE_DIR "/ryx-encoder-help.html"));

    const QStringList topics = viewer.topicTitles();
    for (const char* expected : {"What the program does", "Opening a sound", "Preparing a sound: Import, or sox",
                                 "Scheme and fineness", "Reading the display", "Listening",
                                 "Exporting the bitstream", "Assembling the tables", "The decoder circuit",
                                 "The command-line encoder ryxenc", "A ready-to-flash PIC program"}) {
        EXPECT_TRUE(topics.contains(QString::fromLatin1(expected))) << expected;
    }
    // Each topic's anchor exists: choosing topics further down scrolls further.
    QScrollBar* scroll = viewer.browser()->verticalScrollBar();
    viewer.topics()->setCurrentRow(0);
    const int first = scroll->value();
    viewer.topics()->setCurrentRow(static_cast<int>(topics.size()) / 2);
    const int middle = scroll->value();
    EXPECT_GT(middle, first);
    // What users must not miss when they assemble the export.
    EXPECT_TRUE(viewer.browser()->toPlainText().contains("r=dec"));
    // Preparing a sound starts with the import and keeps the sox recipe.
    const QString text = viewer.browser()->toPlainText();
    const qsizetype preparing = text.lastIndexOf("Preparing a sound: Import, or sox");
    EXPECT_LT(preparing, text.indexOf("Import sound", preparing));
    EXPECT_LT(text.indexOf("Import sound", preparing), text.indexOf("sox input.wav -r 15625", preparing));
    // The pictures of the window and its dialogs are found beside the page.
    const QString page = viewer.browser()->toHtml();
    static const QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\""));
    int images = 0;
    for (auto match = image.globalMatch(page); match.hasNext(); ++images) {
        const QUrl source(match.next().captured(1));
        const QVariant loaded = viewer.browser()->loadResource(QTextDocument::ImageResource, source);
        EXPECT_FALSE(QImage::fromData(loaded.toByteArray()).isNull()) << source.toString().toStdString();
    }
    EXPECT_GE(images, 8);
}

TEST(HelpViewer, AMissingHelpFileIsReportedInTheViewer) {
    test::TempDirectory empty;
    HelpViewer viewer({QString::fromStdString(empty.path().string())});
    viewer.showTopics();
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_TRUE(viewer.helpFile().isEmpty());
    EXPECT_EQ(viewer.topics()->count(), 0);
    const QString shown = viewer.browser()->toPlainText();
    EXPECT_TRUE(shown.contains("ryx-encoder-help.html was not found")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString::fromStdString(empty.path().string())));

    // Once the file is there, the next showing finds it.
    test::writeFileBytes(empty / "ryx-encoder-help.html",
                         {'<', 'h', '2', ' ', 'i', 'd', '=', '"', 'a', '"', '>', 'A', '&', 'a', 'm', 'p', ';',
                          'B', '<', '/', 'h', '2', '>'});
    viewer.showTopics();
    EXPECT_EQ(viewer.topicTitles(), QStringList({"A&B"}));

    viewer.quit();
    EXPECT_FALSE(viewer.isVisible());
}

}  // namespace
}  // namespace ryx::ui
