// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingAnalyser.h"

#include <algorithm>

RingAnalyser::RingAnalyser(std::vector<std::string> recordings, Result result, unsigned threads)
    : m_recordings(std::move(recordings)), m_result(std::move(result)) {
    // Counted once: the C library reads the count from /sys at every call,
    // which costs as much as starting a thread.
    static const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t count =
        std::min<std::size_t>(threads != 0 ? threads : cores, m_recordings.size());
    m_threads.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        m_threads.emplace_back([this](std::stop_token stop) { Work(stop); });
    }
}

RingAnalyser::~RingAnalyser() {
    for (std::jthread& thread : m_threads) {
        thread.request_stop();
    }
    Wait();
}

void RingAnalyser::Wait() {
    for (std::jthread& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

void RingAnalyser::Work(std::stop_token stop) {
    for (std::size_t bell = m_next.fetch_add(1, std::memory_order_relaxed);
         bell < m_recordings.size() && !stop.stop_requested();
         bell = m_next.fetch_add(1, std::memory_order_relaxed)) {
        std::optional<BellAnalysis> analysis = AnalyseBell(m_recordings[bell], stop);
        if (analysis && !stop.stop_requested()) {
            m_result(bell, std::move(*analysis));
        }
    }
}
