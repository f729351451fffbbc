#include "ui/TImportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OKButton = buttons->button(QDialogButtonBox::Ok);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(RateBox, &QComboBox::currentTextChanged, this, [this] { OKButton->setEnabled(options().has_value()); });
    OKButton->setEnabled(options().has_value());

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Rate (Hz):"), RateBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(NormalizeBox);
    layout->addWidget(TrimBox);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::optional<ImportOptions> TImportDialog::options() const {
    bool isNumber = false;
    const uint rate = RateBox->currentText().trimmed().toUInt(&isNumber);
    if (!isNumber || rate < kMinImportRate || rate > kMaxImportRate) return std::nullopt;
    return ImportOptions{rate, NormalizeBox->isChecked(), TrimBox->isChecked()};
}

std::optional<ImportOptions> TImportDialog::ask(QWidget* parent, const ImportOptions& initial) {
    TImportDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.options();
}

}  // namespace ryx::ui
