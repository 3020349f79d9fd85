// SPDX-License-Identifier: GPL-3.0-or-later
#include "Doublets.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>
#include <optional>

#include "HalveRate.h"
#include "RealFft.h"
#include "Stretch.h"
#include "WindowedSpectrum.h"

namespace {

// Below this the long stretch parts no more than the spectrum does.
constexpr double kShortestSeconds = 4.0;
// The most times the long stretch is halved in rate: 44.1 kHz to 1378 Hz.
constexpr int kMostHalvings = 4;
// A little over the two bins of the long stretch's spectrum (about 0.17 Hz
// each) beyond the search that a top is refined from.
constexpr double kRefineHz = 0.5;

bool MayBeMerged(const std::vector<Peak>& peaks, std::size_t i, double strayDb) {
    const auto near = [&](std::size_t j) {
        return std::abs(peaks[j].frequencyHz - peaks[i].frequencyHz) < kDoubletSearchHz;
    };
    return !peaks[i].partial.empty() && !peaks[i].beatHz && strayDb >= kMergedStrayDb &&
           (i == 0 || !near(i - 1)) && (i + 1 == peaks.size() || !near(i + 1));
}

// The falling half cosine, 1/2 + cos(pi n / count) / 2, kept for the last
// count asked for: every recording of a rate that is long enough has the same.
// Any thread.
std::shared_ptr<const std::vector<float>> FallingHalfCosine(std::size_t count) {
    static std::mutex mutex;
    static std::shared_ptr<const std::vector<float>> kept;  // guarded by mutex
    {
        const std::lock_guard lock(mutex);
        if (kept && kept->size() == count) {
            return kept;
        }
    }
    auto window = std::make_shared<std::vector<float>>(count);
    // cos(pi n / count) by rotation, which costs a few products a sample where
    // std::cos costs tens; in double precision it stays within 1e-12. Each of
    // kLanes rotations takes every kLanes-th sample, so that their products
    // overlap instead of each waiting on the one before.
    constexpr std::size_t kLanes = 8;
    const double step = std::numbers::pi / static_cast<double>(count);
    const double c = std::cos(kLanes * step);
    const double s = std::sin(kLanes * step);
    std::array<double, kLanes> cosine{};
    std::array<double, kLanes> sine{};
    for (std::size_t j = 0; j < kLanes; ++j) {
        cosine[j] = std::cos(static_cast<double>(j) * step);
        sine[j] = std::sin(static_cast<double>(j) * step);
    }
    std::vector<float>& w = *window;
    std::size_t n = 0;
    for (; n + kLanes <= count; n += kLanes) {
        for (std::size_t j = 0; j < kLanes; ++j) {
            w[n + j] = static_cast<float>(0.5 + 0.5 * cosine[j]);
            const double next = cosine[j] * c - sine[j] * s;
            sine[j] = sine[j] * c + cosine[j] * s;
            cosine[j] = next;
        }
    }
    for (; n < count; ++n) {
        w[n] = static_cast<float>(0.5 + 0.5 * std::cos(static_cast<double>(n) * step));
    }
    const std::lock_guard lock(mutex);
    kept = window;
    return window;
}

// The power spectrum of the stretch's first fft.Size() samples under a falling
// half cosine: whole at the strike, where the partials are loudest, and fading
// to nothing at the end, so that the cut leaves no ripples; between them the
// partials' own decay is the window. Bin k is k / Size() cycles a sample. The
// power is written over the transform's input, free once transformed.
std::span<const float> RingingPower(std::span<const float> samples, RealFft& fft) {
    const std::shared_ptr<const std::vector<float>> window = FallingHalfCosine(fft.Size());
    // An index loop: the two-range transform checks both ends a sample and is
    // not vectorized.
    const std::span<float> in = fft.Input();
    const std::vector<float>& w = *window;
    for (std::size_t n = 0; n < in.size(); ++n) {
        in[n] = samples[n] * w[n];
    }
    fft.Transform();
    const std::span<const std::complex<float>> bins = fft.Output();
    std::ranges::transform(bins, fft.Input().begin(),
                           [](std::complex<float> bin) { return std::norm(bin); });
    return fft.Input().first(bins.size());
}

struct Top {
    double bin;
    double logLevel;
};

Top Refine(std::span<const float> power, std::size_t k) {
    const LobeTop top = ParabolaTop(power, k);
    return {static_cast<double>(k) + top.offsetBins, top.logLevel};
}

// The two highest maxima of power from bin low to high when they pass as a
// doublet, the stronger first.
std::optional<std::pair<Top, Top>> TwoTops(std::span<const float> power, std::size_t low,
                                           std::size_t high) {
    std::size_t first = 0;
    std::size_t second = 0;
    for (std::size_t k = low; k <= high; ++k) {
        if (power[k] > power[k - 1] && power[k] >= power[k + 1]) {
            if (first == 0 || power[k] > power[first]) {
                second = first;
                first = k;
            } else if (second == 0 || power[k] > power[second]) {
                second = k;
            }
        }
    }
    if (second == 0) {
        return std::nullopt;
    }
    const auto [from, to] = std::minmax(first, second);
    const float dip = *std::min_element(power.begin() + static_cast<std::ptrdiff_t>(from),
                                        power.begin() + static_cast<std::ptrdiff_t>(to));
    const double weaker = 10.0 * std::log10(power[second] / power[first]);
    const double depth = 10.0 * std::log10(dip / power[second]);
    if (weaker < kDoubletLevelDb || depth > kDoubletDipDb) {
        return std::nullopt;
    }
    return std::pair{Refine(power, first), Refine(power, second)};
}

// When power shows peak as two, moves peak to the stronger and gives the
// weaker, both with their beat.
std::optional<Peak> PartOf(Peak& peak, std::span<const float> power, double binHz) {
    const auto reach = static_cast<std::size_t>(std::ceil(kDoubletSearchHz / binHz));
    const auto centre = static_cast<std::size_t>(std::lround(peak.frequencyHz / binHz));
    if (centre <= reach || centre + reach + 1 >= power.size()) {
        return std::nullopt;
    }
    const auto tops = TwoTops(power, centre - reach, centre + reach);
    if (!tops) {
        return std::nullopt;
    }
    Peak other = peak;
    peak.frequencyHz = tops->first.bin * binHz;
    other.frequencyHz = tops->second.bin * binHz;
    other.levelDb += (tops->second.logLevel - tops->first.logLevel) * kDbPerNeper;
    peak.beatHz = other.beatHz = std::abs(peak.frequencyHz - other.frequencyHz);
    return other;
}

// The highest frequency the search around the merged peaks reads, with the
// bins either side that its tops are refined from.
double HighestSearched(const std::vector<Peak>& peaks, std::span<const std::size_t> merged) {
    double highest = 0.0;
    for (const std::size_t i : merged) {
        highest = std::max(highest, peaks[i].frequencyHz);
    }
    return highest + kDoubletSearchHz + kRefineHz;
}

struct HalvedStretch {
    std::span<const float> samples;
    double sampleRate;
};

// The stretch filtered in place to the lowest rate, halving at most
// kMostHalvings times, that still passes everything up to highestHz whole:
// the long stretch's spectrum then costs a fraction of what it costs at the
// full rate, with the same bins below highestHz.
HalvedStretch Halved(LongStretch& stretch, double highestHz) {
    std::span<float> samples = stretch.samples;
    double sampleRate = stretch.sampleRate;
    for (int halving = 0; halving < kMostHalvings && highestHz <= kHalfBandPassed * sampleRate &&
                          samples.size() >= 4 * kHalfBand.size();
         ++halving) {
        const std::span<float> half = samples.first(samples.size() / 2);
        HalveRate(samples, half);
        samples = half;
        sampleRate /= 2.0;
    }
    return {samples, sampleRate};
}

}  // namespace

void SplitMergedDoublets(std::vector<Peak>& peaks, LongStretch& stretch,
                         std::span<const double> strayDb) {
    std::vector<std::size_t> merged;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        if (MayBeMerged(peaks, i, strayDb[i])) {
            merged.push_back(i);
        }
    }
    if (merged.empty() ||
        static_cast<double>(stretch.samples.size()) < kShortestSeconds * stretch.sampleRate) {
        return;
    }
    const auto [samples, sampleRate] = Halved(stretch, HighestSearched(peaks, merged));
    RealFft fft(SmoothLength(samples.size()));
    const std::span<const float> power = RingingPower(samples, fft);
    const double binHz = sampleRate / static_cast<double>(fft.Size());
    for (auto i = merged.rbegin(); i != merged.rend(); ++i) {
        const std::optional<Peak> other = PartOf(peaks[*i], power, binHz);
        if (!other) {
            continue;
        }
        const bool above = other->frequencyHz > peaks[*i].frequencyHz;
        peaks.insert(peaks.begin() + static_cast<std::ptrdiff_t>(*i + (above ? 1 : 0)), *other);
    }
}
