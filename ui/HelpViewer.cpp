#include "ui/HelpViewer.h"

#include "ui/QtText.h"

#include "core/ProductInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QUrl>

#include <utility>

#ifndef RYX_HELP_INSTALL_DIR
#define RYX_HELP_INSTALL_DIR "/usr/local/share/ryx-encoder/help"
#endif

namespace ryx::ui {

HelpViewer::HelpViewer(QStringList searchFolders, QWidget* parent)
    : QWidget(parent, Qt::Window), searchFolders_(std::move(searchFolders)) {
    setWindowTitle(fromView(kProductName) +
                   QStringLiteral(" Help"));
    resize(760, 540);

    topics_ = new QListWidget;
    browser_ = new QTextBrowser;
    browser_->setOpenExternalLinks(true);
    auto* splitter = new QSplitter;
    splitter->addWidget(topics_);
    splitter->addWidget(browser_);
    splitter->setSizes({230, 530});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);

    connect(topics_, &QListWidget::currentRowChanged, this, &HelpViewer::showTopic);
}

QStringList HelpViewer::defaultSearchFolders() {
    const QString beside = QCoreApplication::applicationDirPath();
    return {beside + QStringLiteral("/help"), QStringLiteral(RYX_HELP_INSTALL_DIR),
            QDir::cleanPath(beside + QStringLiteral("/../share/ryx-encoder/help"))};
}

QString HelpViewer::findHelpFile() const {
    for (const QString& folder : searchFolders_) {
        const QFileInfo candidate(QDir(folder).filePath(QString::fromLatin1(kHelpFileName)));
        if (candidate.isFile() && candidate.isReadable()) return candidate.absoluteFilePath();
    }
    return {};
}

void HelpViewer::showTopics() {
    helpFile_ = findHelpFile();
    anchors_.clear();
    {
        const QSignalBlocker quiet(topics_);
        topics_->clear();
    }

    QFile file(helpFile_);
    if (helpFile_.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        QString places;
        for (const QString& folder : searchFolders_) places += QStringLiteral("<li>%1</li>").arg(folder.toHtmlEscaped());
        browser_->setHtml(QStringLiteral("<h2>Help file not found</h2><p>The help file <b>%1</b> was not found. "
                                         "Looked in:</p><ul>%2</ul>")
                              .arg(QString::fromLatin1(kHelpFileName), places));
    } else {
        // Every <h2 id="..."> of the file is one topic.
        const QString html = QString::fromUtf8(file.readAll());
        const QSignalBlocker quiet(topics_);  // the text opens at its top
        static const QRegularExpression heading(QStringLiteral("<h2 id=\"([^\"]+)\">(.*?)</h2>"),
                                                QRegularExpression::DotMatchesEverythingOption);
        for (auto match = heading.globalMatch(html); match.hasNext();) {
            const QRegularExpressionMatch topic = match.next();
            anchors_ << topic.captured(1);
            topics_->addItem(QTextDocumentFragment::fromHtml(topic.captured(2)).toPlainText().simplified());
        }
        browser_->setSource(QUrl::fromLocalFile(helpFile_));
    }
    show();
    raise();
    activateWindow();
}

void HelpViewer::quit() { close(); }

QStringList HelpViewer::topicTitles() const {
    QStringList titles;
    for (int row = 0; row < topics_->count(); ++row) titles << topics_->item(row)->text();
    return titles;
}

void HelpViewer::showTopic(int index) {
    if (index < 0 || index >= anchors_.size()) return;
    browser_->scrollToAnchor(anchors_[index]);
}

}  // namespace ryx::ui
