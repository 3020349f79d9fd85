// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// One buffer handed to a wave output device. The client owns the memory behind
// lpData; the device reads it between Write and the buffer's WOM_DONE.
struct WaveHeader {
    char* lpData = nullptr;
    std::uint32_t dwBufferLength = 0;  // bytes
    std::uint32_t dwFlags = 0;         // WHDR_* below
    std::uint32_t dwLoops = 0;
};

inline constexpr std::uint32_t WHDR_DONE = 0x01;
inline constexpr std::uint32_t WHDR_PREPARED = 0x02;
inline constexpr std::uint32_t WHDR_INQUEUE = 0x10;
