#include "ui/GuardedApplication.h"

#include <QMessageBox>

#include <exception>

namespace ryx::ui {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    QString message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        message = QString::fromLocal8Bit(error.what());
    } catch (...) {
        message = QStringLiteral("An unexpected error occurred.");
    }
    // Shown once the handler that failed has unwound.
    if (reportError) {
        reportError(message);
    } else {
        QMessageBox::critical(activeWindow(), applicationName(), message);
    }
    return false;
}

}  // namespace ryx::ui
