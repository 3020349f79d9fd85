// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DialogTemplate.h"

// Dialog template IDD_MAIN_DIALOG (102): the main window and its controls in
// tab order.
extern const DialogTemplate kMainDialogTemplate;

// An area of the window that holds widgets of the program's own beside the
// template's controls, in dialog units.
struct DialogArea {
    short x;
    short y;
    short cx;
    short cy;
};
// Below the template's controls: the listening aids, then the analysis area.
inline constexpr DialogArea kListeningArea{5, 162, 310, 30};
inline constexpr DialogArea kAnalysisArea{5, 196, 310, 154};
