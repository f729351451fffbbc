#include "ui/CompareSettingsDialog.h"

#include "ui/QtText.h"

#include "core/ListSelection.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace ryx::ui {
namespace {

constexpr int kColumns = 8;

QString decibels(double value) {
    if (std::isinf(value)) return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return QString::number(std::fabs(value) < 0.005 ? 0.0 : value, 'f', 2);
}

}  // namespace

CompareSettingsDialog::CompareSettingsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Compare settings"));
    auto* layout = new QVBoxLayout(this);
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    layout->addWidget(note_);

    table_ = new QTableWidget(0, kColumns, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Scheme"), QStringLiteral("Fineness"), QStringLiteral("SNR"),
                                       QStringLiteral("Segm. SNR"), QStringLiteral("Low-passed SNR"),
                                       QStringLiteral("Low-passed segm. SNR"), QStringLiteral("Slope overload"),
                                       QString()});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(table_);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] {
        if (!measuring_) accept();
    });

    auto* buttons = new QDialogButtonBox(this);
    use_ = buttons->addButton(QStringLiteral("Use this setting"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 470);
}

CompareSettingsDialog::~CompareSettingsDialog() {
    for (const QPointer<QThread>& worker : workers_) {
        if (worker) worker->wait();
    }
}

void CompareSettingsDialog::measure(const ProgramState& state, EncoderChoice choice) {
    ++generation_;
    measuring_ = true;
    rows_.clear();
    best_.reset();
    table_->setRowCount(0);
    use_->setEnabled(false);
    setCursor(Qt::BusyCursor);
    note_->setText(QStringLiteral("Measuring all settings with the %1 encoder...")
                       .arg(choice == EncoderChoice::optimal ? QStringLiteral("optimal") : QStringLiteral("greedy")));

    // The worker has a copy of its own: the window may re-encode meanwhile.
    auto copy = std::make_shared<ProgramState>(state);
    const unsigned generation = generation_;
    QThread* worker = QThread::create([this, copy, choice, generation] {
        std::vector<SettingFigures> rows = compareSettings(*copy, choice);
        QMetaObject::invokeMethod(
            this,
            [this, rows = std::move(rows), generation]() mutable {
                if (generation == generation_) showRows(std::move(rows));
            },
            Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    workers_.removeAll(nullptr);
    workers_.append(worker);
    worker->start();
}

void CompareSettingsDialog::showRows(std::vector<SettingFigures> rows) {
    rows_ = std::move(rows);
    best_ = rows_.empty() ? std::nullopt : std::optional<std::size_t>(bestSetting(rows_));
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const SettingFigures& row = rows_[i];
        const QStringList cells = {fromView(schemeItemText(row.algorithmType)),
                                   fromView(finenessItemText(row.fineness)),
                                   decibels(row.figures.snrDb),
                                   decibels(row.figures.segmentalSnrDb),
                                   decibels(row.figures.lowPassSnrDb),
                                   decibels(row.figures.lowPassSegmentalSnrDb),
                                   QString::number(100.0 * row.figures.overloadShare, 'f', 1) + QStringLiteral(" %"),
                                   i == best_ ? QStringLiteral("best") : QString()};
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (i == best_) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            table_->setItem(static_cast<int>(i), column, item);
        }
    }
    table_->resizeColumnsToContents();
    if (best_) table_->selectRow(static_cast<int>(*best_));
    note_->setText(QStringLiteral("Figures in dB of the modelled filter output against the original; "
                                  "low-passed at 0.45 x the sample rate. Best: the highest low-passed SNR."));
    use_->setEnabled(!rows_.empty());
    unsetCursor();
    measuring_ = false;
    emit measured();
}

std::optional<std::size_t> CompareSettingsDialog::chosenRow() const {
    const int row = table_->currentRow();
    if (measuring_ || row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return std::nullopt;
    return static_cast<std::size_t>(row);
}

}  // namespace ryx::ui
