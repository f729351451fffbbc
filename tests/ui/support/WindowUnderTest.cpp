#include "WindowUnderTest.h"

#include "support/FileBytes.h"
#include "ui/FormCanvas.h"
#include "ui/PreviewFiles.h"
#include "ui/SoundImporter.h"

#include <QTest>

#include <gtest/gtest.h>

namespace ryx::test {

WindowUnderTest::WindowUnderTest(const std::function<void(ProgramState&)>& prepare)
    : state(std::make_unique<ProgramState>()), player(*state) {
    if (prepare) prepare(*state);
    form = std::make_unique<ui::TFormMain>(*state, player, folder.path().string());
    player.watchedFile = form->previews().decodedPath();
    form->errorReporter = [this](QWidget*, const QString& message) { errors << message; };
    form->fileChooser = [this](QWidget*, const ui::FileDialogRequest& request) {
        requests.push_back(request);
        return nextChoice;
    };
    form->importer()->optionsChooser = [this](QWidget*, const ImportOptions& initial, const QString&) {
        offered.push_back(initial);
        return nextOptions;
    };
    form->importer()->noticeReporter = [this](QWidget*, const QString& message) { notices << message; };
}

void WindowUnderTest::showForm() {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
}

void WindowUnderTest::choose(const std::filesystem::path& file) { nextChoice = QString::fromStdString(file.string()); }

std::vector<std::uint8_t> WindowUnderTest::preview(bool decoded) const {
    return readFileBytes(decoded ? form->previews().decodedPath() : form->previews().originalPath());
}

QImage WindowUnderTest::picture() const { return form->canvas()->grab().toImage(); }

}  // namespace ryx::test
