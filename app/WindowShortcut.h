// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeySequence>
#include <functional>

class QWidget;

// A shortcut of the whole window, wherever the focus is in it; its action runs
// as a handler does (through the framework's dispatch, which reports what
// escapes it). Window thread.
void AddWindowShortcut(QWidget* window, const QKeySequence& keys, std::function<void()> action);
