// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DialogTemplate.h"

// Dialog template IDD_MAIN_DIALOG (102): the main window and its controls in
// tab order.
extern const DialogTemplate kMainDialogTemplate;

// Where the listening aids sit, below the template's controls, in dialog units.
struct DialogArea {
    short x;
    short y;
    short cx;
    short cy;
};
inline constexpr DialogArea kListeningArea{5, 162, 310, 30};
