// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDataExchange.h"

#include <QLineEdit>
#include <QSlider>
#include <cstdio>
#include <cstdlib>

#include "AfxMessageBox.h"
#include "CDialog.h"
#include "DataExchangeFailure.h"

HWND CDataExchange::PrepareCtrl(int id) const {
    HWND control = m_pDlgWnd->GetDlgItem(id);
    Q_ASSERT_X(control != nullptr, "CDataExchange", "no control of this id in the template");
    return control;
}

void CDataExchange::Fail() const {
    throw DataExchangeFailure();
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    dx->m_pDlgWnd->BindControl(id, control);
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    auto* edit = qobject_cast<QLineEdit*>(dx->PrepareCtrl(id));
    if (edit == nullptr) {
        return;
    }
    if (dx->m_bSaveAndValidate) {
        value = edit->text().toStdString();
    } else {
        edit->setText(QString::fromStdString(value));
        edit->setCursorPosition(0);  // show the start of a text wider than the box
    }
}

void DDX_Text(CDataExchange* dx, int id, double& value) {
    auto* edit = qobject_cast<QLineEdit*>(dx->PrepareCtrl(id));
    if (edit == nullptr) {
        return;
    }
    if (dx->m_bSaveAndValidate) {
        const std::string text = edit->text().trimmed().toStdString();
        char* end = nullptr;
        const double parsed = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size()) {
            AfxMessageBox("Enter a number.");
            edit->setFocus();
            dx->Fail();
        }
        value = parsed;
    } else {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", value);
        edit->setText(QString::fromLatin1(buffer));
        edit->setCursorPosition(0);
    }
}

void DDX_Slider(CDataExchange* dx, int id, int& value) {
    auto* slider = qobject_cast<QSlider*>(dx->PrepareCtrl(id));
    if (slider == nullptr) {
        return;
    }
    if (dx->m_bSaveAndValidate) {
        value = slider->value();
    } else {
        const QSignalBlocker blocker(slider);
        slider->setValue(value);
    }
}
