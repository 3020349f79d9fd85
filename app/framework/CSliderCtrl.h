// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CWnd.h"

// A trackbar: position 0 to 100 unless a range is set. It moves itself on user
// input and reports each move to the dialog's OnHScroll with itself as sender.
class CSliderCtrl : public CWnd {
  public:
    void Attach(HWND widget) override;

    int GetPos() const;
    // Sets the position without reporting a move.
    void SetPos(int position);
    void SetRange(int minimum, int maximum);
};
