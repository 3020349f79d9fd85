// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "waveout/CaptureSource.h"

// An input device that hears a fixed recording and then silence, one chunk
// each time the window thread comes for samples, and that can refuse to open
// or be lost after some samples.
class FakeCapture final : public CaptureSource {
  public:
    std::vector<std::int16_t> heard;
    std::size_t chunk = 24000;  // samples a poll finds
    std::size_t lostAfter = SIZE_MAX;
    std::string startProblem;
    bool open = false;

    std::string Start() override {
        m_at = 0;
        open = startProblem.empty();
        return startProblem;
    }
    // Every second call finds nothing: what one poll emptied stays empty.
    std::size_t Read(std::span<std::int16_t> out) override {
        m_emptied = !m_emptied;
        if (!m_emptied) {
            return 0;
        }
        const std::size_t count = std::min(chunk, out.size());
        for (std::size_t i = 0; i < count; ++i, ++m_at) {
            out[i] = m_at < heard.size() ? heard[m_at] : 0;
        }
        return count;
    }
    std::string Fault() override {
        return m_at >= lostAfter ? "The input device was lost while recording." : "";
    }
    void Stop() override { open = false; }
    std::uint32_t Rate() const override { return 48000; }
    std::uint64_t OverrunCount() const override { return 0; }

  private:
    std::size_t m_at = 0;
    bool m_emptied = false;
};
