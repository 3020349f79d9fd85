// SPDX-License-Identifier: GPL-3.0-or-later
#include "PeakFinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

#include "RealFft.h"

namespace {

// A peak is the highest point within this many bins of the stretch's own
// resolution either side: the top of its own main lobe (4 bins wide either
// side), not a ripple on a flank.
constexpr std::size_t kPeakNeighbourhoodBins = 2;
// Most peaks kept, strongest first, so a noisy file gives a readable list.
constexpr std::size_t kMostPeaks = 60;
// Shorter stretches than this carry no usable spectrum.
constexpr std::size_t kShortestStretch = 64;
// The 4-term Blackman-Harris window's coefficients.
constexpr double kA[4] = {0.35875, 0.48829, 0.14128, 0.01168};
// The half-band low-pass filter that halves the rate: its taps at the odd
// offsets 1, 3, ... 9 either side (the centre tap is 1/2, the even ones 0), a
// Kaiser-windowed sinc (beta 7.7). At 44.1 kHz it passes 0 to 5 kHz within
// 0.002 dB and takes 79 dB or more off 17.05 to 22.05 kHz, all that would fold
// below 5 kHz; higher rates leave it wider margins.
constexpr std::array<float, 5> kHalfBand{0.304469444F, -0.070431831F, 0.019147565F, -0.003323495F,
                                         0.000109468F};

// The largest magnitude of the samples.
int PeakMagnitude(std::span<const std::int16_t> samples) {
    std::int16_t low = 0;
    std::int16_t high = 0;
    for (const std::int16_t v : samples) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    return std::max(int{high}, -int{low});
}

// The largest length of at most n samples whose only prime factors are 2, 3
// and 5: a few percent below n at most.
std::size_t SmoothLength(std::size_t n) {
    std::size_t best = 0;
    for (std::size_t p5 = 1; p5 <= n; p5 *= 5) {
        for (std::size_t p3 = p5; p3 <= n; p3 *= 3) {
            std::size_t p2 = p3;
            while (2 * p2 <= n) {
                p2 *= 2;
            }
            best = std::max(best, p2);
        }
    }
    return best;
}

// How many of the recording's samples make one of the transform's: 2 from
// kHalvedFromRate up (the stretch filtered to half its rate), else 1.
std::size_t RateDivisor(int rate) {
    return rate >= kHalvedFromRate ? 2 : 1;
}

// Writes in filtered to half its rate into out (half as many samples, at
// least 2 kHalfBand.size()), scratch as large: out[i] = even[i] / 2 + the sum
// over taps j of c[j] (odd[i - j - 1] + odd[i + j]), zero beyond either end,
// the even samples held in out, the odd ones in scratch.
void HalveRate(std::span<const std::int16_t> in, std::span<float> out, std::span<float> scratch) {
    const std::size_t n = out.size();
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = in[2 * i];
        scratch[i] = in[2 * i + 1];
    }
    // Near the ends, checked (an index below 0 wraps to beyond n).
    constexpr std::size_t kTaps = kHalfBand.size();
    const auto odd = [&](std::size_t i) { return i < n ? scratch[i] : 0.0F; };
    const auto checked = [&](std::size_t i) {
        float sum = 0.5F * out[i];
        for (std::size_t j = 0; j < kTaps; ++j) {
            sum += kHalfBand[j] * (odd(i - j - 1) + odd(i + j));
        }
        return sum;
    };
    for (std::size_t i = 0; i < kTaps; ++i) {
        out[i] = checked(i);
    }
    for (std::size_t i = n - kTaps + 1; i < n; ++i) {
        out[i] = checked(i);
    }
    // Between them, written out so that the compiler vectorizes it.
    for (std::size_t i = kTaps; i + kTaps <= n; ++i) {
        const float* o = scratch.data() + i;
        out[i] = 0.5F * out[i] + kHalfBand[0] * (o[-1] + o[0]) + kHalfBand[1] * (o[-2] + o[1]) +
                 kHalfBand[2] * (o[-3] + o[2]) + kHalfBand[3] * (o[-4] + o[3]) +
                 kHalfBand[4] * (o[-5] + o[4]);
    }
}

}  // namespace

double AnalysisWindow(std::size_t n, std::size_t count) {
    const double x = 2.0 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(count);
    return kA[0] - kA[1] * std::cos(x) + kA[2] * std::cos(2.0 * x) - kA[3] * std::cos(3.0 * x);
}

Stretch FindStretch(std::span<const std::int16_t> samples, int sampleRate) {
    if (sampleRate <= 0) {
        return {};
    }
    const auto searched =
        std::min(samples.size(), static_cast<std::size_t>(kOnsetSearchSeconds * sampleRate));
    const int peak = PeakMagnitude(samples.first(searched));
    if (peak == 0) {
        return {};
    }
    const double threshold = kOnsetFraction * peak;
    std::size_t onset = 0;
    while (std::abs(static_cast<int>(samples[onset])) < threshold) {
        ++onset;
    }
    const std::size_t divisor = RateDivisor(sampleRate);
    const auto longest = static_cast<std::size_t>(std::ceil(kStretchSeconds * sampleRate));
    const std::size_t length = std::min({longest, kLongestStretch, samples.size() - onset});
    return {onset, divisor * SmoothLength(length / divisor)};
}

std::optional<PeakSpectrum> FindPeaks(std::span<const std::int16_t> samples, int sampleRate,
                                      std::stop_token stop) {
    PeakSpectrum result;
    result.stretch = FindStretch(samples, sampleRate);
    const Stretch stretch = result.stretch;
    const std::size_t divisor = RateDivisor(sampleRate);
    const std::size_t count = stretch.length / divisor;
    if (count < kShortestStretch) {
        return result;
    }
    // The transform is exactly as long as the stretch, so that the window, a
    // sum of cosines over that length, is applied as a sum of neighbouring
    // bins (below), and the interpolation needs no zero-padding.
    RealFft fft(count);
    const std::span<float> frame = fft.Input();
    const std::span<const std::int16_t> stretched = samples.subspan(stretch.start, stretch.length);
    if (divisor == 2) {
        HalveRate(stretched, frame, fft.Scratch());
    } else {
        std::copy(stretched.begin(), stretched.end(), frame.begin());
    }
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    fft.Transform();
    if (stop.stop_requested()) {
        return std::nullopt;
    }

    // Bins 4 and more from either end, so that the window's sum stays within.
    const std::size_t lastBin = count / 2;
    const double binHz = static_cast<double>(sampleRate) / static_cast<double>(divisor * count);
    const double highestHz = std::min(kHighestPeakHz, static_cast<double>(lastBin - 4) * binHz);
    result.curveHighHz = highestHz;
    const auto lowBin =
        std::max<std::size_t>(4, static_cast<std::size_t>(std::ceil(kLowestPeakHz / binHz)));
    const auto highBin = static_cast<std::size_t>(std::floor(highestHz / binHz));
    if (highBin <= lowBin + 2) {
        return result;
    }
    // The windowed spectrum's power, bin by bin: x[n] w[n] transforms to
    // a0 X[k] - a1/2 (X[k-1] + X[k+1]) + a2/2 (X[k-2] + X[k+2]) - ... Peaks
    // are found on the power, and only the few points that are drawn or
    // interpolated are taken to a logarithm: the natural log of the magnitude,
    // where the window's lobe is close to a parabola. The transform's input is
    // free to hold the power.
    const std::span<const std::complex<float>> bins = fft.Output();
    const std::span<float> power = frame;
    constexpr float kH[4] = {static_cast<float>(kA[0]), static_cast<float>(-0.5 * kA[1]),
                             static_cast<float>(0.5 * kA[2]), static_cast<float>(-0.5 * kA[3])};
    for (std::size_t k = lowBin - 1; k <= highBin + 1; ++k) {
        const std::complex<float> windowed = kH[0] * bins[k] + kH[1] * (bins[k - 1] + bins[k + 1]) +
                                             kH[2] * (bins[k - 2] + bins[k + 2]) +
                                             kH[3] * (bins[k - 3] + bins[k + 3]);
        power[k] = std::norm(windowed);
    }
    const auto logMagnitude = [&](std::size_t k) {
        return 0.5 * std::log(static_cast<double>(power[k]) + 1e-300);
    };

    std::vector<std::size_t> candidates;
    for (std::size_t k = lowBin; k <= highBin; ++k) {
        const float here = power[k];
        if (here <= power[k - 1] || here < power[k + 1]) {
            continue;
        }
        const std::size_t from = std::max(lowBin - 1, k - std::min(k, kPeakNeighbourhoodBins));
        const std::size_t to = std::min(highBin + 1, k + kPeakNeighbourhoodBins);
        bool highest = true;
        for (std::size_t j = from; j <= to && highest; ++j) {
            highest =
                j == k || power[j] < here || (power[j] == here && j > k);  // a flat top counts once
        }
        if (highest) {
            candidates.push_back(k);
        }
    }
    // A peak whose top bin lies this far below the loudest one's cannot reach
    // the floor, whatever the interpolation adds (under 1 dB); skipping it
    // spares the logarithms of the noise's many ripples.
    float loudest = 0.0F;
    for (const std::size_t k : candidates) {
        loudest = std::max(loudest, power[k]);
    }
    const auto quietest = static_cast<float>(loudest * std::pow(10.0, (kPeakFloorDb - 1.0) / 10.0));
    struct Top {
        double frequencyHz;
        double logLevel;
    };
    std::vector<Top> tops;
    for (const std::size_t k : candidates) {
        if (power[k] < quietest) {
            continue;
        }
        // A parabola through the three top points of the log magnitude: the
        // window's lobe is close to a Gaussian, so this is within a few
        // thousandths of a bin.
        const double a = logMagnitude(k - 1);
        const double b = logMagnitude(k);
        const double c = logMagnitude(k + 1);
        const double curvature = a - 2.0 * b + c;
        const double offset = curvature < 0.0 ? 0.5 * (a - c) / curvature : 0.0;
        tops.push_back({(static_cast<double>(k) + offset) * binHz, b - 0.25 * (a - c) * offset});
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
        const std::size_t top = static_cast<std::size_t>(
            std::max_element(power.begin() + static_cast<std::ptrdiff_t>(first),
                             power.begin() + static_cast<std::ptrdiff_t>(last) + 1) -
            power.begin());
        const double level = logMagnitude(top);
        result.curveDb[point] =
            std::max(kCurveFloorDb, static_cast<float>((level - strongest) * kDbPerNeper));
    }
    return result;
}
