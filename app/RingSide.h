// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <functional>
#include <string>

#include "MainDialogTemplate.h"

class QPushButton;
class RingView;

// Right of the main dialog's own controls, in dialog units, as tall as the
// window less the margin above and below (cy is not used); the window grows by
// its width and the margin while the ring is shown, to 575 units: 1006 pixels
// wide with the usual 9-point font, within a 1024-pixel screen.
inline constexpr DialogArea kRingArea{320, 5, 250, 0};

// The ring beside the main dialog: the Ring button shows and hides it (the
// window grows to the right and shrinks back); selecting a bell loads its
// recording through load; Keep stores tone(). The ring last shown opens again
// at the next start unless a file is named. Window thread only.
class RingSide : public QObject {
    Q_OBJECT

  public:
    using Load = std::function<void(const std::string& path)>;

    // area: where the view goes, in the window's pixels (its height unused).
    RingSide(QWidget* window, const QRect& area, Load load, std::function<double()> tone);

    QPushButton* Button() const { return m_button; }
    RingView* View() const { return m_view; }

    // Once the window runs: opens the ring file named at start or, with no file
    // named, the ring last shown, and loads its first bell. Whether named is a
    // ring file (and so no recording for the window to load).
    bool OpenAtStart(const std::string& named);
    // A file dropped on the window: a ring file opens, as it does dropped on
    // the view. Whether it was one (and so no recording to load).
    bool OpenDropped(const std::string& dropped);

  private:
    void Open(const QString& path);
    void Show(bool shown);
    void KeepOnScreen();

    QWidget* m_window;
    QSize m_ownSize;
    int m_extraWidth;
    RingView* m_view;
    QPushButton* m_button;
};
