// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControlId.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr char kProperty[] = "dialogItemId";
}

int ControlId(const QWidget* widget) {
    const QVariant id = widget->property(kProperty);
    return id.isValid() ? id.toInt() : 0;
}

void SetControlId(QWidget* widget, int id) {
    widget->setProperty(kProperty, id);
}
