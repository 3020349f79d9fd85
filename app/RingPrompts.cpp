// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingPrompts.h"

#include <QFileDialog>

RingPrompts RingPrompts::FileDialogs() {
    return RingPrompts{[](QWidget* parent, const QString& caption, const QString& filter) {
                           return QFileDialog::getSaveFileName(parent, caption, {}, filter);
                       },
                       [](QWidget* parent, const QString& caption, const QString& filter) {
                           return QFileDialog::getOpenFileName(parent, caption, {}, filter);
                       },
                       [](QWidget* parent, const QString& caption, const QString& filter) {
                           return QFileDialog::getOpenFileNames(parent, caption, {}, filter);
                       }};
}
