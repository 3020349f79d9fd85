// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpectrumCurve.h"

#include <algorithm>
#include <cmath>

std::vector<float> SpectrumCurve(std::span<const float> power, BinRange range, double lowHz,
                                 double highHz, double strongestLog) {
    std::vector<float> curve(kCurvePoints);
    // The points' frequencies by a running product: an exponential a point
    // cost as much as the rest of the curve. Over 1200 steps it drifts by
    // under 1e-12 of a bin.
    const double step = std::pow(highHz / lowHz, 1.0 / (kCurvePoints - 1));
    double hz = lowHz;
    const auto nextBin = [&] {
        const std::size_t bin = std::clamp(static_cast<std::size_t>(std::lround(hz / range.binHz)),
                                           range.low, range.high);
        hz *= step;
        return bin;
    };
    // Drawn only: single-precision logarithms are far finer than a pixel.
    constexpr auto kDbPerPowerNeper = static_cast<float>(0.5 * kDbPerNeper);
    const auto strongestDb = static_cast<float>(strongestLog * kDbPerNeper);
    std::size_t first = nextBin();
    for (std::size_t point = 0; point < kCurvePoints; ++point) {
        const std::size_t next = point + 1 < kCurvePoints ? nextBin() : first + 1;
        const std::size_t last = std::max(first, next - 1);
        const float top = *std::max_element(power.begin() + static_cast<std::ptrdiff_t>(first),
                                            power.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        const float levelDb = std::log(top + 1e-30F) * kDbPerPowerNeper;
        curve[point] = std::max(kCurveFloorDb, levelDb - strongestDb);
        first = next;
    }
    return curve;
}
