// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <vector>

#include "Peak.h"
#include "WindowedSpectrum.h"

// Peaks are listed down to this level below the strongest.
inline constexpr double kPeakFloorDb = -50.0;

struct PickedPeaks {
    std::vector<Peak> peaks;    // ascending frequency, unnamed; levels relative to the strongest
    double strongestLog = 0.0;  // the strongest peak's log magnitude (nepers)
};

// The peaks of the windowed power over range: each the highest point of its
// own main lobe, its frequency and level refined between bins, down to
// kPeakFloorDb, the strongest few dozen at most.
PickedPeaks PickPeaks(std::span<const float> power, BinRange range);
