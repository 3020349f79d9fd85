// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "WindowedSpectrum.h"

// The spectrum kept for drawing: this many points on a logarithmic axis.
inline constexpr std::size_t kCurvePoints = 1200;
inline constexpr float kCurveFloorDb = -100.0F;

// The drawing's curve from lowHz to highHz, in dB relative to strongestLog (a
// log magnitude), not below kCurveFloorDb: on each point of the log axis the
// highest bin of range it covers, or the nearest bin where points are closer
// than bins, so that no narrow peak falls between points.
std::vector<float> SpectrumCurve(std::span<const float> power, BinRange range, double lowHz,
                                 double highHz, double strongestLog);
