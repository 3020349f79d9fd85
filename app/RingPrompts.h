// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The file dialogs the ring view asks the user through; Qt's unless replaced
// (tests answer in the user's place). Each returns an empty name or list when
// the user cancels. Window thread.
struct RingPrompts {
    using Name =
        std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>;
    Name saveName;  // a file to write, which may not exist yet
    Name openName;  // an existing file
    std::function<QStringList(QWidget* parent, const QString& caption, const QString& filter)>
        openNames;  // several existing files

    static RingPrompts FileDialogs();
};
