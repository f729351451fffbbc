#include "ui/TCircuitBox.h"

#include "ui/CircuitPartsText.h"
#include "ui/WindowFont.h"

#include "core/OutputLevel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>

namespace ryx::ui {
namespace {

struct SeriesItem {
    const char* text;
    ResistorSeries series;
};

constexpr std::array<SeriesItem, 4> kSeriesItems{{
    {"Exact values", ResistorSeries::exact},
    {"Nearest E12 values", ResistorSeries::e12},
    {"Nearest E24 values", ResistorSeries::e24},
    {"Values in ohms", ResistorSeries::given},
}};

const QString kProblemStyle = QStringLiteral("color: rgb(192, 0, 0)");
// The parts list's longest usual line: the texts wrap within its width, so
// that no value, however long, widens the dialog.
const QString kWidestLine = QStringLiteral("Resistor B (the bit before): 4.7k\u03a9 (exact 4.508k\u03a9)");
constexpr qsizetype kShownFieldLength = 20;

// A problem quotes the field's text: a long one is cut short.
QString withShortValues(QString reason, std::initializer_list<const QLineEdit*> fields) {
    for (const QLineEdit* field : fields) {
        const QString text = field->text().trimmed();
        if (text.size() > kShownFieldLength) reason.replace(text, text.left(kShownFieldLength) + QStringLiteral("..."));
    }
    return reason;
}

// Every digit the value needs, so that OK on an unchanged field keeps it.
QString ohmsField(double ohms) { return ohms > 0 ? partValueText(ohms, &formatOhms, &parseOhms) : QString(); }

}  // namespace

TCircuitBox::TCircuitBox(const ProgramState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setWindowTitle(QStringLiteral("Circuit"));
    setObjectName(QStringLiteral("CircuitBox"));
    setFont(windowFont());

    ClassicButton = new QRadioButton(QStringLiteral("C&lassic model"), this);
    CircuitButton = new QRadioButton(QStringLiteral("C&ircuit as built"), this);
    SeriesBox = new QComboBox(this);
    for (const SeriesItem& item : kSeriesItems) SeriesBox->addItem(QString::fromLatin1(item.text));
    ResistorABox = new QLineEdit(this);
    ResistorABox->setPlaceholderText(QStringLiteral("e.g. 4.7k"));
    ResistorBBox = new QLineEdit(this);
    ResistorBBox->setPlaceholderText(QStringLiteral("as A"));
    CapacitorBox = new QLineEdit(this);
    CapacitorBox->setPlaceholderText(QStringLiteral("e.g. 0.22u or 220n"));
    LoadBox = new QLineEdit(this);
    PartsLabel = new QLabel(this);
    PartsLabel->setObjectName(QStringLiteral("PartsLabel"));
    PartsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ProblemLabel = new QLabel(this);
    ProblemLabel->setStyleSheet(kProblemStyle);
    ProblemLabel->setWordWrap(true);
    PartsLabel->setWordWrap(true);
    const int textWidth = PartsLabel->fontMetrics().horizontalAdvance(kWidestLine);
    PartsLabel->setFixedWidth(textWidth);
    ProblemLabel->setFixedWidth(textWidth);

    auto* models = new QVBoxLayout;
    models->addWidget(ClassicButton);
    models->addWidget(CircuitButton);
    auto* modelGroup = new QGroupBox(QStringLiteral("The encoder models"), this);
    modelGroup->setLayout(models);
    partsForm_ = new QFormLayout;
    partsForm_->addRow(QStringLiteral("&Resistors:"), SeriesBox);
    partsForm_->addRow(QStringLiteral("Resistor &A (ohms):"), ResistorABox);
    partsForm_->addRow(QStringLiteral("Resistor B (&ohms):"), ResistorBBox);
    partsForm_->addRow(QStringLiteral("&Capacitor:"), CapacitorBox);
    partsForm_->addRow(QStringLiteral("Loa&d (ohms or none):"), LoadBox);
    auto* partsGroup = new QGroupBox(QStringLiteral("The circuit's parts"), this);
    auto* partsLayout = new QVBoxLayout;
    partsLayout->addLayout(partsForm_);
    partsLayout->addWidget(PartsLabel);
    partsGroup->setLayout(partsLayout);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OKButton = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(modelGroup);
    layout->addWidget(partsGroup);
    layout->addWidget(ProblemLabel);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(SeriesBox, &QComboBox::currentIndexChanged, this, [this] { fieldsChanged(); });
    // The output level and the classic figure follow the model.
    connect(CircuitButton, &QRadioButton::toggled, this, [this] { fieldsChanged(); });
    for (QLineEdit* field : {ResistorABox, ResistorBBox, CapacitorBox, LoadBox}) {
        connect(field, &QLineEdit::textChanged, this, [this] { fieldsChanged(); });
    }
    showChoice(CircuitChoice{});
}

void TCircuitBox::showChoice(const CircuitChoice& choice) {
    {
        const QSignalBlocker quietSeries(SeriesBox);
        const QSignalBlocker quietA(ResistorABox);
        const QSignalBlocker quietB(ResistorBBox);
        const QSignalBlocker quietCapacitor(CapacitorBox);
        const QSignalBlocker quietLoad(LoadBox);
        const QSignalBlocker quietModel(CircuitButton);
        (choice.model == FilterModelChoice::circuit ? CircuitButton : ClassicButton)->setChecked(true);
        for (std::size_t i = 0; i < kSeriesItems.size(); ++i) {
            if (kSeriesItems[i].series == choice.parts.resistors.series) SeriesBox->setCurrentIndex(static_cast<int>(i));
        }
        ResistorABox->setText(ohmsField(choice.parts.resistors.givenOhms[0]));
        ResistorBBox->setText(ohmsField(choice.parts.resistors.givenOhms[1]));
        CapacitorBox->setText(partValueText(choice.parts.capacitanceFarads, &formatCapacitance, &parseCapacitance));
        LoadBox->setText(choice.parts.loadOhms > 0 ? ohmsField(choice.parts.loadOhms) : QStringLiteral("none"));
    }
    fieldsChanged();
}

Result<CircuitChoice> TCircuitBox::choice() const { return readFields(nullptr); }

Result<CircuitChoice> TCircuitBox::readFields(std::vector<FieldProblem>* problems) const {
    CircuitChoice chosen;
    chosen.model = CircuitButton->isChecked() ? FilterModelChoice::circuit : FilterModelChoice::classic;
    ResistorParts& resistors = chosen.parts.resistors;
    resistors.series = chosenSeries();
    // Every field is read, so that each one can show its own problem.
    Result<double> first = 0.0;
    auto read = [&](QLineEdit* field, Result<double> (*parse)(std::string_view), double& target) {
        const Result<double> value = parse(field->text().trimmed().toStdString());
        if (value) {
            target = *value;
            return;
        }
        if (problems != nullptr) problems->push_back({field, QString::fromStdString(value.error())});
        if (first) first = value;
    };
    if (resistors.series == ResistorSeries::given) {
        read(ResistorABox, &parseOhms, resistors.givenOhms[0]);
        if (twoResistors() && !ResistorBBox->text().trimmed().isEmpty()) {
            read(ResistorBBox, &parseOhms, resistors.givenOhms[1]);
        }
    }
    read(CapacitorBox, &parseCapacitance, chosen.parts.capacitanceFarads);
    read(LoadBox, &parseLoad, chosen.parts.loadOhms);
    if (!first) return first.failureDetail();
    return chosen;
}

ResistorSeries TCircuitBox::chosenSeries() const {
    return kSeriesItems[static_cast<std::size_t>(std::max(SeriesBox->currentIndex(), 0))].series;
}

bool TCircuitBox::twoResistors() const { return state_.encoder.algorithmType == kAlgorithmOneAndHalfBit; }

void TCircuitBox::fieldsChanged() {
    const bool given = chosenSeries() == ResistorSeries::given;
    partsForm_->setRowVisible(ResistorABox, given);
    partsForm_->setRowVisible(ResistorBBox, given && twoResistors());

    std::vector<FieldProblem> problems;
    const Result<CircuitChoice> chosen = readFields(&problems);
    for (QLineEdit* field : {ResistorABox, ResistorBBox, CapacitorBox, LoadBox}) {
        const auto problem = std::find_if(problems.begin(), problems.end(),
                                          [field](const FieldProblem& p) { return p.field == field; });
        field->setStyleSheet(problem == problems.end() ? QString() : kProblemStyle);
        field->setToolTip(problem == problems.end() ? QString() : problem->reason);
    }
    OKButton->setEnabled(chosen.ok());
    if (!chosen) {
        QString reason = withShortValues(QString::fromStdString(chosen.error()),
                                         {ResistorABox, ResistorBBox, CapacitorBox, LoadBox});
        if (!reason.isEmpty()) reason[0] = reason[0].toUpper();
        ProblemLabel->setText(reason + QLatin1Char('.'));
        ProblemLabel->show();
        return;
    }
    ProblemLabel->clear();
    ProblemLabel->hide();
    QString parts = circuitPartsText(chosen->parts, state_.encoder);
    // Output Filter Model (and the classic model's files) keep the fineness
    // table's figure, which differs from the exact one: say which is which.
    const std::int64_t ohms = state_.encoder.resistorOhms;
    parts += twoResistors()
                 ? QStringLiteral("\nClassic table (Output Filter Model): each 2R = %1\u03a9").arg(2 * ohms)
                 : QStringLiteral("\nClassic table (Output Filter Model): R = %1\u03a9").arg(ohms);
    // The bits the sound holds now, through the chosen model and parts.
    PartsLabel->setText(parts + QStringLiteral("\nOutput: ") +
                        QString::fromStdString(outputLevelText(outputLevel(state_, chosen->model, chosen->parts))));
}

}  // namespace ryx::ui
