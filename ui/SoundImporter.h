#pragma once
// File > Import sound: the file dialog, the import dialog, the import into
// the program's state, and what the user is told. A failed import changes
// nothing; after a successful one the window writes the previews and
// repaints, as after an open of the same 8-bit sound.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "import/ImportOptions.h"
#include "ui/FileChooser.h"

#include <QString>

#include <functional>
#include <optional>

namespace ryx::ui {

// Returns the choices, or nothing when the user cancels.
// Asked with the chosen sound's file, whose length the dialog shows.
using ImportOptionsChooser = std::function<std::optional<ImportOptions>(QWidget* parent, const ImportOptions& initial,
                                                                        const QString& fileName)>;
// Tells the user something that is not an error.
using NoticeReporter = std::function<void(QWidget* parent, const QString& message)>;
// Shows a failure: what failed, then the reason.
using FailureReporter = std::function<void(const QString& failed, const Error& error)>;

class SoundImporter {
public:
    // The chooser is the main window's, so tests replace it once; failures
    // go to the window, which shows them.
    SoundImporter(ProgramState& state, QWidget* parent, const FileChooser& fileChooser,
                  FailureReporter failureReporter);

    // Replaceable for tests; the defaults are the import dialog and an information box.
    ImportOptionsChooser optionsChooser;
    NoticeReporter noticeReporter;

    // The whole command; returns whether a sound was imported.
    bool chooseAndImport();
    // One file with the given choices; returns whether it was imported.
    bool importFile(const QString& fileName, const ImportOptions& options);

private:
    ProgramState& state_;
    QWidget* parent_;
    const FileChooser& fileChooser_;
    FailureReporter failureReporter_;
};

// The file dialog's filter: every kind of sound the importer reads.
extern const QString kImportFileFilter;

}  // namespace ryx::ui
