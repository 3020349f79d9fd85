// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScrollBarWidget.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

ScrollBarWidget::ScrollBarWidget(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    // The position changes only through the owner's handler, so a drag must not
    // move the value on its own: it reports the tracking position instead.
    setTracking(false);
    setSingleStep(1);
    connect(this, &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnAction(action); });
    connect(this, &QAbstractSlider::sliderMoved, this,
            [this](int position) { Send(SB_THUMBTRACK, position); });
    connect(this, &QAbstractSlider::sliderReleased, this,
            [this] { Send(SB_THUMBPOSITION, sliderPosition()); });
}

void ScrollBarWidget::SetRangeAndPage(int minimum, int maximum, unsigned page) {
    m_maximum = maximum;
    m_page = page;
    const int highest = page > 0 ? maximum - static_cast<int>(page) + 1 : maximum;
    const QSignalBlocker blocker(this);
    setRange(minimum, highest < minimum ? minimum : highest);
    setPageStep(page > 0 ? static_cast<int>(page) : 1);
}

void ScrollBarWidget::OnAction(int action) {
    // Qt has already moved the slider position for the action; undo that before
    // anyone sees it. Qt then sets the value to this position, a no-op unless the
    // handler below has set a new one.
    setSliderPosition(value());
    switch (action) {
        case SliderSingleStepSub:
            Send(SB_LINELEFT, 0);
            break;
        case SliderSingleStepAdd:
            Send(SB_LINERIGHT, 0);
            break;
        case SliderPageStepSub:
            Send(SB_PAGELEFT, 0);
            break;
        case SliderPageStepAdd:
            Send(SB_PAGERIGHT, 0);
            break;
        case SliderToMinimum:
            Send(SB_LEFT, 0);
            break;
        case SliderToMaximum:
            Send(SB_RIGHT, 0);
            break;
        default:  // SliderMove comes with the drag signals, reported there
            break;
    }
}

void ScrollBarWidget::Send(UINT code, int position) {
    m_sentSincePress = true;
    if (m_sink) {
        m_sink(code, position);
    }
}

void ScrollBarWidget::mousePressEvent(QMouseEvent* event) {
    m_sentSincePress = false;
    QScrollBar::mousePressEvent(event);
}

void ScrollBarWidget::mouseReleaseEvent(QMouseEvent* event) {
    QScrollBar::mouseReleaseEvent(event);
    if (m_sentSincePress) {
        m_sentSincePress = false;
        if (m_sink) {
            m_sink(SB_ENDSCROLL, 0);
        }
    }
}

void ScrollBarWidget::keyPressEvent(QKeyEvent* event) {
    m_sentSincePress = false;
    // Qt's scroll bar inverts its keys for the vertical case and so turns Left and
    // Right around; here Left is SB_LINELEFT and Right SB_LINERIGHT, as on the
    // window system.
    const bool plain =
        event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        triggerAction(event->key() == Qt::Key_Left ? SliderSingleStepSub : SliderSingleStepAdd);
        event->accept();
    } else {
        QScrollBar::keyPressEvent(event);
    }
    if (m_sentSincePress) {
        m_sentSincePress = false;
        if (m_sink) {
            m_sink(SB_ENDSCROLL, 0);
        }
    }
}

void ScrollBarWidget::wheelEvent(QWheelEvent* event) {
    // A control scroll bar takes no wheel input.
    event->ignore();
}

void ScrollBarWidget::contextMenuEvent(QContextMenuEvent* event) {
    // Qt's menu would set positions directly, behind the owner's back.
    event->ignore();
}
