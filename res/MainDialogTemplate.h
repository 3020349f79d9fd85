#pragma once

#include "DialogTemplate.h"

// Dialog template IDD_MAIN_DIALOG (102): the main window and its controls in
// tab order.
extern const DialogTemplate kMainDialogTemplate;
