// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "waveout/CaptureSource.h"

// An input that hears a fixed recording and then silence, a chunk a poll, and
// that can refuse to open or be lost after some samples.
class FakeCapture final : public CaptureSource {
  public:
    std::vector<std::int16_t> heard;
    std::size_t lostAfter = SIZE_MAX;
    std::string startProblem;
    bool open = false;

    std::string Start() override {
        m_at = 0;
        open = startProblem.empty();
        return startProblem;
    }
    // 0.5 s a poll: every second call finds the queue emptied by the one before.
    std::size_t Read(std::span<std::int16_t> out) override {
        if ((m_emptied = !m_emptied)) {
            return 0;
        }
        for (std::int16_t& sample : out.first(24000)) {
            sample = m_at < heard.size() ? heard[m_at] : 0;
            ++m_at;
        }
        return 24000;
    }
    std::string Fault() override { return m_at >= lostAfter ? "The input device was lost." : ""; }
    void Stop() override { open = false; }
    std::uint32_t Rate() const override { return 48000; }
    std::uint64_t OverrunCount() const override { return 0; }

  private:
    std::size_t m_at = 0;
    bool m_emptied = true;
};
