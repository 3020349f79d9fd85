// SPDX-License-Identifier: GPL-3.0-or-later
#include "CWnd.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>

#include "ControlId.h"

int CWnd::GetDlgCtrlID() const {
    return m_hWnd != nullptr ? ControlId(m_hWnd) : 0;
}

void CWnd::EnableWindow(bool enable) {
    if (m_hWnd != nullptr) {
        m_hWnd->setEnabled(enable);
    }
}

bool CWnd::IsWindowEnabled() const {
    return m_hWnd != nullptr && m_hWnd->isEnabled();
}

std::string CWnd::GetWindowText() const {
    if (m_hWnd == nullptr) {
        return {};
    }
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd)) {
        return button->text().toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(m_hWnd)) {
        return label->text().toStdString();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd)) {
        return edit->text().toStdString();
    }
    if (auto* group = qobject_cast<QGroupBox*>(m_hWnd)) {
        return group->title().toStdString();
    }
    return m_hWnd->windowTitle().toStdString();
}

void CWnd::SetWindowText(const std::string& text) {
    if (m_hWnd == nullptr) {
        return;
    }
    const QString value = QString::fromStdString(text);
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd)) {
        button->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(m_hWnd)) {
        label->setText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd)) {
        edit->setText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(m_hWnd)) {
        group->setTitle(value);
    } else {
        m_hWnd->setWindowTitle(value);
    }
}
