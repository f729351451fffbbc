#pragma once
// Special > "Compare settings...": the quality figures of all sixteen scheme
// and fineness pairs for the sound in memory, the best marked. The figures
// are measured on a copy of the sound off the window's thread; choosing a row
// accepts the dialog.

#include "core/ProgramState.h"
#include "core/SettingComparison.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;
class QThread;

namespace ryx::ui {

class CompareSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit CompareSettingsDialog(QWidget* parent = nullptr);
    ~CompareSettingsDialog() override;  // waits for measurements still running

    // Empties the table and starts measuring a copy of the state's sound.
    void measure(const ProgramState& state, EncoderChoice choice);
    bool measuring() const { return measuring_; }

    const std::vector<SettingFigures>& rows() const { return rows_; }
    std::optional<std::size_t> bestRow() const { return best_; }
    // The row the user chose (or the selected one), once the figures are there.
    std::optional<std::size_t> chosenRow() const;

    QTableWidget* table() const { return table_; }
    QPushButton* useButton() const { return use_; }

signals:
    void measured();

private:
    void showRows(std::vector<SettingFigures> rows);

    QTableWidget* table_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* use_ = nullptr;
    std::vector<SettingFigures> rows_;
    std::optional<std::size_t> best_;
    bool measuring_ = false;
    unsigned generation_ = 0;  // results of an older measurement are dropped
    QList<QPointer<QThread>> workers_;
};

}  // namespace ryx::ui
