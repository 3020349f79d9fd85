// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CDialog;

// Gives each control of the main dialog the name a screen reader says for it.
// Window thread, once the window is built.
void NameMainDialogControls(CDialog& dialog);
