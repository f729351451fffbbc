#pragma once
// "Output Filter Model": the decoder circuit for the current scheme, with its
// component values. Modal, fixed 250 x 250 client area, centred on the screen
// whenever shown; it reads the state and changes nothing.

#include "core/ProgramState.h"

#include <QDialog>

class QPushButton;

namespace ryx::ui {

class TFilterBox : public QDialog {
    Q_OBJECT
public:
    explicit TFilterBox(const ProgramState& state, QWidget* parent = nullptr);

    // "OK", the default button; closes the dialog with result 1.
    QPushButton* OKButton = nullptr;

protected:
    // FormPaint: the whole picture, drawn again on every paint.
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    const ProgramState& state_;
};

}  // namespace ryx::ui
