// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogWindow.h"

#include "CDialog.h"

DialogWindow::DialogWindow(CDialog& owner)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_owner(owner) {}

void DialogWindow::reject() {
    // Escape and the close box (QDialog::closeEvent calls reject) both land here;
    // the dialog ends only if the owner's OnCancel says so.
    m_owner.OnCancelRequested();
}
