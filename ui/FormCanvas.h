#pragma once
// The main window's client area: paints the picture from the state and
// passes mouse presses on; the controls sit on it as children.

#include "core/ProgramState.h"

#include <QWidget>

#include <functional>

namespace ryx::ui {

class FormCanvas : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 499;

    explicit FormCanvas(const ProgramState& state, QWidget* parent = nullptr);

    // Called for a press of any mouse button outside the controls.
    std::function<void(int x, int y)> onMouseDown;

signals:
    // After every paint; the start-up benchmark waits for the first.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const ProgramState& state_;
};

}  // namespace ryx::ui
