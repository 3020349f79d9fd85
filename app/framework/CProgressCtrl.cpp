// SPDX-License-Identifier: GPL-3.0-or-later
#include "CProgressCtrl.h"

#include <algorithm>

#include <QMetaObject>
#include <QProgressBar>
#include <QThread>

namespace {
QProgressBar* AsBar(HWND widget) {
    return qobject_cast<QProgressBar*>(widget);
}
}  // namespace

void CProgressCtrl::Attach(HWND widget) {
    Q_ASSERT(widget == nullptr || AsBar(widget) != nullptr);
    CWnd::Attach(widget);
}

void CProgressCtrl::SetRange(short lower, short upper) {
    if (QProgressBar* bar = AsBar(m_hWnd)) {
        bar->setRange(lower, upper);
    }
}

void CProgressCtrl::SetPos(int position) {
    QProgressBar* bar = AsBar(m_hWnd);
    if (bar == nullptr) {
        return;
    }
    // Synchronous from other threads: the caller waits until the window thread
    // has run the update, so the window thread must never wait for this caller
    // without processing events.
    const Qt::ConnectionType type = QThread::currentThread() == bar->thread()
                                        ? Qt::DirectConnection
                                        : Qt::BlockingQueuedConnection;
    // Out-of-range positions are clamped, as the window system's bar does.
    QMetaObject::invokeMethod(
        bar,
        [bar, position] { bar->setValue(std::clamp(position, bar->minimum(), bar->maximum())); },
        type);
}

int CProgressCtrl::GetPos() const {
    const QProgressBar* bar = AsBar(m_hWnd);
    return bar != nullptr ? bar->value() : 0;
}
