#include "ui/TImportDialog.h"

#include "firmware/MemoryImage.h"
#include "firmware/PicProgram.h"
#include "ui/PicChipSetting.h"
#include "ui/QtText.h"
#include "ui/SoundFit.h"

#include <QCheckBox>
#include <QFile>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ryx::ui {

TImportDialog::TImportDialog(const ImportOptions& initial, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Import sound"));
    setObjectName(QStringLiteral("ImportDialog"));

    RateBox = new QComboBox(this);
    RateBox->setObjectName(QStringLiteral("RateBox"));
    RateBox->setEditable(true);
    RateBox->setInsertPolicy(QComboBox::NoInsert);
    for (const std::uint32_t rate : kOfferedImportRates) RateBox->addItem(QString::number(rate));
    // Intermediate text (too few digits yet) may be typed; OK waits for a whole number in range.
    RateBox->setValidator(new QIntValidator(0, static_cast<int>(kMaxImportRate), RateBox));
    RateBox->setCurrentText(QString::number(initial.rate));
    RateBox->setToolTip(QStringLiteral("Samples per second of the imported sound, %1 to %2; 15625 suits a PIC at "
                                       "4, 8 or 20 MHz")
                            .arg(kMinImportRate)
                            .arg(kMaxImportRate));

    NormalizeBox = new QCheckBox(QStringLiteral("&Normalize: remove any offset, peak at -1 dBFS"), this);
    NormalizeBox->setObjectName(QStringLiteral("NormalizeBox"));
    NormalizeBox->setChecked(initial.normalize);
    TrimBox = new QCheckBox(QStringLiteral("&Trim silence (below -45 dBFS) at both ends"), this);
    TrimBox->setObjectName(QStringLiteral("TrimBox"));
    TrimBox->setChecked(initial.trim);

    LengthLabel = new QLabel(this);
    LengthLabel->setObjectName(QStringLiteral("LengthLabel"));
    LengthLabel->hide();
    FitBox = new QCheckBox(QStringLiteral("Rate: &fit to chip"), this);
    FitBox->setObjectName(QStringLiteral("FitBox"));
    FitBox->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OKButton = buttons->button(QDialogButtonBox::Ok);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(RateBox, &QComboBox::currentTextChanged, this, [this] {
        OKButton->setEnabled(options().has_value());
        updateFit();
    });
    connect(FitBox, &QCheckBox::toggled, this, [this] { updateFit(); });
    OKButton->setEnabled(options().has_value());

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Rate (Hz):"), RateBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(NormalizeBox);
    layout->addWidget(TrimBox);
    layout->addWidget(LengthLabel);
    layout->addWidget(FitBox);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::optional<std::uint32_t> TImportDialog::typedRate() const {
    bool isNumber = false;
    const uint rate = RateBox->currentText().trimmed().toUInt(&isNumber);
    if (!isNumber || rate < kMinImportRate || rate > kMaxImportRate) return std::nullopt;
    return rate;
}

std::optional<ImportOptions> TImportDialog::options() const {
    std::optional<std::uint32_t> rate = typedRate();
    if (!rate) return std::nullopt;
    if (FitBox->isChecked() && length_ && chip_ != nullptr) {
        *rate = std::min(*rate, highestFittingRate(room(), length_->frames, length_->sampleRate));
    }
    return ImportOptions{*rate, NormalizeBox->isChecked(), TrimBox->isChecked()};
}

std::uint64_t TImportDialog::room() const {
    return memory_ != nullptr ? memorySampleCapacity(*memory_) : picSampleCapacity(*chip_);
}

void TImportDialog::showFit(const SoundLength& length, const PicChip& chip, const SerialMemory* memory) {
    length_ = length;
    chip_ = &chip;
    memory_ = memory;
    FitBox->setText(memory != nullptr ? QStringLiteral("Rate: &fit to memory") : QStringLiteral("Rate: &fit to chip"));
    LengthLabel->show();
    FitBox->show();
    updateFit();
}

void TImportDialog::updateFit() {
    if (!length_ || chip_ == nullptr) return;
    const std::optional<ImportOptions> chosen = options();
    const double seconds = static_cast<double>(length_->frames) / length_->sampleRate;
    QString text = QStringLiteral("Length %1 s").arg(QString::fromStdString(formatFixed(seconds, 2)));
    if (!chosen) {
        LengthLabel->setText(text + QLatin1Char('.'));
        return;
    }
    const bool fits = soundFit(room(), length_->frames, length_->sampleRate, chosen->rate).fits;
    text += QStringLiteral(": %1 the %2 at %3 Hz.")
                .arg(fits ? QStringLiteral("fits") : QStringLiteral("does not fit"))
                .arg(fromView(memory_ != nullptr ? memory_->name : chip_->name))
                .arg(chosen->rate);
    // As ryxenc --fit warns when it comes down below 8000 Hz to fit; the
    // chips it would name do not matter to a memory.
    if (fits && memory_ == nullptr && chosen->rate < typedRate().value_or(0)) {
        const QString notice = lowRateSentence({}, PicProgramSettings(chip_, 0, false), chosen->rate,
                                               length_->frames, length_->sampleRate);
        if (!notice.isEmpty()) text += QLatin1Char('\n') + notice;
    }
    LengthLabel->setText(text);
}

std::optional<ImportOptions> TImportDialog::ask(QWidget* parent, const ImportOptions& initial,
                                                const QString& fileName) {
    TImportDialog dialog(initial, parent);
    if (const Result<SoundLength> length = readSoundLength(QFile::encodeName(fileName).toStdString())) {
        dialog.showFit(*length, rememberedPicChip(), rememberedMemory());
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.options();
}

}  // namespace ryx::ui
