// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

#include "LongStretch.h"
#include "Peak.h"
#include "PeakPicking.h"
#include "SpectrumCurve.h"
#include "Stretch.h"
#include "WindowedSpectrum.h"

// Peaks are listed between these frequencies: the hums of the largest bells,
// the tone's range, the octave nominals of the smallest bells (to 3 kHz) and a
// little above. The drawn curve spans the same band (or to the Nyquist
// frequency).
inline constexpr double kLowestPeakHz = 20.0;
inline constexpr double kHighestPeakHz = 5000.0;

struct PeakSpectrum {
    std::vector<Peak> peaks;     // ascending frequency, unnamed
    std::vector<float> curveDb;  // relative to the strongest peak; empty when no peaks
    double curveLowHz = kLowestPeakHz;
    double curveHighHz = kHighestPeakHz;
    Stretch stretch;
};

// The windowed spectrum of the stretch and its peaks, each frequency refined
// between bins; loaded holds the samples from the stretch's start on (the
// long stretch, which the stretch begins). nullopt when stop is requested.
std::optional<PeakSpectrum> FindPeaks(const LongStretch& loaded, Stretch stretch,
                                      std::stop_token stop = {});
