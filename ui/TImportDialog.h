#pragma once
// The small dialog after choosing a sound to import: the rate (a listed one
// or any whole number typed in), normalising and trimming.

#include "import/ImportOptions.h"
#include "import/SoundLength.h"
#include "firmware/PicChip.h"
#include "firmware/SerialMemory.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
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
    // The sound's length and whether it fits the chip (or the serial memory
    // the programs stream from); fitted below 8000 Hz, what that loses.
    QLabel* LengthLabel = nullptr;
    QCheckBox* FitBox = nullptr;    // "Rate: fit to chip", or "to memory"
    QPushButton* OKButton = nullptr;

    // Shows the file's length and whether it fits the chip at the chosen
    // rate, or the memory when one is given, and offers the highest rate not
    // above it at which it does.
    void showFit(const SoundLength& length, const PicChip& chip, const SerialMemory* memory = nullptr);

    // Shows the dialog, with the sound's length and its fit to the default
    // chip when its header tells them; the choices when the user presses OK.
    static std::optional<ImportOptions> ask(QWidget* parent, const ImportOptions& initial, const QString& fileName);

private:
    std::optional<std::uint32_t> typedRate() const;
    std::uint64_t room() const;  // samples the chip's tables or the memory hold
    void updateFit();

    std::optional<SoundLength> length_;
    const PicChip* chip_ = nullptr;
    const SerialMemory* memory_ = nullptr;
};

}  // namespace ryx::ui
