// Start-up: the application, its one state and player, the three windows in
// their order (main window, About box, filter model dialog), the message loop.

#include "core/ProductInfo.h"
#include "core/ProgramState.h"
#include "ui/AppIcon.h"
#include "ui/FormCanvas.h"
#include "ui/GuardedApplication.h"
#include "ui/PreviewDirectory.h"
#include "ui/QtSoundPlayer.h"
#include "ui/TAboutBox.h"
#include "ui/TFilterBox.h"
#include "ui/TFormMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <exception>

namespace {

const QString kTitle = QString::fromUtf8(ryx::kProductName.data(), static_cast<qsizetype>(ryx::kProductName.size()));

// For the start-up benchmark: report the time to the first painted window and quit.
void exitAfterFirstPaint(ryx::ui::FormCanvas& canvas, const QElapsedTimer& sinceStart) {
    QObject::connect(&canvas, &ryx::ui::FormCanvas::painted, &canvas, [&sinceStart] {
        std::printf("first paint after %.1f ms\n", static_cast<double>(sinceStart.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }, Qt::SingleShotConnection);
}

int run(QElapsedTimer& sinceStart) {
    // The one state of the program, for its whole run.
    static ryx::ProgramState state;

    const ryx::Result<std::string> previewDirectory = ryx::ui::choosePreviewDirectory();
    if (!previewDirectory) {
        QMessageBox::critical(nullptr, kTitle,
                              QStringLiteral("There is no private folder for the preview sounds:\n\n") +
                                  QString::fromStdString(previewDirectory.error()));
        return 1;
    }

    ryx::ui::QtSoundPlayer player;
    ryx::ui::TFormMain formMain(state, player, *previewDirectory);
    ryx::ui::TAboutBox aboutBox;
    ryx::ui::TFilterBox filterBox(state);
    formMain.setAboutBox(&aboutBox);
    formMain.setFilterBox(&filterBox);
    if (qEnvironmentVariableIntValue("RYX_EXIT_AFTER_FIRST_PAINT") == 1) {
        exitAfterFirstPaint(*formMain.canvas(), sinceStart);
    }
    formMain.show();
    // ryx-encoder FILE, as the desktop entry starts it for a sound.
    if (const QStringList arguments = QCoreApplication::arguments(); arguments.size() > 1) {
        formMain.openSoundFile(arguments.at(1));
    }

    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    ryx::ui::GuardedApplication application(argc, argv);
    QApplication::setApplicationName(kTitle);
    QApplication::setDesktopFileName(QStringLiteral("ryx-encoder"));
    QApplication::setWindowIcon(ryx::ui::appIcon());
    try {
        return run(sinceStart);
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, kTitle, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, kTitle, QStringLiteral("An unexpected error occurred."));
    }
    return 1;  // the program did not run to its end
}
