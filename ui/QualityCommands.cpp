#include "ui/QualityCommands.h"

#include "ui/CompareSettingsDialog.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>

#include <utility>

namespace ryx::ui {

BusyCursor::BusyCursor(bool busy) : busy_(busy) {
    if (busy_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    if (busy_) QGuiApplication::restoreOverrideCursor();
}

QualityCommands::QualityCommands(ProgramState& state, QMenu& menu, QWidget* window,
                                 std::function<void(std::int8_t, std::int8_t)> applySetting,
                                 std::function<void()> reencode)
    : QObject(window), state_(state), applySetting_(std::move(applySetting)), reencode_(std::move(reencode)) {
    CompareSettings1 = menu.addAction(QStringLiteral("Compare settings..."));
    CompareSettings1->setToolTip(QStringLiteral("Quality figures of every scheme and fineness"));
    connect(CompareSettings1, &QAction::triggered, this, [this] { CompareSettings1Execute(); });

    OptimalEncoding1 = menu.addAction(QStringLiteral("Optimal encoding (slower)"));
    OptimalEncoding1->setToolTip(QStringLiteral("Chooses the bits by a search over the whole sound"));
    OptimalEncoding1->setCheckable(true);
    OptimalEncoding1->setChecked(state_.encoderChoice == EncoderChoice::optimal);
    connect(OptimalEncoding1, &QAction::triggered, this, [this] { OptimalEncoding1Execute(); });

    dialog_ = new CompareSettingsDialog(window);
    dialog_->setWindowModality(Qt::WindowModal);
    connect(dialog_, &QDialog::accepted, this, [this] {
        if (const auto row = dialog_->chosenRow()) {
            const SettingFigures& chosen = dialog_->rows()[*row];
            applySetting_(chosen.algorithmType, chosen.fineness);
        }
    });
}

void QualityCommands::CompareSettings1Execute() {
    dialog_->measure(state_, state_.encoderChoice);
    dialog_->open();
}

void QualityCommands::OptimalEncoding1Execute() {
    state_.encoderChoice = OptimalEncoding1->isChecked() ? EncoderChoice::optimal : EncoderChoice::greedy;
    reencode_();
}

}  // namespace ryx::ui
