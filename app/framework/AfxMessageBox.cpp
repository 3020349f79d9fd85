// SPDX-License-Identifier: GPL-3.0-or-later
#include "AfxMessageBox.h"

#include "AfxDefs.h"
#include "CWinApp.h"
#include "QtPrompter.h"

namespace {
QtPrompter qtPrompter;
Prompter* currentPrompter = &qtPrompter;
}  // namespace

Prompter& AfxGetPrompter() {
    return *currentPrompter;
}

void AfxSetPrompter(Prompter* prompter) {
    currentPrompter = prompter != nullptr ? prompter : &qtPrompter;
}

int AfxMessageBox(const std::string& text) {
    AfxGetPrompter().MessageBox(text, AfxGetAppName());
    return IDOK;
}
