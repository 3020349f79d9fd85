// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// The dialog item identifier a widget was created with (stored on the widget),
// IDC_STATIC for items without one, 0 for widgets outside a template.
int ControlId(const QWidget* widget);
void SetControlId(QWidget* widget, int id);
