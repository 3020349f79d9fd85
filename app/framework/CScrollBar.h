// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CWnd.h"
#include "ScrollInfo.h"

class ScrollBarWidget;

// A scroll bar control. Its state is read and written as a whole through
// SCROLLINFO; the bar itself never changes position on user input.
class CScrollBar : public CWnd {
  public:
    void Attach(HWND widget) override;

    // Fills the fields that fMask names. nTrackPos is the thumb's position while
    // it is dragged, the position otherwise.
    bool GetScrollInfo(SCROLLINFO* info, UINT mask = SIF_ALL) const;
    // Applies the fields that info->fMask names; the position is clamped to
    // [nMin, nMax - nPage + 1].
    bool SetScrollInfo(const SCROLLINFO* info, bool redraw = true);
    int GetScrollPos() const;
    bool EnableScrollBar(UINT arrowFlags = ESB_ENABLE_BOTH);

  private:
    ScrollBarWidget* Bar() const;
};
