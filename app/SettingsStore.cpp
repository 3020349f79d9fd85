// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

QSettings OpenSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("veltane"),
                     QStringLiteral("veltane"));
}
