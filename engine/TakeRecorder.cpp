// SPDX-License-Identifier: GPL-3.0-or-later
#include "TakeRecorder.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "BlockLevel.h"

namespace {

constexpr double kFullScaleSquared = 32768.0 * 32768.0;

std::size_t Samples(double seconds, std::uint32_t rate) {
    return static_cast<std::size_t>(std::llround(seconds * rate));
}

}  // namespace

TakeRecorder::TakeRecorder(std::uint32_t rate, double noStrikeWaitSeconds)
    : m_rate(std::max<std::uint32_t>(rate, 100)),
      m_window(m_rate / 100),
      m_backgroundWindows(Samples(kBackgroundSeconds, m_rate) / m_window),
      m_noStrikeWait(Samples(std::max(noStrikeWaitSeconds, kBackgroundSeconds), m_rate)),
      m_longest(Samples(kLongestAfterStrikeSeconds, m_rate)),
      m_preRoll(Samples(kPreRollSeconds, m_rate)) {
    // Room for the longest take, so that recording does not reallocate.
    m_heard.reserve(m_preRoll + m_longest + 4 * m_window);
}

TakeEnd TakeRecorder::Feed(std::span<const std::int16_t> samples) {
    while (!samples.empty() && m_end == TakeEnd::kNone) {
        const std::size_t count = std::min(samples.size(), m_window - m_windowFill);
        for (const std::int16_t sample : samples.first(count)) {
            m_windowSum += double(sample) * double(sample);
        }
        m_heard.insert(m_heard.end(), samples.begin(), samples.begin() + count);
        m_total += count;
        m_windowFill += count;
        samples = samples.subspan(count);
        if (m_windowFill == m_window) {
            CloseWindow();
        }
    }
    return m_end;
}

TakeEnd TakeRecorder::Stop() {
    if (m_end == TakeEnd::kNone) {
        Finish(TakeEnd::kStopped);
    }
    return m_end;
}

std::span<const std::int16_t> TakeRecorder::Take() const {
    if (!m_struck) {
        return {};
    }
    return m_heard;
}

void TakeRecorder::CloseWindow() {
    const double meanSquare = m_windowSum / (double(m_window) * kFullScaleSquared);
    m_recent[m_windowsClosed % kDecayWindows] = meanSquare;
    m_windowSum = 0.0;
    m_windowFill = 0;
    ++m_windowsClosed;
    if (m_windowsClosed <= m_backgroundWindows) {
        m_backgroundSum += meanSquare;
        if (m_windowsClosed == m_backgroundWindows) {
            const double background =
                BlockLevel::DbOfMeanSquare(m_backgroundSum / double(m_backgroundWindows));
            m_strikeDb = std::max(background, kQuietestBackgroundDb) + kStrikeRiseDb;
        }
        return;
    }
    if (!m_struck) {
        WatchForStrike(BlockLevel::DbOfMeanSquare(meanSquare));
    }
    if (m_struck) {
        FollowDecay();
    }
}

void TakeRecorder::WatchForStrike(double db) {
    if (db >= m_strikeDb) {
        m_struck = true;
        m_strikeAt = m_total;
        const std::uint64_t from = m_strikeAt - std::min<std::uint64_t>(m_strikeAt, m_preRoll);
        m_heard.erase(m_heard.begin(), m_heard.begin() + static_cast<long>(from - m_heardStart));
        m_heardStart = from;
        return;
    }
    if (m_total >= m_noStrikeWait) {
        Finish(TakeEnd::kNoStrike);
        return;
    }
    DropOldHeard();
}

void TakeRecorder::FollowDecay() {
    const double recent = std::accumulate(m_recent.begin(), m_recent.end(), 0.0) / kDecayWindows;
    const double db = BlockLevel::DbOfMeanSquare(recent);
    m_peakDb = std::max(m_peakDb, db);
    if (db <= m_peakDb - kDecayDropDb) {
        Finish(TakeEnd::kDecayed);
    } else if (m_total - m_strikeAt >= m_longest) {
        // Windows need not divide the limit: cut at it exactly.
        m_heard.resize(m_strikeAt + m_longest - m_heardStart);
        Finish(TakeEnd::kTimeLimit);
    }
}

// Before the strike only the pre-roll can still be kept; what is older goes,
// a second at a time so that the copying stays rare.
void TakeRecorder::DropOldHeard() {
    const std::size_t keep = m_preRoll + m_window;
    if (m_heard.size() < keep + m_rate) {
        return;
    }
    const std::size_t drop = m_heard.size() - keep;
    m_heard.erase(m_heard.begin(), m_heard.begin() + static_cast<long>(drop));
    m_heardStart += drop;
}

TakeEnd TakeRecorder::Finish(TakeEnd end) {
    m_end = end;
    if (!m_struck) {
        m_heard.clear();
    }
    return end;
}
