// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>
#include <functional>

#include "AfxDefs.h"

// A horizontal scroll bar that, like the window system's, never moves itself:
// each user action becomes a scroll code for the owner, whose handler sets the
// new position. Arrow and trough clicks give SB_LINE* and SB_PAGE*, Home and End
// give SB_LEFT and SB_RIGHT, dragging gives SB_THUMBTRACK while moving and
// SB_THUMBPOSITION on release, and every action ends with SB_ENDSCROLL. With the
// focus, Left/Right give SB_LINE*, Page Up/Page Down SB_PAGE*.
//
// Positions are the owner's: Qt's range is [nMin, nMax - nPage + 1], so a
// position maps one to one.
class ScrollBarWidget : public QScrollBar {
  public:
    using Sink = std::function<void(UINT code, int position)>;

    explicit ScrollBarWidget(QWidget* parent);

    void SetSink(Sink sink) { m_sink = std::move(sink); }

    // The range and page as the owner states them (nMax is not Qt's maximum).
    void SetRangeAndPage(int minimum, int maximum, unsigned page);
    int WindowsMaximum() const { return m_maximum; }
    unsigned Page() const { return m_page; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void OnAction(int action);
    void Send(UINT code, int position);

    Sink m_sink;
    int m_maximum = 99;
    unsigned m_page = 0;
    bool m_sentSincePress = false;
};
