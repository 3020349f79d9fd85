// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowShortcut.h"

#include <QShortcut>
#include <QWidget>

#include "AfxDispatch.h"

void AddWindowShortcut(QWidget* window, const QKeySequence& keys, std::function<void()> action) {
    auto* shortcut = new QShortcut(keys, window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window,
                     [action = std::move(action)] { AfxDispatch(action); });
}
