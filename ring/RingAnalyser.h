// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BellAnalysis.h"

// Analyses a ring's recordings side by side, one a thread, on as many threads
// as the machine has cores (or as asked), and hands each result over as soon
// as it is ready.
class RingAnalyser {
  public:
    // Called once per recording that is finished, on one of the analyser's
    // threads, in any order; calls may overlap.
    using Result = std::function<void(std::size_t bell, BellAnalysis analysis)>;

    // Starts at once. threads 0: the machine's cores.
    RingAnalyser(std::vector<std::string> recordings, Result result, unsigned threads = 0);
    // Stops the analyses under way; no result is handed over after it returns.
    ~RingAnalyser();
    RingAnalyser(const RingAnalyser&) = delete;
    RingAnalyser& operator=(const RingAnalyser&) = delete;

    // Returns when every recording is finished. The thread that made it.
    void Wait();

  private:
    void Work(std::stop_token stop);

    const std::vector<std::string> m_recordings;
    const Result m_result;
    std::atomic<std::size_t> m_next{0};  // relaxed: each index is taken by one thread
    std::vector<std::jthread> m_threads;
};
