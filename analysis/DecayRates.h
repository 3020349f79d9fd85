// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <vector>

#include "LongStretch.h"
#include "Peak.h"

// A peak's level is followed while it stays this far above the noise near it,
// and a decay is given only when that lasts this long.
inline constexpr double kDecayAboveNoiseDb = 10.0;
inline constexpr double kShortestDecaySeconds = 0.3;

// Sets each peak's decay rate: the least-squares line through its level in
// short spectra along the long stretch. Returns, a peak each, the most its
// level strays from that line in dB: hundredths for a plain decay, tenths or
// more where a doublet beats or a neighbour leaks in; infinite where the peak
// got no rate.
std::vector<double> MeasureDecays(std::span<Peak> peaks, const LongStretch& stretch);
