// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>

// The one settings file that every part of the window keeps its values in
// (~/.config/veltane/veltane.conf). Window thread.
QSettings OpenSettings();
