// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowedSpectrum.h"

namespace {

// The 4-term Blackman-Harris window's coefficients.
constexpr double kA[4] = {0.35875, 0.48829, 0.14128, 0.01168};

}  // namespace

double AnalysisWindow(std::size_t n, std::size_t count) {
    const double x = 2.0 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(count);
    return kA[0] - kA[1] * std::cos(x) + kA[2] * std::cos(2.0 * x) - kA[3] * std::cos(3.0 * x);
}

void WindowedPower(std::span<const std::complex<float>> bins, BinRange range,
                   std::span<float> power) {
    // x[n] w[n] transforms to a0 X[k] - a1/2 (X[k-1] + X[k+1]) + a2/2 (X[k-2] + X[k+2]) - ...
    constexpr float kH[4] = {static_cast<float>(kA[0]), static_cast<float>(-0.5 * kA[1]),
                             static_cast<float>(0.5 * kA[2]), static_cast<float>(-0.5 * kA[3])};
    for (std::size_t k = range.low - 1; k <= range.high + 1; ++k) {
        const std::complex<float> windowed = kH[0] * bins[k] + kH[1] * (bins[k - 1] + bins[k + 1]) +
                                             kH[2] * (bins[k - 2] + bins[k + 2]) +
                                             kH[3] * (bins[k - 3] + bins[k + 3]);
        power[k] = std::norm(windowed);
    }
}

LobeTop ParabolaTop(std::span<const float> power, std::size_t k) {
    const double a = LogMagnitude(power, k - 1);
    const double b = LogMagnitude(power, k);
    const double c = LogMagnitude(power, k + 1);
    const double curvature = a - 2.0 * b + c;
    const double offset = curvature < 0.0 ? 0.5 * (a - c) / curvature : 0.0;
    return {offset, b - 0.25 * (a - c) * offset};
}
