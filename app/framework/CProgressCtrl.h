// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CWnd.h"

// A progress bar. SetPos may be called from any thread and returns only once
// the bar holds the new position (the window thread then runs the update).
class CProgressCtrl : public CWnd {
  public:
    void Attach(HWND widget) override;

    void SetRange(short lower, short upper);
    void SetPos(int position);
    int GetPos() const;
};
