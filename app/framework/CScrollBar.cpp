// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScrollBar.h"

#include <algorithm>

#include "ScrollBarWidget.h"

void CScrollBar::Attach(HWND widget) {
    Q_ASSERT(widget == nullptr || dynamic_cast<ScrollBarWidget*>(widget) != nullptr);
    CWnd::Attach(widget);
}

ScrollBarWidget* CScrollBar::Bar() const {
    return static_cast<ScrollBarWidget*>(m_hWnd);
}

bool CScrollBar::GetScrollInfo(SCROLLINFO* info, UINT mask) const {
    const ScrollBarWidget* bar = Bar();
    if (bar == nullptr || info == nullptr) {
        return false;
    }
    info->fMask = mask;
    if ((mask & SIF_RANGE) != 0) {
        info->nMin = bar->minimum();
        info->nMax = bar->WindowsMaximum();
    }
    if ((mask & SIF_PAGE) != 0) {
        info->nPage = bar->Page();
    }
    if ((mask & SIF_POS) != 0) {
        info->nPos = bar->value();
    }
    if ((mask & SIF_TRACKPOS) != 0) {
        info->nTrackPos = bar->sliderPosition();
    }
    return true;
}

bool CScrollBar::SetScrollInfo(const SCROLLINFO* info, bool redraw) {
    ScrollBarWidget* bar = Bar();
    if (bar == nullptr || info == nullptr) {
        return false;
    }
    int minimum = bar->minimum();
    int maximum = bar->WindowsMaximum();
    unsigned page = bar->Page();
    if ((info->fMask & SIF_RANGE) != 0) {
        minimum = info->nMin;
        maximum = info->nMax;
    }
    if ((info->fMask & SIF_PAGE) != 0) {
        page = info->nPage;
    }
    if ((info->fMask & (SIF_RANGE | SIF_PAGE)) != 0) {
        bar->SetRangeAndPage(minimum, maximum, page);
    }
    if ((info->fMask & SIF_POS) != 0) {
        const QSignalBlocker blocker(bar);
        bar->setValue(std::clamp(info->nPos, bar->minimum(), bar->maximum()));
    }
    if (redraw) {
        bar->update();
    }
    return true;
}

int CScrollBar::GetScrollPos() const {
    return Bar() != nullptr ? Bar()->value() : 0;
}

bool CScrollBar::EnableScrollBar(UINT /*arrowFlags*/) {
    if (m_hWnd == nullptr) {
        return false;
    }
    m_hWnd->setEnabled(true);
    return true;
}
