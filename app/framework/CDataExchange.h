// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "AfxDefs.h"

class CDialog;
class CWnd;

// One pass of data exchange between a dialog's members and its controls:
// save-and-validate true moves control values into members, false the reverse.
class CDataExchange {
  public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    // The control of this id; a missing control is a fault in the template.
    HWND PrepareCtrl(int id) const;
    // Ends the exchange as failed (the caller's UpdateData returns false).
    [[noreturn]] void Fail() const;

    bool m_bSaveAndValidate;
    CDialog* m_pDlgWnd;
};

// Binds a control object to the control of this id (once).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// Shown with up to 15 significant digits: 440.0 as "440", 440.1 as "440.1".
void DDX_Text(CDataExchange* dx, int id, double& value);
// A trackbar's position.
void DDX_Slider(CDataExchange* dx, int id, int& value);
