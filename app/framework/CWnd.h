// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "AfxDefs.h"

// A control object bound to a widget of a dialog (DDX_Control). It does not own
// the widget: the dialog's window does.
class CWnd {
  public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Binds the object to a widget; the type of widget is checked by the control
    // classes that need one.
    virtual void Attach(HWND widget) { m_hWnd = widget; }
    void Detach() { m_hWnd = nullptr; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    int GetDlgCtrlID() const;
    void EnableWindow(bool enable);
    bool IsWindowEnabled() const;
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text);

  protected:
    HWND m_hWnd = nullptr;
};
