#pragma once
// The About box: picture, product name, version, authors, terms of use and
// the web address, with an OK button.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace ryx::ui {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 369;
    static constexpr int kHeight = 260;

    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QLabel* Bullet1 = nullptr;
    QLabel* Bullet2 = nullptr;
    QLabel* WebAddress = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    // Centred on the screen at every showing.
    void showEvent(QShowEvent* event) override;
};

}  // namespace ryx::ui
