// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <cstdint>
#include <span>
#include <thread>

class AnalysisArea;

// Analyses the loaded recording on a thread of its own and hands the result
// to the analysis area on the window thread. The samples it reads must stay
// put until Cancel() returns, so whoever changes them cancels first.
// Window thread, all of it.
class AnalysisRunner {
  public:
    AnalysisRunner() = default;
    AnalysisRunner(const AnalysisRunner&) = delete;
    AnalysisRunner& operator=(const AnalysisRunner&) = delete;
    ~AnalysisRunner() { Cancel(); }

    // Cancels any analysis still running, then starts one of samples at rate
    // (Hz), whose largest magnitude is peak, with its result going to area
    // unless the area is gone by then.
    void Start(std::span<const std::int16_t> samples, int rate, int peak,
               QPointer<AnalysisArea> area);
    // Asks a running analysis to stop and waits for it.
    void Cancel();

  private:
    std::jthread m_thread;
};
