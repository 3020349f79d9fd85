// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordSettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include "SettingsStore.h"

namespace {

constexpr const char* kFolderKey = "Record/Folder";
constexpr const char* kSilenceToneKey = "Record/SilenceTone";
constexpr const char* kNoStrikeWaitKey = "Record/NoStrikeWait";

}  // namespace

std::string RecordSettings::DefaultFolder() {
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty()) {
        music = QDir::homePath();
    }
    return QDir(music).filePath(QStringLiteral("Veltane")).toStdString();
}

RecordSettings RecordSettings::Load() {
    RecordSettings settings;
    const QSettings store = OpenSettings();
    if (store.status() != QSettings::NoError) {
        return settings;
    }
    settings.folder = store.value(kFolderKey).toString().toStdString();
    const QString silence = store.value(kSilenceToneKey).toString();
    settings.silenceTone = silence != QLatin1String("false");
    bool ok = false;
    const double wait = store.value(kNoStrikeWaitKey).toString().toDouble(&ok);
    if (ok && wait >= kShortestNoStrikeWait && wait <= kLongestNoStrikeWait) {
        settings.noStrikeWait = wait;
    }
    return settings;
}

void RecordSettings::Save() const {
    QSettings store = OpenSettings();
    store.setValue(kFolderKey, QString::fromStdString(folder));
    store.setValue(kSilenceToneKey, silenceTone);
    store.setValue(kNoStrikeWaitKey, noStrikeWait);
    store.sync();
}
