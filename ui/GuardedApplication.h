#pragma once
// The application object: an exception that escapes any event handler is
// shown in the standard error box, and the program goes on.

#include <QApplication>

#include <functional>

namespace ryx::ui {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message; the standard error box unless replaced (tests).
    std::function<void(const QString& message)> reportError;
};

}  // namespace ryx::ui
