#include "ui/TSoundBankBox.h"

#include "support/FileBytes.h"
#include "support/TempDirectory.h"
#include "support/WaveBytes.h"
#include "ui/ImportSettings.h"
#include "ui/PicTargetPanel.h"
#include "ui/ProgramImageFiles.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace ryx::ui {
namespace {

namespace fs = std::filesystem;

constexpr ImportOptions kBankImport{8000, false, false};
constexpr std::size_t kLong = kMaxSamples + 30000;  // 36.56 s at 8000 Hz

QStringList lengths(const TSoundBankBox& box) {
    QStringList texts;
    for (int row = 0; row < box.SoundList->topLevelItemCount(); ++row) texts << box.SoundList->topLevelItem(row)->text(1);
    return texts;
}

class SoundBankLongTest : public ::testing::Test {
protected:
    SoundBankLongTest() {
        rememberImportOptions(kBankImport);
        test::writeFileBytes(work / "long.wav", test::wave44(test::squareSamples(kLong), 8000));
        test::writeFileBytes(work / "short.wav", test::wave44(test::squareSamples(4000), 8000));
        files = {QString::fromStdString((work / "long.wav").string()), QString::fromStdString((work / "short.wav").string())};
    }
    ~SoundBankLongTest() override { rememberImportOptions(ImportOptions{}); }

    test::TempDirectory work;
    QStringList files;
    ProgramState encoding;
    QStringList errors;
};

// With a serial memory the bank takes a sound past 262,500 samples whole,
// whether it was added with the memory chosen or cut before the memory was
// chosen (then read again), and saves the bytes ryxenc writes for the files.
TEST_F(SoundBankLongTest, WithAMemoryALongSoundIsSavedWholeAsRyxencSavesIt) {
    const std::string cli = "'" RYXENC_PATH "' -q -r 8000 --no-trim --no-normalize --chip 16f628a --memory W25Q32 "
                            "--bank --image '" + (work / "cli-image.hex").string() + "' --hex '" +
                            (work / "cli.hex").string() + "' '" + files[0].toStdString() + "' '" +
                            files[1].toStdString() + "'";
    ASSERT_EQ(std::system(cli.c_str()), 0) << cli;
    for (const bool memoryFirst : {true, false}) {
        SCOPED_TRACE(memoryFirst ? "memory chosen, then added" : "added cut, then the memory chosen");
        TSoundBankBox box(encoding, [this](const QString& failed, const Error&) { errors << failed; });
        box.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F628A"));
        if (memoryFirst) box.Target->MemoryBox->setCurrentText(QStringLiteral("W25Q32"));
        box.addFiles(files);
        if (!memoryFirst) {
            EXPECT_EQ(lengths(box), QStringList({"32.81 s, cut", "0.50 s"}));
            box.Target->MemoryBox->setCurrentText(QStringLiteral("W25Q32"));
        }
        EXPECT_EQ(lengths(box), QStringList({"36.56 s", "0.50 s"}));
        EXPECT_EQ(box.Target->MemoryBar->value(), static_cast<int>(kLong + 4000));
        ASSERT_TRUE(box.SaveButton->isEnabled()) << box.Target->FiguresLabel->text().toStdString();
        const fs::path program = work / (memoryFirst ? "first.hex" : "then.hex");
        ASSERT_TRUE(box.save(program)) << program;
        EXPECT_EQ(test::readFileBytes(program), test::readFileBytes(work / "cli.hex"));
        EXPECT_EQ(test::readFileBytes(memoryImagePath(program, *findMemory("W25Q32"))),
                  test::readFileBytes(work / "cli-image.hex"));
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// Each target keeps the sound as it holds it: whole from a memory (an
// include's too) or on a PIC18, cut in a PIC16's own memory and in an
// include's own tables; a sound that cannot
// be read whole again stays cut and the bank is refused, naming it.
TEST_F(SoundBankLongTest, TheTargetDecidesWhetherTheSoundIsWholeOrCut) {
    TSoundBankBox box(encoding, [this](const QString& failed, const Error&) { errors << failed; });
    box.Target->ChipBox->setCurrentText(QStringLiteral("PIC18F26K22"));
    box.addFiles(files);
    const struct {
        const char* chip;
        const char* memory;
        bool include;
        const char* length;
    } targets[] = {
        {"PIC18F26K22", "in the chip", false, "36.56 s"},
        {"PIC18F26K22", "in the chip", true, "32.81 s, cut"},
        {"PIC16F1825", "in the chip", false, "32.81 s, cut"},
        {"PIC16F1825", "24LC512", false, "36.56 s"},
        {"PIC16F1825", "24LC512", true, "36.56 s"},
    };
    for (const auto& target : targets) {
        SCOPED_TRACE(std::string(target.chip) + " " + target.memory + (target.include ? " include" : ""));
        box.Target->ChipBox->setCurrentText(QString::fromLatin1(target.chip));
        box.Target->MemoryBox->setCurrentText(QString::fromLatin1(target.memory));
        (target.include ? box.IncludeButton : box.Target->HexButton)->click();
        EXPECT_EQ(lengths(box).first(), QString::fromLatin1(target.length));
        EXPECT_EQ(box.encodedSounds().front().samples, std::string(target.length).ends_with("cut") ? kMaxSamples : kLong);
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();

    // Added cut, gone when the memory wants it whole.
    TSoundBankBox cut(encoding, [this](const QString& failed, const Error&) { errors << failed; });
    cut.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F628A"));
    cut.addFiles(files);
    fs::remove(work / "long.wav");
    cut.Target->MemoryBox->setCurrentText(QStringLiteral("W25Q32"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("\"long\" could not be read whole again")) << errors[0].toStdString();
    EXPECT_EQ(lengths(cut).first(), QStringLiteral("32.81 s, cut"));
    EXPECT_FALSE(cut.SaveButton->isEnabled());
    EXPECT_TRUE(cut.Target->FiguresLabel->text().contains("Sound 1 (long) could not be read whole again"))
        << cut.Target->FiguresLabel->text().toStdString();
    cut.Target->ChipBox->setCurrentText(QStringLiteral("PIC16F88"));  // not asked again
    EXPECT_EQ(errors.size(), 1);
}

}  // namespace
}  // namespace ryx::ui
