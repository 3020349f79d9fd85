// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

class QWidget;

// The handful of window-system names the program is written against. A window
// handle is the Qt widget behind a control.
using HWND = QWidget*;
using UINT = unsigned int;
using BOOL = int;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

// Horizontal-scroll codes, as a scroll bar or a trackbar reports them.
inline constexpr UINT SB_LINELEFT = 0;
inline constexpr UINT SB_LINERIGHT = 1;
inline constexpr UINT SB_PAGELEFT = 2;
inline constexpr UINT SB_PAGERIGHT = 3;
inline constexpr UINT SB_THUMBPOSITION = 4;
inline constexpr UINT SB_THUMBTRACK = 5;
inline constexpr UINT SB_LEFT = 6;
inline constexpr UINT SB_RIGHT = 7;
inline constexpr UINT SB_ENDSCROLL = 8;

// Trackbar codes share the values of the scroll codes.
inline constexpr UINT TB_THUMBPOSITION = SB_THUMBPOSITION;
inline constexpr UINT TB_THUMBTRACK = SB_THUMBTRACK;
inline constexpr UINT TB_ENDTRACK = SB_ENDSCROLL;

inline constexpr int SB_CTL = 2;
inline constexpr UINT ESB_ENABLE_BOTH = 0;
