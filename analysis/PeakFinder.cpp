// SPDX-License-Identifier: GPL-3.0-or-later
#include "PeakFinder.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "RealFft.h"

namespace {

// Zero-padding to at least twice the stretch puts two spectrum points in every
// bin of the stretch's own resolution; the window's main lobe is then eight
// points wide and close to a Gaussian, so the interpolation between the three
// top points is within a few thousandths of a bin. The cap bounds the work at
// high rates.
constexpr std::size_t kPadFactor = 2;
constexpr std::size_t kLargestTransform = std::size_t{1} << 21;
// A peak is the highest point within this many unpadded bins either side: the
// top of its own main lobe (4 bins wide either side), not a ripple on a flank.
constexpr double kPeakNeighbourhoodBins = 2.0;
// Most peaks kept, strongest first, so a noisy file gives a readable list.
constexpr std::size_t kMostPeaks = 60;
// Shorter stretches than this carry no usable spectrum.
constexpr std::size_t kShortestStretch = 64;

std::size_t NextPowerOfTwo(std::size_t n) {
    std::size_t size = 4;
    while (size < n) {
        size *= 2;
    }
    return size;
}

}  // namespace

double AnalysisWindow(std::size_t n, std::size_t count) {
    static constexpr double kA[4] = {0.35875, 0.48829, 0.14128, 0.01168};
    const double x = 2.0 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(count);
    return kA[0] - kA[1] * std::cos(x) + kA[2] * std::cos(2.0 * x) - kA[3] * std::cos(3.0 * x);
}

Stretch FindStretch(std::span<const std::int16_t> samples, int sampleRate) {
    if (sampleRate <= 0) {
        return {};
    }
    const auto searched =
        std::min(samples.size(), static_cast<std::size_t>(kOnsetSearchSeconds * sampleRate));
    int peak = 0;
    for (const std::int16_t v : samples.first(searched)) {
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    if (peak == 0) {
        return {};
    }
    const double threshold = kOnsetFraction * peak;
    std::size_t onset = 0;
    while (std::abs(static_cast<int>(samples[onset])) < threshold) {
        ++onset;
    }
    const auto longest = static_cast<std::size_t>(kStretchSeconds * sampleRate);
    return {onset, std::min(longest, samples.size() - onset)};
}

std::optional<PeakSpectrum> FindPeaks(std::span<const std::int16_t> samples, int sampleRate,
                                      std::stop_token stop) {
    PeakSpectrum result;
    result.stretch = FindStretch(samples, sampleRate);
    const std::size_t count = result.stretch.length;
    if (count < kShortestStretch) {
        return result;
    }
    const std::size_t size = std::min(NextPowerOfTwo(kPadFactor * count),
                                      std::max(kLargestTransform, NextPowerOfTwo(count)));
    RealFft fft(size);
    const std::span<double> frame = fft.Input();
    for (std::size_t n = 0; n < count; ++n) {
        frame[n] = samples[result.stretch.start + n] * AnalysisWindow(n, count);
    }
    std::fill(frame.begin() + static_cast<std::ptrdiff_t>(count), frame.end(), 0.0);
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    fft.Transform();
    const std::span<const std::complex<double>> bins = fft.Output();
    if (stop.stop_requested()) {
        return std::nullopt;
    }

    const double binHz = static_cast<double>(sampleRate) / static_cast<double>(size);
    const double highestHz = std::min(kHighestPeakHz, 0.5 * sampleRate - 2.0 * binHz);
    result.curveHighHz = highestHz;
    const auto lowBin = static_cast<std::size_t>(std::ceil(kLowestPeakHz / binHz));
    const auto highBin = static_cast<std::size_t>(std::floor(highestHz / binHz));
    if (highBin <= lowBin + 2) {
        return result;
    }
    // Natural log of the magnitude, where the window's lobe is close to a
    // parabola; the transform's input is free to hold it.
    const std::span<double> logMagnitude = frame;
    for (std::size_t k = lowBin - 1; k <= highBin + 1; ++k) {
        logMagnitude[k] = 0.5 * std::log(std::norm(bins[k]) + 1e-300);
    }

    const auto reach = static_cast<std::size_t>(kPeakNeighbourhoodBins * static_cast<double>(size) /
                                                static_cast<double>(count));
    struct Top {
        double frequencyHz;
        double logLevel;
    };
    std::vector<Top> tops;
    for (std::size_t k = lowBin; k <= highBin; ++k) {
        const double here = logMagnitude[k];
        if (here <= logMagnitude[k - 1] || here < logMagnitude[k + 1]) {
            continue;
        }
        const std::size_t from = std::max(lowBin - 1, k >= reach ? k - reach : 0);
        const std::size_t to = std::min(highBin + 1, k + reach);
        bool highest = true;
        for (std::size_t j = from; j <= to && highest; ++j) {
            highest = j == k || logMagnitude[j] < here ||
                      (logMagnitude[j] == here && j > k);  // a flat top counts once
        }
        if (!highest) {
            continue;
        }
        // A parabola through the three top points of the log magnitude: the
        // window's lobe is close to a Gaussian, so this is close to exact.
        const double a = logMagnitude[k - 1];
        const double c = logMagnitude[k + 1];
        const double curvature = a - 2.0 * here + c;
        const double offset = curvature < 0.0 ? 0.5 * (a - c) / curvature : 0.0;
        tops.push_back({(static_cast<double>(k) + offset) * binHz, here - 0.25 * (a - c) * offset});
    }
    if (tops.empty()) {
        return result;
    }

    const double strongest =
        std::max_element(tops.begin(), tops.end(), [](const Top& x, const Top& y) {
            return x.logLevel < y.logLevel;
        })->logLevel;
    constexpr double kDbPerNeper = 20.0 / std::numbers::ln10;
    std::erase_if(tops, [&](const Top& top) {
        return (top.logLevel - strongest) * kDbPerNeper < kPeakFloorDb;
    });
    if (tops.size() > kMostPeaks) {
        std::nth_element(tops.begin(), tops.begin() + kMostPeaks, tops.end(),
                         [](const Top& x, const Top& y) { return x.logLevel > y.logLevel; });
        tops.resize(kMostPeaks);
        std::sort(tops.begin(), tops.end(),
                  [](const Top& x, const Top& y) { return x.frequencyHz < y.frequencyHz; });
    }
    for (const Top& top : tops) {
        result.peaks.push_back({top.frequencyHz, (top.logLevel - strongest) * kDbPerNeper, {}});
    }

    // The drawing's curve: on each point of the log axis the highest bin it
    // covers, or the nearest bin where points are closer than bins.
    result.curveDb.resize(kCurvePoints);
    const double ratio = std::log(highestHz / kLowestPeakHz);
    const auto binAt = [&](std::size_t point) {
        const double hz =
            kLowestPeakHz * std::exp(ratio * static_cast<double>(point) / (kCurvePoints - 1));
        return std::clamp(static_cast<std::size_t>(std::lround(hz / binHz)), lowBin, highBin);
    };
    for (std::size_t point = 0; point < kCurvePoints; ++point) {
        const std::size_t first = binAt(point);
        const std::size_t last =
            point + 1 < kCurvePoints ? std::max(first, binAt(point + 1) - 1) : first;
        double level = logMagnitude[first];
        for (std::size_t k = first + 1; k <= last; ++k) {
            level = std::max(level, logMagnitude[k]);
        }
        result.curveDb[point] =
            std::max(kCurveFloorDb, static_cast<float>((level - strongest) * kDbPerNeper));
    }
    return result;
}
