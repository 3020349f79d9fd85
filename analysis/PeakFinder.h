// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

#include "Peak.h"

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
// Peaks are listed down to this level below the strongest, and between these
// frequencies: the hums of the largest bells, the tone's range, the octave
// nominals of the smallest bells (to 3 kHz) and a little above.
inline constexpr double kPeakFloorDb = -50.0;
inline constexpr double kLowestPeakHz = 20.0;
inline constexpr double kHighestPeakHz = 5000.0;
// The spectrum kept for drawing: this many points on a logarithmic axis
// between kLowestPeakHz and kHighestPeakHz (or the Nyquist frequency).
inline constexpr std::size_t kCurvePoints = 1200;
inline constexpr float kCurveFloorDb = -100.0F;

struct Stretch {
    std::size_t start = 0;   // samples
    std::size_t length = 0;  // samples; 0 for silence or no samples
};

struct PeakSpectrum {
    std::vector<Peak> peaks;     // ascending frequency, unnamed
    std::vector<float> curveDb;  // relative to the strongest peak; empty when no peaks
    double curveLowHz = kLowestPeakHz;
    double curveHighHz = kHighestPeakHz;
    Stretch stretch;
};

// The 4-term Blackman-Harris window (side lobes below -92 dB, so that no side
// lobe of a strong partial reaches the peak floor) at sample n of count.
double AnalysisWindow(std::size_t n, std::size_t count);

Stretch FindStretch(std::span<const std::int16_t> samples, int sampleRate);

// The windowed spectrum of the stretch and its peaks, each frequency refined
// between bins. nullopt when stop is requested.
std::optional<PeakSpectrum> FindPeaks(std::span<const std::int16_t> samples, int sampleRate,
                                      std::stop_token stop = {});
