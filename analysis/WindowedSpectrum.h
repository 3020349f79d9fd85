// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <span>

inline constexpr double kDbPerNeper = 20.0 / std::numbers::ln10;

// The bins that are searched for peaks and drawn, low to high, at least 4 from
// either end of the transform so that the window's sum of neighbours stays
// within it.
struct BinRange {
    std::size_t low = 0;
    std::size_t high = 0;
    double binHz = 0.0;
};

// The 4-term Blackman-Harris window (side lobes below -92 dB, so that no side
// lobe of a strong partial reaches the peak floor) at sample n of count.
double AnalysisWindow(std::size_t n, std::size_t count);

// The windowed spectrum's power at the bins range.low - 1 to range.high + 1 of
// the unwindowed transform bins, written to the same indices of power. The
// transform is exactly as long as the stretch, so that the window, a sum of
// cosines over that length, is applied as a sum of neighbouring bins.
void WindowedPower(std::span<const std::complex<float>> bins, BinRange range,
                   std::span<float> power);

// The natural log of the magnitude at bin k, where the window's lobe is close
// to a parabola. Only the few points that are drawn or interpolated are taken
// to a logarithm.
inline double LogMagnitude(std::span<const float> power, std::size_t k) {
    return 0.5 * std::log(static_cast<double>(power[k]) + 1e-300);
}

// The top of the parabola through the log magnitudes at bins k - 1, k and k + 1:
// the window's lobe is close to a Gaussian, so this is within a few thousandths
// of a bin of a partial's frequency.
struct LobeTop {
    double offsetBins;  // from k
    double logLevel;
};
LobeTop ParabolaTop(std::span<const float> power, std::size_t k);
