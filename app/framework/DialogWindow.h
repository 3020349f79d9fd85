// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class CDialog;

// The Qt window behind a CDialog. It routes the cancel paths (Escape, the close
// box) to the owner instead of closing itself.
class DialogWindow : public QDialog {
  public:
    explicit DialogWindow(CDialog& owner);

    void reject() override;

  private:
    CDialog& m_owner;
};
