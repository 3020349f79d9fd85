// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The stream's PCM format, field for field as a RIFF "fmt " chunk lays it out.
struct WaveFormatEx {
    std::uint16_t wFormatTag = 0;
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    std::uint16_t cbSize = 0;

    friend bool operator==(const WaveFormatEx&, const WaveFormatEx&) = default;
};

inline constexpr std::uint16_t kWaveFormatPcm = 1;
