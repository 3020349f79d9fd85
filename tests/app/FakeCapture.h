// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "waveout/CaptureSource.h"

// An input that hears a fixed recording and then silence, 0.5 s a poll (every
// second Read finds the queue the one before emptied), and that can be lost
// after some samples.
struct FakeCapture final : CaptureSource {
    std::vector<std::int16_t> heard;
    std::size_t lostAfter = SIZE_MAX;
    bool open = false;
    std::size_t at = 0;
    bool emptied = true;

    std::string Start() override {
        open = true;
        return {};
    }
    std::size_t Read(std::span<std::int16_t> out) override {
        for (std::int16_t& sample : out.first((emptied = !emptied) ? 0 : 24000)) {
            sample = at < heard.size() ? heard[at] : 0;
            ++at;
        }
        return emptied ? 0 : 24000;
    }
    std::string Fault() override { return at >= lostAfter ? "The input device was lost." : ""; }
    void Stop() override { open = false; }
    std::uint32_t Rate() const override { return 48000; }
    std::uint64_t OverrunCount() const override { return 0; }
};
