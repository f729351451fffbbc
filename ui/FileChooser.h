#pragma once
// The file dialog as the window and the importer ask for it, replaceable by
// tests: what it is asked to show, and the chosen file.

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace ryx::ui {

// What a file dialog is asked to show.
struct FileDialogRequest {
    QString title;  // empty: the dialog's own default title
    QString filter;
    QString defaultSuffix;
    bool save = false;
    QString directory;  // empty: the dialog's own choice
    QString fileName;   // proposed in that folder; empty: none
};

// Returns the chosen file, or nothing when the user cancels.
using FileChooser = std::function<std::optional<QString>(QWidget* parent, const FileDialogRequest& request)>;

}  // namespace ryx::ui
