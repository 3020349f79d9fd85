// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpectrumCurve.h"

#include <algorithm>
#include <cmath>

std::vector<float> SpectrumCurve(std::span<const float> power, BinRange range, double lowHz,
                                 double highHz, double strongestLog) {
    std::vector<float> curve(kCurvePoints);
    const double ratio = std::log(highHz / lowHz);
    const auto binAt = [&](std::size_t point) {
        const double hz = lowHz * std::exp(ratio * static_cast<double>(point) / (kCurvePoints - 1));
        return std::clamp(static_cast<std::size_t>(std::lround(hz / range.binHz)), range.low,
                          range.high);
    };
    std::size_t first = binAt(0);
    for (std::size_t point = 0; point < kCurvePoints; ++point) {
        const std::size_t next = point + 1 < kCurvePoints ? binAt(point + 1) : first + 1;
        const std::size_t last = std::max(first, next - 1);
        const auto top = static_cast<std::size_t>(
            std::max_element(power.begin() + static_cast<std::ptrdiff_t>(first),
                             power.begin() + static_cast<std::ptrdiff_t>(last) + 1) -
            power.begin());
        const double level = LogMagnitude(power, top);
        curve[point] =
            std::max(kCurveFloorDb, static_cast<float>((level - strongestLog) * kDbPerNeper));
        first = next;
    }
    return curve;
}
