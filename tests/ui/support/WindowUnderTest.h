#pragma once
// One main window for a test, with its own state, preview folder and a player
// that records what it is asked. Its file and import dialogs answer from the
// fields below; what it would show in a box is collected instead.

#include "core/ProgramState.h"
#include "import/ImportOptions.h"
#include "ui/support/RecordingPlayer.h"
#include "support/TempDirectory.h"
#include "ui/TFormMain.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ryx::test {

class WindowUnderTest {
public:
    // prepare runs on the state before the window is made.
    explicit WindowUnderTest(const std::function<void(ProgramState&)>& prepare = nullptr);
    WindowUnderTest(const WindowUnderTest&) = delete;
    WindowUnderTest& operator=(const WindowUnderTest&) = delete;

    // Shows the window and waits until it is on the screen.
    void showForm();
    // The file the next file dialog returns.
    void choose(const std::filesystem::path& file);
    std::vector<std::uint8_t> preview(bool decoded) const;
    QImage picture() const;

    // In this order, so that the window goes before its player, state and folder.
    TempDirectory folder;
    std::unique_ptr<ProgramState> state;
    RecordingPlayer player;
    std::unique_ptr<ui::TFormMain> form;
    QStringList errors, notices;
    std::vector<ui::FileDialogRequest> requests;
    std::vector<ImportOptions> offered;
    std::optional<QString> nextChoice;
    std::optional<ImportOptions> nextOptions = ImportOptions{};
};

}  // namespace ryx::test
