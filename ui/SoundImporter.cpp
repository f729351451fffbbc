#include "ui/SoundImporter.h"

#include "core/Encoder.h"

#include "import/SoundImport.h"
#include "ui/ImportSettings.h"
#include "ui/QtText.h"
#include "ui/TImportDialog.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include <utility>

namespace ryx::ui {

const QString kImportFileFilter = QStringLiteral(
    "Sounds (*.wav *.wave *.flac *.ogg *.oga *.opus *.mp3 *.aif *.aiff *.aifc *.WAV *.FLAC *.OGG *.MP3 *.AIF "
    "*.AIFF);;All files (*)");

SoundImporter::SoundImporter(ProgramState& state, QWidget* parent, const FileChooser& fileChooser,
                             FailureReporter failureReporter)
    : optionsChooser(TImportDialog::ask),
      noticeReporter([](QWidget* owner, const QString& message) {
          QMessageBox::information(owner, QStringLiteral("Import sound"), message);
      }),
      state_(state), parent_(parent), fileChooser_(fileChooser),
      failureReporter_(std::move(failureReporter)) {}

bool SoundImporter::chooseAndImport() {
    const FileDialogRequest request{QStringLiteral("Import sound"), kImportFileFilter, QString(), false,
                                    rememberedImportFolder(), QString()};
    const std::optional<QString> chosen = fileChooser_(parent_, request);
    if (!chosen) return false;
    rememberImportFolder(QFileInfo(*chosen).absolutePath());
    const std::optional<ImportOptions> options = optionsChooser(parent_, rememberedImportOptions(), *chosen);
    if (!options) return false;
    rememberImportOptions(*options);
    return importFile(*chosen, *options);
}

bool SoundImporter::importFile(const QString& fileName, const ImportOptions& options) {
    const Result<ImportReport> report = importSoundFile(state_, QFile::encodeName(fileName).toStdString(), options);
    if (!report.ok()) {
        if (failureReporter_) {
            failureReporter_(QStringLiteral("The sound \"%1\" was not imported.").arg(fileName), report.failureDetail());
        }
        return false;
    }
    encodeSound(state_);
    QStringList notices;
    for (const std::string& notice : importNotices(*report)) notices << fromView(notice);
    if (!notices.isEmpty() && noticeReporter) noticeReporter(parent_, notices.join(QLatin1Char('\n')));
    return true;
}

}  // namespace ryx::ui
