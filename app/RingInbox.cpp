// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingInbox.h"

#include <QMetaObject>
#include <QTimer>
#include <utility>

RingInbox::RingInbox(Deliver deliver, QObject* parent)
    : QObject(parent), m_deliver(std::move(deliver)) {}

void RingInbox::Expect(std::size_t count) {
    const std::lock_guard lock(m_mutex);
    m_expected += count;
}

void RingInbox::Put(quint64 id, BellAnalysis analysis) {
    bool now = false;
    bool ask = false;
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back({id, std::move(analysis)});
        m_expected -= m_expected > 0 ? 1 : 0;
        now = m_expected == 0;
        ask = !std::exchange(m_handOverAsked, true);
    }
    // Queued calls on this object are dropped once it is gone.
    if (now) {
        QMetaObject::invokeMethod(
            this, [this] { HandOver(); }, Qt::QueuedConnection);
    } else if (ask) {
        QMetaObject::invokeMethod(
            this, [this] { QTimer::singleShot(kFrame, this, [this] { HandOver(); }); },
            Qt::QueuedConnection);
    }
}

void RingInbox::Clear() {
    const std::lock_guard lock(m_mutex);
    m_waiting.clear();
    m_expected = 0;
}

void RingInbox::HandOver() {
    std::vector<Result> results;
    {
        const std::lock_guard lock(m_mutex);
        results.swap(m_waiting);
        m_handOverAsked = false;
    }
    if (!results.empty()) {
        m_deliver(std::move(results));
    }
}
