// SPDX-License-Identifier: GPL-3.0-or-later
#include "PeakFinder.h"

#include <algorithm>
#include <cmath>

#include "HalveRate.h"
#include "RealFft.h"

namespace {

// Shorter stretches than this carry no usable spectrum.
constexpr std::size_t kShortestStretch = 64;

// The stretch as the transform's input: filtered to half the rate, or as it is.
void LoadStretch(std::span<const std::int16_t> stretched, std::size_t divisor, RealFft& fft) {
    if (divisor == 2) {
        HalveRate(stretched, fft.Input(), fft.Scratch());
    } else {
        std::copy(stretched.begin(), stretched.end(), fft.Input().begin());
    }
}

// The bins between kLowestPeakHz and highestHz, at least 4 from either end.
BinRange PeakBins(double binHz, double highestHz) {
    return {std::max<std::size_t>(4, static_cast<std::size_t>(std::ceil(kLowestPeakHz / binHz))),
            static_cast<std::size_t>(std::floor(highestHz / binHz)), binHz};
}

}  // namespace

std::optional<PeakSpectrum> FindPeaks(std::span<const std::int16_t> samples, int sampleRate,
                                      std::stop_token stop) {
    PeakSpectrum result;
    result.stretch = FindStretch(samples, sampleRate);
    const std::size_t divisor = RateDivisor(sampleRate);
    const std::size_t count = result.stretch.length / divisor;
    if (count < kShortestStretch) {
        return result;
    }
    RealFft fft(count);
    LoadStretch(samples.subspan(result.stretch.start, result.stretch.length), divisor, fft);
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    fft.Transform();
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    const double binHz = static_cast<double>(sampleRate) / static_cast<double>(divisor * count);
    result.curveHighHz = std::min(kHighestPeakHz, static_cast<double>(count / 2 - 4) * binHz);
    const BinRange range = PeakBins(binHz, result.curveHighHz);
    if (range.high <= range.low + 2) {
        return result;
    }
    // The transform's input is free to hold the power.
    const std::span<float> power = fft.Input();
    WindowedPower(fft.Output(), range, power);
    PickedPeaks picked = PickPeaks(power, range);
    if (picked.peaks.empty()) {
        return result;
    }
    result.peaks = std::move(picked.peaks);
    result.curveDb =
        SpectrumCurve(power, range, kLowestPeakHz, result.curveHighHz, picked.strongestLog);
    return result;
}
