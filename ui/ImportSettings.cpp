#include "ui/ImportSettings.h"

#include "ui/UserSettings.h"

namespace ryx::ui {
namespace {

const QString kRateKey = QStringLiteral("import/rate");
const QString kNormalizeKey = QStringLiteral("import/normalize");
const QString kTrimKey = QStringLiteral("import/trim");
const QString kFolderKey = QStringLiteral("import/folder");

}  // namespace

ImportOptions rememberedImportOptions() {
    const QSettings stored = userSettings();
    ImportOptions options;
    bool isNumber = false;
    const uint rate = stored.value(kRateKey).toUInt(&isNumber);
    if (isNumber && rate >= kMinImportRate && rate <= kMaxImportRate) options.rate = rate;
    options.normalize = stored.value(kNormalizeKey, true).toBool();
    options.trim = stored.value(kTrimKey, true).toBool();
    return options;
}

void rememberImportOptions(const ImportOptions& options) {
    QSettings stored = userSettings();
    stored.setValue(kRateKey, options.rate);
    stored.setValue(kNormalizeKey, options.normalize);
    stored.setValue(kTrimKey, options.trim);
}

QString rememberedImportFolder() { return userSettings().value(kFolderKey).toString(); }

void rememberImportFolder(const QString& folder) { userSettings().setValue(kFolderKey, folder); }

}  // namespace ryx::ui
