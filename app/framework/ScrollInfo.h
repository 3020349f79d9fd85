// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AfxDefs.h"

inline constexpr UINT SIF_RANGE = 0x0001;
inline constexpr UINT SIF_PAGE = 0x0002;
inline constexpr UINT SIF_POS = 0x0004;
inline constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
inline constexpr UINT SIF_TRACKPOS = 0x0010;
inline constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;  // 23

// A scroll bar's state. The highest position the thumb can take is
// nMax - nPage + 1 (nMax itself when the page is 0).
struct SCROLLINFO {
    UINT cbSize = 0;
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// The size the dialog states in cbSize, as the window system defines it.
static_assert(sizeof(SCROLLINFO) == 28);
