#pragma once
// The small dialog after choosing a sound to import: the rate (a listed one
// or any whole number typed in), normalising and trimming.

#include "import/ImportOptions.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace ryx::ui {

class TImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit TImportDialog(const ImportOptions& initial, QWidget* parent = nullptr);

    // The choices, or nothing while the typed rate is not a whole number in range.
    std::optional<ImportOptions> options() const;

    QComboBox* RateBox = nullptr;
    QCheckBox* NormalizeBox = nullptr;
    QCheckBox* TrimBox = nullptr;
    QPushButton* OKButton = nullptr;

    // Shows the dialog; the choices when the user presses OK.
    static std::optional<ImportOptions> ask(QWidget* parent, const ImportOptions& initial);
};

}  // namespace ryx::ui
