#include "ui/GuardedApplication.h"

#include <QEvent>

#include <gtest/gtest.h>

#include <stdexcept>

namespace ryx::ui {
namespace {

class ThrowingObject : public QObject {
public:
    int handled = 0;
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User) return QObject::event(event);
        ++handled;
        if (handled == 1) throw std::runtime_error("the handler failed");
        return true;
    }
};

TEST(GuardedApplicationTest, EscapingExceptionIsReportedAndTheProgramGoesOn) {
    auto* application = static_cast<GuardedApplication*>(QCoreApplication::instance());
    QStringList reported;
    application->reportError = [&reported](const QString& message) { reported << message; };

    ThrowingObject object;
    QEvent first(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&object, &first));
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::processEvents();

    EXPECT_EQ(reported, QStringList{QStringLiteral("the handler failed")});
    EXPECT_EQ(object.handled, 2);
}

}  // namespace
}  // namespace ryx::ui

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ryx::ui::GuardedApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
