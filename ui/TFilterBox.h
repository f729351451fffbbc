#pragma once
// The decoder circuit for the current scheme, with its component values.

#include "core/ProgramState.h"

#include <QDialog>

class QPushButton;

namespace ryx::ui {

class TFilterBox : public QDialog {
    Q_OBJECT
public:
    explicit TFilterBox(const ProgramState& state, QWidget* parent = nullptr);

    QPushButton* OKButton = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ProgramState& state_;
};

}  // namespace ryx::ui
