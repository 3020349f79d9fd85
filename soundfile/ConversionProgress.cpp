// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConversionProgress.h"

#include <algorithm>

ConversionProgress::ConversionProgress(const LoadProgress& observer, std::uint64_t total)
    : m_observer(observer), m_total(total) {}

bool ConversionProgress::Reach(std::uint64_t done) {
    if (m_cancelled || !m_observer || done < m_nextStep) {
        return !m_cancelled;
    }
    m_nextStep = done + kStepBytes;
    return Tell(std::min(done, m_total));
}

bool ConversionProgress::Finish() {
    if (m_cancelled || !m_observer || m_toldTotal) {
        return !m_cancelled;
    }
    return Tell(m_total);
}

bool ConversionProgress::Tell(std::uint64_t done) {
    m_cancelled = !m_observer(done, m_total);
    m_toldTotal = done == m_total;
    return !m_cancelled;
}
