// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

class Prompter;

// Shows a plain message box (OK, no icon) with the application's name as title.
// Window thread; returns when the box is dismissed.
int AfxMessageBox(const std::string& text);

// The prompter used by message boxes and file dialogs; Qt's unless replaced.
// Passing nullptr restores Qt's. Window thread.
Prompter& AfxGetPrompter();
void AfxSetPrompter(Prompter* prompter);
