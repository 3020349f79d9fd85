// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QtGlobal>
#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include "BellAnalysis.h"

// Carries a ring's analyses from the analysers' threads to the window thread
// in batches. While analyses are still to come, results wait to be handed over
// together once a frame: each hand-over wakes the window thread, which then
// takes a core from an analysis, since every core is analysing. When the
// last result that was asked for comes, everything goes over at once, so that
// the table is complete without waiting for the frame.
class RingInbox : public QObject {
  public:
    struct Result {
        quint64 id;
        BellAnalysis analysis;
    };
    // Window thread; called with every result that has come since the last call.
    using Deliver = std::function<void(std::vector<Result>)>;

    static constexpr std::chrono::milliseconds kFrame{16};

    explicit RingInbox(Deliver deliver, QObject* parent = nullptr);

    // Window thread: count more results to come.
    void Expect(std::size_t count);
    // Any thread.
    void Put(quint64 id, BellAnalysis analysis);
    // Window thread, once no analyser is running: drops what waits and what is
    // expected.
    void Clear();

  private:
    // Window thread.
    void HandOver();

    const Deliver m_deliver;
    std::mutex m_mutex;
    std::vector<Result> m_waiting;  // guarded by m_mutex
    std::size_t m_expected = 0;     // guarded by m_mutex
    bool m_handOverAsked = false;   // guarded by m_mutex: a hand-over is on its way
};
