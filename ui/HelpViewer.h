#pragma once
// The help viewer: a window of its own with the help file's topics on the
// left and the text on the right. Not modal.

#include <QStringList>
#include <QWidget>

class QListWidget;
class QTextBrowser;

namespace ryx::ui {

inline constexpr char kHelpFileName[] = "ryx-encoder-help.html";

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    // searchFolders: where to look for the help file, first match wins.
    explicit HelpViewer(QStringList searchFolders, QWidget* parent = nullptr);

    // Beside the executable (help/), then the installation's share folder.
    static QStringList defaultSearchFolders();

    // Loads the help file again, lists its topics and shows the window; a
    // missing file is reported in the window itself.
    void showTopics();
    // Closes the viewer, as the program does on exit.
    void quit();

    // The help file found by the last showTopics(); empty when none was.
    QString helpFile() const { return helpFile_; }
    QStringList topicTitles() const;
    void showTopic(int index);

    QListWidget* topics() const { return topics_; }
    QTextBrowser* browser() const { return browser_; }

private:
    QString findHelpFile() const;

    QStringList searchFolders_;
    QString helpFile_;
    QStringList anchors_;
    QListWidget* topics_;
    QTextBrowser* browser_;
};

}  // namespace ryx::ui
