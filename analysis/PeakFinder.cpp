// SPDX-License-Identifier: GPL-3.0-or-later
#include "PeakFinder.h"

#include <algorithm>
#include <cmath>

#include "RealFft.h"

namespace {

// Shorter stretches than this carry no usable spectrum.
constexpr std::size_t kShortestStretch = 64;

// The bins between kLowestPeakHz and highestHz, at least 4 from either end.
BinRange PeakBins(double binHz, double highestHz) {
    return {std::max<std::size_t>(4, static_cast<std::size_t>(std::ceil(kLowestPeakHz / binHz))),
            static_cast<std::size_t>(std::floor(highestHz / binHz)), binHz};
}

}  // namespace

std::optional<PeakSpectrum> FindPeaks(const LongStretch& loaded, Stretch stretch,
                                      std::stop_token stop) {
    PeakSpectrum result;
    result.stretch = stretch;
    const std::size_t count = std::min(stretch.length / loaded.divisor, loaded.samples.size());
    if (count < kShortestStretch) {
        return result;
    }
    RealFft fft(count);
    std::copy_n(loaded.samples.begin(), count, fft.Input().begin());
    fft.Transform();
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    const double binHz = loaded.sampleRate / static_cast<double>(count);
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
