// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>

// The half-band low-pass filter that halves the rate: its taps at the odd
// offsets 1, 3, ... 9 either side (the centre tap is 1/2, the even ones 0), a
// Kaiser-windowed sinc (beta 7.7). At 44.1 kHz it passes 0 to 5 kHz within
// 0.002 dB and takes 79 dB or more off 17.05 to 22.05 kHz, all that would fold
// below 5 kHz; higher rates leave it wider margins.
inline constexpr std::array<float, 5> kHalfBand{0.304469444F, -0.070431831F, 0.019147565F,
                                                -0.003323495F, 0.000109468F};
// The part of the input's rate that the filter passes whole and unfolded
// (5 kHz of 44.1 kHz); a fourth of the output's rate and a little more.
inline constexpr double kHalfBandPassed = 5000.0 / 44100.0;

// Writes in filtered to half its rate into out (half as many samples, at
// least 2 kHalfBand.size()): out[i] = even[i] / 2 + the sum over taps j of
// c[j] (odd[i - j - 1] + odd[i + j]), zero beyond either end. Reads in a block
// at a time, so that out may be in's own first half (the float form).
void HalveRate(std::span<const std::int16_t> in, std::span<float> out);
void HalveRate(std::span<const float> in, std::span<float> out);
