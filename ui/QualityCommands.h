#pragma once
// The two quality commands of the Special menu: "Compare settings..." and
// the checkable "Optimal encoding (slower)", off at start.

#include "core/ProgramState.h"

#include <QObject>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace ryx::ui {

class CompareSettingsDialog;

// Shows the busy cursor for as long as it lives, when asked to.
class BusyCursor {
public:
    explicit BusyCursor(bool busy);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool busy_;
};

class QualityCommands : public QObject {
    Q_OBJECT
public:
    // applySetting sets both lists and re-encodes as a list change does;
    // reencode encodes the sound again with the lists' settings.
    QualityCommands(ProgramState& state, QMenu& menu, QWidget* window,
                    std::function<void(std::int8_t algorithmType, std::int8_t fineness)> applySetting,
                    std::function<void()> reencode);

    QAction* CompareSettings1 = nullptr;
    QAction* OptimalEncoding1 = nullptr;
    CompareSettingsDialog* compareDialog() const { return dialog_; }

    // Opens the dialog (window-modal) and starts measuring.
    void CompareSettings1Execute();
    void OptimalEncoding1Execute();

private:
    ProgramState& state_;
    CompareSettingsDialog* dialog_ = nullptr;
    std::function<void(std::int8_t, std::int8_t)> applySetting_;
    std::function<void()> reencode_;
};

}  // namespace ryx::ui
