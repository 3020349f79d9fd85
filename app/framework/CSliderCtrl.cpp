// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSliderCtrl.h"

#include <QSignalBlocker>
#include <QSlider>

namespace {
QSlider* AsSlider(HWND widget) {
    return qobject_cast<QSlider*>(widget);
}
}  // namespace

void CSliderCtrl::Attach(HWND widget) {
    Q_ASSERT(widget == nullptr || AsSlider(widget) != nullptr);
    CWnd::Attach(widget);
}

int CSliderCtrl::GetPos() const {
    const QSlider* slider = AsSlider(m_hWnd);
    return slider != nullptr ? slider->value() : 0;
}

void CSliderCtrl::SetPos(int position) {
    if (QSlider* slider = AsSlider(m_hWnd)) {
        const QSignalBlocker blocker(slider);
        slider->setValue(position);
    }
}

void CSliderCtrl::SetRange(int minimum, int maximum) {
    if (QSlider* slider = AsSlider(m_hWnd)) {
        const QSignalBlocker blocker(slider);
        slider->setRange(minimum, maximum);
    }
}
