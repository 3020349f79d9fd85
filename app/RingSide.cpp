// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingSide.h"

#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <algorithm>

#include "FileNameBytes.h"
#include "RingCommand.h"
#include "RingView.h"
#include "SettingsStore.h"

namespace {

constexpr const char* kLastRingKey = "Ring/Last";

}  // namespace

RingSide::RingSide(QWidget* window, const QRect& area, Load load, std::function<double()> tone)
    : QObject(window),
      m_window(window),
      m_ownSize(window->size()),
      // As far from the right edge as from the top.
      m_extraWidth(area.x() + area.width() + area.y() - m_ownSize.width()),
      m_view(new RingView(window)),
      m_button(new QPushButton(tr("&Ring"), window)) {
    m_view->setGeometry(area.x(), area.y(), area.width(), m_ownSize.height() - 2 * area.y());
    m_view->SetToneSource(std::move(tone));
    m_view->hide();
    m_button->setObjectName(QStringLiteral("ringButton"));
    m_button->setCheckable(true);
    m_button->setAutoDefault(false);
    m_button->setToolTip(tr("Show the ring beside the spectrum"));
    connect(m_button, &QPushButton::toggled, this, &RingSide::Show);
    connect(
        m_view, &RingView::bellSelected, this,
        [load = std::move(load)](const QString& recording) { load(EncodeFileName(recording)); });
    connect(m_view, &RingView::ringOpened, this, [this](const QString& path) {
        OpenSettings().setValue(kLastRingKey, path);
        m_button->setChecked(true);
    });
}

void RingSide::Show(bool shown) {
    m_window->setFixedSize(m_ownSize.width() + (shown ? m_extraWidth : 0), m_ownSize.height());
    m_view->setVisible(shown);
    KeepOnScreen();
    if (!shown) {
        OpenSettings().remove(kLastRingKey);
    } else if (m_view->Model()->IsOpen()) {
        OpenSettings().setValue(kLastRingKey, m_view->Model()->Path());
    }
}

// A window grown past the screen's right edge moves left as far as it must.
void RingSide::KeepOnScreen() {
    const QScreen* screen = m_window->screen();
    if (screen == nullptr || !m_window->isVisible()) {
        return;
    }
    const int overflow = m_window->frameGeometry().right() - screen->availableGeometry().right();
    if (overflow > 0) {
        m_window->move(std::max(screen->availableGeometry().left(), m_window->x() - overflow),
                       m_window->y());
    }
}

bool RingSide::OpenAtStart(const std::string& named) {
    const QString file = DecodeFileName(named);
    const bool ring = !named.empty() && RingCommand::IsRingFile(file);
    const QString path = named.empty() ? OpenSettings().value(kLastRingKey).toString() : file;
    if (ring || (named.empty() && !path.isEmpty())) {
        QMetaObject::invokeMethod(
            this, [this, path] { Open(path); }, Qt::QueuedConnection);
    }
    return ring;
}

bool RingSide::OpenDropped(const std::string& dropped) {
    const QString file = DecodeFileName(dropped);
    if (!RingCommand::IsRingFile(file)) {
        return false;
    }
    Open(file);
    return true;
}

void RingSide::Open(const QString& path) {
    if (!m_view->OpenRing(path)) {
        m_button->setChecked(true);  // the view says why
    }
}
