// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The part of the recording that is analysed: from the strike's onset, just
// under 3 s (2^17 samples at 44.1 kHz). That puts partials 2 Hz apart 5.9 bins
// apart, beyond the window's main lobe (4 bins either side), so they are two
// peaks; covers the seconds in which a bell's upper partials ring out; and
// bounds the work however long the recording is. At most kLongestStretch
// samples however high the rate, and trimmed to a length whose only prime
// factors are 2, 3 and 5, which FFTW transforms quickly.
inline constexpr double kStretchSeconds = 131072.0 / 44100.0;
inline constexpr std::size_t kLongestStretch = std::size_t{1} << 21;
// From this rate up the stretch is filtered to half its rate before the
// transform, which then takes half the time: the band below kHighestPeakHz
// is all that is shown.
inline constexpr int kHalvedFromRate = 44100;
// The onset: the first sample at a tenth (-20 dB) of the peak of the
// recording's first minute (a recording of a bell starts with its strike; the
// bound keeps a long file's analysis as quick as a short one's).
inline constexpr double kOnsetFraction = 0.1;
inline constexpr double kOnsetSearchSeconds = 60.0;

struct Stretch {
    std::size_t start = 0;   // samples
    std::size_t length = 0;  // samples; 0 for silence or no samples
};

// The onset and the stretch from it; its length a multiple of RateDivisor.
// peakMagnitude: the largest magnitude of all the samples when the caller
// knows it, which spares reading them all for it.
Stretch FindStretch(std::span<const std::int16_t> samples, int sampleRate,
                    std::optional<int> peakMagnitude = std::nullopt);

// How many of the recording's samples make one of the transform's: 2 from
// kHalvedFromRate up (the stretch filtered to half its rate), else 1.
std::size_t RateDivisor(int sampleRate);

// The largest length of at most n samples whose only prime factors are 2, 3
// and 5: a few percent below n at most.
std::size_t SmoothLength(std::size_t n);
