// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListeningSettings.h"

#include <QSettings>
#include <cmath>

#include "ListeningControls.h"
#include "SettingsStore.h"

namespace {

constexpr const char* kA4Key = "A4";
constexpr const char* kLoopKey = "Loop";
constexpr const char* kBothEarsKey = "BothEars";
constexpr const char* kLastFolderKey = "LastFolder";

// Only the two words QSettings writes for a bool; anything else is damage.
bool ReadBool(const QSettings& store, const char* key, bool fallback) {
    const QString text = store.value(key).toString();
    if (text == QLatin1String("true")) {
        return true;
    }
    if (text == QLatin1String("false")) {
        return false;
    }
    return fallback;
}

}  // namespace

ListeningSettings ListeningSettings::Load() {
    ListeningSettings settings;
    const QSettings store = OpenSettings();
    if (store.status() != QSettings::NoError) {
        return settings;
    }
    bool ok = false;
    const double a4 = store.value(kA4Key).toString().toDouble(&ok);
    if (ok && a4 >= ListeningControls::kLowestA4 && a4 <= ListeningControls::kHighestA4) {
        settings.a4 = std::round(a4 * 10.0) / 10.0;
    }
    settings.loop = ReadBool(store, kLoopKey, settings.loop);
    settings.bothEars = ReadBool(store, kBothEarsKey, settings.bothEars);
    // Text, or the bytes of a name that is not UTF-8 (see Save).
    settings.lastFolder = store.value(kLastFolderKey).toByteArray().toStdString();
    return settings;
}

void ListeningSettings::Save() const {
    QSettings store = OpenSettings();
    store.setValue(kA4Key, QString::number(a4, 'f', 1));
    store.setValue(kLoopKey, loop);
    store.setValue(kBothEarsKey, bothEars);
    // A folder's name is bytes: kept as text where it is UTF-8, as bytes where not.
    const QByteArray folder = QByteArray::fromStdString(lastFolder);
    const QString text = QString::fromUtf8(folder);
    if (text.toUtf8() == folder) {
        store.setValue(kLastFolderKey, text);
    } else {
        store.setValue(kLastFolderKey, folder);
    }
    store.sync();
}
