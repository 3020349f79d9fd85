// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

class CDialog;
class QIcon;

// The application object. Construct exactly one, as a global; InitInstance runs
// once the Qt application exists, and the program ends when it returns false.
class CWinApp {
  public:
    // No name of its own means the executable's file name without extension.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual bool InitInstance() { return false; }

    // The three-dimensional control look has no counterpart here; kept so the
    // start-up reads as written.
    void Enable3dControls() {}

    // The application icon of resource id, with every size it was drawn in.
    QIcon LoadIcon(int resourceId) const;

    std::string AppName() const;

    CDialog* m_pMainWnd = nullptr;

  private:
    const char* m_appName;
};

CWinApp* AfxGetApp();
// The caption of every message box.
std::string AfxGetAppName();
